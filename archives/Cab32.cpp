#include "archives/Cab32.h"

#include "archives/OpenTest.h"

namespace archives {

namespace {

TArchiverDll& Cab32Dll() {
    return SharedDll("CAB 形式書庫", "Cab", "CAB32.DLL");
}

} // namespace

void TCab32::LoadDLL() {
    Cab32Dll().LoadDLL();
}

void TCab32::FreeDLL() {
    FreeSharedDll("CAB32.DLL");
}

TCustomArchiverDll& TCab32::GetDll() {
    return Cab32Dll();
}

std::string TCab32::Build(const std::string& word, const std::string& archive,
                          const TArchiverOptions& o, const std::string& dir,
                          const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddBool("o", o.c == 1);
    cmd.AddBool("i", o.n > 0 || OwnerWindow);
    cmd.AddBool("r", o.r > 0);
    if (!o.w.empty() && !IsNulString(o.w))
        cmd.AddDir("h", o.w);
    cmd.AddBool("j", o.x == 0);
    cmd.AddBool("q", o.ji > 0);
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TCab32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build("-x", archive, o, dir, files, useResFile);
}

std::string TCab32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    return Build("-a", archive, o, dir, files, useResFile);
}

std::string TCab32::SfxCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                               const std::string& dir) {
    return Build("-f", archive, o, dir, {}, false);
}

std::string TCab32::ExtractMemCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                      const std::string& member) {
    return Build("", archive, o, "", {member}, false);
}

bool TCab32::IsArchive(const std::string& fileName) {
    return OpensAsArchive(Cab32Dll(), fileName);
}

} // namespace archives
