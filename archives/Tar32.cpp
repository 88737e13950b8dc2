#include "archives/Tar32.h"

#include "archives/ArchiverErrors.h"
#include "platform/FileUtil.h"

namespace archives {

namespace {

TArchiverDll& Tar32Dll() {
    return SharedDll("tar/tgz/taz/bz2 形式書庫", "Tar", "TAR32.DLL");
}

void AddLevel(TCmdOpt& cmd, const char* name, int jm) {
    if (jm < 1)
        cmd.AddBool(name, true);
    else
        cmd.AddInt(name, jm);
}

} // namespace

void TTar32::LoadDLL() {
    Tar32Dll().LoadDLL();
}

void TTar32::FreeDLL() {
    FreeSharedDll("TAR32.DLL");
}

TCustomArchiverDll& TTar32::GetDll() {
    return Tar32Dll();
}

void TTar32::AddCompression(TCmdOpt&, const TArchiverOptions&) const {}

void TTgz32::AddCompression(TCmdOpt& cmd, const TArchiverOptions& o) const {
    AddLevel(cmd, "z", o.jm);
}

void TBZ232::AddCompression(TCmdOpt& cmd, const TArchiverOptions& o) const {
    AddLevel(cmd, "B", o.jm);
}

std::string TTar32::Build(const std::string& word, const std::string& archive,
                          const TArchiverOptions& o, const std::string& dir,
                          const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddBool("AH", o.a > 0);
    cmd.AddBool("I", o.a == 0);
    cmd.AddBool("-display-dialog=0", o.n > 0 && !OwnerWindow);
    cmd.AddBool("g", o.o > 0);
    cmd.AddInt("-check-all-path=", o.p);
    cmd.AddInt("-use-directory=", o.x);
    AddCompression(cmd, o);
    cmd.Add(o.UserOptions);
    if (!archive.empty())
        cmd.AddQuoted("f", archive);
    cmd.AddDir("o", dir);
    AddFileTail(cmd, o, files, useResFile);
    return word + cmd.Text;
}

std::string TTar32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build("x", archive, o, dir, files, useResFile);
}

std::string TTar32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    return Build("c", archive, o, dir, files, useResFile);
}

std::string TTar32::ExtractMemCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                      const std::string& member) {
    return Build("", archive, o, "", {member}, false);
}

int TTar32::MakeSfx(HWND, const std::string& archive, const TArchiverOptions&,
                    const std::string& dir, std::string& cmdLine, TOutputBuffer&) {
    cmdLine.clear();
    const std::string stub = FindSfxStub(TarSfxStub);
    if (stub.empty())
        throw ESfxNoRequiredFile("tar/tgz", "", TarSfxStub);
    WriteSfxFile(stub, archive, SfxTargetName(archive, dir, ".EXE"));
    return 0;
}

int TBZ232::MakeSfx(HWND, const std::string&, const TArchiverOptions&, const std::string&,
                    std::string& cmdLine, TOutputBuffer&) {
    cmdLine.clear();
    throw EArchiver("BZ2 形式書庫は自己解凍形式にできません。");
}

TArchiverType TTar32::DetectType(const std::string& fileName) {
    try {
        TArchiverDll& dll = Tar32Dll();
        dll.LoadDLL();
        const int type = dll.GetArchiveType(platform::ExpandFileName(fileName));
        if (type == 1)
            return atTar;
        if (type >= 2 && type <= 5)
            return atTgz;
        if (type == 6 || type == 7)
            return atBZ2;
        return atNone;
    } catch (const std::exception&) {
        return atNone;
    }
}

} // namespace archives
