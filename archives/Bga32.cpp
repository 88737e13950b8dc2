#include "archives/Bga32.h"

#include "archives/OpenTest.h"

namespace archives {

namespace {

TArchiverDll& Bga32Dll() {
    return SharedDll("BGA 形式書庫", "Bga", "BGA32.DLL");
}

} // namespace

void TBGA32::LoadDLL() {
    Bga32Dll().LoadDLL();
}

void TBGA32::FreeDLL() {
    FreeSharedDll("BGA32.DLL");
}

TCustomArchiverDll& TBGA32::GetDll() {
    return Bga32Dll();
}

std::string TBGA32::Build(const std::string& word, const std::string& archive,
                          const TArchiverOptions& o, const std::string& dir,
                          const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddBool("a", o.a > 0);
    cmd.AddBool("o", o.c > 0);
    cmd.AddBool("n", true);
    cmd.AddBool("i", o.n > 0 || OwnerWindow);
    cmd.AddBool("r", o.r > 0);
    cmd.AddBool("j", o.x < 1);
    cmd.AddInt("l", o.jm);
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TBGA32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build("x", archive, o, dir, files, useResFile);
}

std::string TBGA32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    return Build("a", archive, o, dir, files, useResFile);
}

std::string TBGA32::RemoveCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build("d", archive, o, dir, files, useResFile);
}

std::string TBGA32::SfxCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                               const std::string& dir) {
    return Build("s", archive, o, dir, {}, false);
}

bool TBGA32::IsArchive(const std::string& fileName) {
    return OpensAsArchive(Bga32Dll(), fileName);
}

} // namespace archives
