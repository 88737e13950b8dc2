#include "archives/Rar32.h"

#include "archives/OpenTest.h"

namespace archives {

namespace {

TArchiverDll& Rar32Dll() {
    return SharedDll("RAR 形式書庫", "Unrar", "UNRAR32.DLL");
}

} // namespace

void TRar32::LoadDLL() {
    Rar32Dll().LoadDLL();
}

void TRar32::FreeDLL() {
    FreeSharedDll("UNRAR32.DLL");
}

TCustomArchiverDll& TRar32::GetDll() {
    return Rar32Dll();
}

std::string TRar32::Build(const std::string& word, const std::string& archive,
                          const TArchiverOptions& o, const std::string& dir,
                          const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddBool("u", o.c < 1);
    cmd.AddBool("y", o.m > 0);
    cmd.AddBool("s", o.p > 0);
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TRar32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build(o.x == 0 ? "-e" : "-x", archive, o, dir, files, useResFile);
}

std::string TRar32::ExtractMemCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                      const std::string& member) {
    return Build("", archive, o, "", {member}, false);
}

bool TRar32::IsArchive(const std::string& fileName) {
    return OpensAsArchive(Rar32Dll(), fileName);
}

} // namespace archives
