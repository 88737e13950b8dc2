#include "archives/SevenZip32.h"

#include "archives/ArchiverErrors.h"

namespace archives {

namespace {

TArchiverDll& SevenZip32Dll() {
    return SharedDll("7z 形式書庫", "SevenZip", "7-zip32.dll");
}

} // namespace

void TSevenZip32::LoadDLL() {
    SevenZip32Dll().LoadDLL();
}

void TSevenZip32::FreeDLL() {
    FreeSharedDll("7-zip32.dll");
}

TCustomArchiverDll& TSevenZip32::GetDll() {
    return SevenZip32Dll();
}

std::string TSevenZip32::Build(const std::string& word, bool extracting, const std::string& archive,
                               const TArchiverOptions& o, const std::string& dir,
                               const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    if (extracting) {
        if (o.m == 2)
            cmd.Add("-aou");
        else if (o.jn > 0)
            cmd.Add("-aos");
        else if (o.c > 0)
            cmd.Add("-aoa");
    }
    cmd.Add("-ms=off");
    cmd.AddBool("hide", o.n > 0);
    cmd.AddBool("r-", o.r == 0);
    cmd.AddBool("r", o.r > 1);
    if (!o.w.empty() && !IsNulString(o.w))
        cmd.AddDir("w", o.w);
    cmd.AddBool("y", o.y > 0);
    for (const std::string& pattern : o.jx)
        cmd.AddQuoted("x!", pattern);
    cmd.AddDir("o", dir);
    cmd.Add(o.UserOptions);
    cmd.AddQuoted("", archive);
    AddFileTail(cmd, o, files, useResFile);
    return word + cmd.Text;
}

std::string TSevenZip32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                       const std::string& dir, const TFileItems& files,
                                       bool useResFile) {
    return Build(o.x == 0 ? "e" : "x", true, archive, o, dir, files, useResFile);
}

std::string TSevenZip32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                     const std::string& dir, const TFileItems& files,
                                     bool useResFile) {
    return Build("u", false, archive, o, dir, files, useResFile);
}

std::string TSevenZip32::RemoveCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                       const std::string& dir, const TFileItems& files,
                                       bool useResFile) {
    return Build("d", false, archive, o, dir, files, useResFile);
}

int TSevenZip32::MakeSfx(HWND, const std::string& archive, const TArchiverOptions& o,
                         const std::string& dir, std::string& cmdLine, TOutputBuffer&) {
    cmdLine.clear();
    if (o.gw <= 0)
        throw EArchiver("16bit SFX を作成することはできません。");
    const std::string stub = FindSfxStub(SevenZipSfxStub);
    if (stub.empty())
        throw ESfxNoRequiredFile("7z", "Win32", SevenZipSfxStub);
    WriteSfxFile(stub, archive, SfxTargetName(archive, dir, ".exe"));
    return 0;
}

} // namespace archives
