#include "archives/Zip32.h"

#include "archives/ArchiverErrors.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace archives {

std::string ZipFileName(std::string_view name) {
    std::string result;
    std::size_t i = 0;
    if (!name.empty() && name[0] == '-') {
        result = "[-]";
        i = 1;
    }
    while (i < name.size()) {
        const std::size_t len = platform::CharLengthAt(name, i);
        if (len == 1 && name[i] == '[')
            result += "[[]";
        else
            result.append(name.substr(i, len));
        i += len;
    }
    return result;
}

void TZip32::LoadDLL() {
    ZipDll().LoadDLL();
}

void TZip32::FreeDLL() {
    FreeZipDll();
}

TCustomArchiverDll& TZip32::GetDll() {
    return ZipDll();
}

std::string TZip32::Build(TBuilderKind kind, const std::string& word, const std::string& archive,
                          const TArchiverOptions& o, const std::string& dir,
                          const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    switch (kind) {
    case bkReading:
        cmd.NameConverter = ZipFileName;
        cmd.AddBool("o", o.c == 1);
        cmd.AddBool("-i", o.n > 0 || OwnerWindow);
        cmd.AddBool("j", o.x == 0);
        break;
    case bkWriting:
        cmd.NameConverter = ZipFileName;
        cmd.AddBool("S", o.a > 0);
        cmd.AddBool("D", o.a < 2);
        cmd.AddBool("v", o.l > 0);
        cmd.AddBool("q", o.n > 0);
        cmd.AddBool("r", o.r > 0);
        cmd.AddBool("o", o.n > 0);
        cmd.AddBool("u", o.u > 0);
        cmd.AddBool("j", o.x == 0);
        cmd.AddBool("FF", o.jc > 0);
        cmd.AddBool("k", o.ji > 0);
        cmd.AddInt("", o.jm);
        cmd.AddBool("J", o.gd > 0);
        break;
    case bkPlain:
        cmd.AddBool("o", o.c == 1);
        cmd.AddBool("j", o.x == 0);
        break;
    }
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TZip32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    TZipDll& dll = ZipDll();
    if (!dll.Has(TZipDll::libUnzip32) && !dll.Has(TZipDll::libLmzip32))
        throw EArchiver("ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。");
    return Build(bkReading, "-x", archive, o, dir, files, useResFile);
}

std::string TZip32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    TZipDll& dll = ZipDll();
    if (dll.Has(TZipDll::libZip32j))
        return Build(bkWriting, "", archive, o, dir, files, useResFile);
    if (dll.Has(TZipDll::libLmzip32))
        return Build(bkPlain, "-ru", archive, o, "", files, useResFile);
    throw EArchiver("ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。");
}

std::string TZip32::RemoveCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string&, const TFileItems& files, bool useResFile) {
    return Build(bkWriting, "-d", archive, o, "", files, useResFile);
}

std::string TZip32::UpdateCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return Build(bkWriting, "-f", archive, o, dir, files, useResFile);
}

std::string TZip32::ExtractMemCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                      const std::string& member) {
    return Build(bkReading, "", archive, o, "", {member}, false);
}

std::string TZip32::TestCommand(HWND, const std::string& archive, const TArchiverOptions& o) {
    TZipDll& dll = ZipDll();
    if (!dll.Has(TZipDll::libUnzip32) && !dll.Has(TZipDll::libLmzip32))
        throw EArchiver("ZIP 形式書庫の検査には UNZIP32.DLL または LMZIP32.DLL が必要です。");
    // Quiet: only the failures go into the output buffer, however many members pass.
    return Build(bkReading, "-t -q", archive, o, "", {}, false);
}

std::string TZip32::SfxCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                               const std::string& dir) {
    if (!ZipDll().Has(TZipDll::libZip32j))
        throw ESfxNoRequiredFile("zip", "", "ZIP32J.DLL");
    const bool win32 = o.gw > 0;
    const std::string stubName = win32 ? "sfx32gui.dat" : "sfx16.dat";
    const std::string stub = FindSfxStub(stubName);
    if (stub.empty())
        throw ESfxNoRequiredFile("zip", win32 ? "Win32" : "DOS", stubName);
    const std::string target = SfxTargetName(archive, dir, ".EXE");
    WriteSfxFile(stub, archive, target);
    return "-A " + target;
}

bool TZip32::IsArchive(const std::string& fileName) {
    try {
        TZipDll& dll = ZipDll();
        dll.LoadDLL();
        const std::string path = platform::ExpandFileName(fileName);
        if (dll.CheckArchive(path, ARC_CHECK_ALL + ARC_CHECK_SFX) == 0)
            return false;
        if (!platform::FileExists(path))
            return false;
        const ArcHandle handle = dll.OpenArchive(nullptr, path, ARC_OPEN_CHECK_ONLY | 2);
        if (!handle)
            return false;
        dll.CloseArchive(handle);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace archives
