#include "archives/Lha32.h"

#include "archives/ArchiverErrors.h"
#include "platform/FileUtil.h"

namespace archives {

namespace {

void AddInts(TCmdOpt& cmd, const TArchiverOptions& options,
             std::initializer_list<const char*> names) {
    for (const char* name : names)
        cmd.AddInt(name, options.Switch(name));
}

} // namespace

TArchiverDll& Lha32Dll() {
    return SharedDll("LHA 形式書庫", "Unlha", "UNLHA32.DLL");
}

void TLha32::LoadDLL() {
    Lha32Dll().LoadDLL();
}

void TLha32::FreeDLL() {
    FreeSharedDll("UNLHA32.DLL");
}

TCustomArchiverDll& TLha32::GetDll() {
    return Lha32Dll();
}

std::string TLha32::BuildCommand(const std::string& word, const std::string& archive,
                                 const TArchiverOptions& o, const std::string& dir,
                                 const TFileItems& files, bool useResFile) const {
    TCmdOpt cmd;
    cmd.Add("-+");
    if (word == "x" && o.jse < 0)
        throw EAssertionFailed("jse オプションが設定されていません。 (Lha32)");
    if (o.jso < 0)
        throw EAssertionFailed("jso オプションが設定されていません。 (Lha32)");
    AddInts(cmd, o, {"a", "c", "e", "f", "h", "i", "l", "m"});
    // The library shows no dialogs of its own while progress goes to our window.
    cmd.AddInt("n", OwnerWindow ? 1 : o.n);
    AddInts(cmd, o, {"o", "p", "r", "s", "t", "u"});
    cmd.AddDir("w", o.w);
    AddInts(cmd, o, {"x", "y", "z", "jc", "jd", "je", "jf", "jh", "ji", "jm", "jn"});
    cmd.AddQuoted("jo", o.jo);
    cmd.AddQuoted("job", o.job);
    AddInts(cmd, o,
            {"jp", "jr", "jsb", "jsc", "jsd", "jse", "jsf", "jsl", "jso", "jss", "jst", "jsv",
             "jsz", "jw"});
    for (const std::string& pattern : o.jx)
        cmd.AddQuoted("jx", pattern);
    AddInts(cmd, o, {"jyc", "jyd", "jyk", "jyn", "jyo"});
    cmd.AddQuoted("jz", o.jz);
    AddInts(cmd, o, {"ga", "gd", "ge", "gf", "gj", "gm", "gn", "go", "gp"});
    cmd.AddQuoted("gr", o.gr);
    AddInts(cmd, o, {"gs", "gu", "gw", "gya", "gyc"});
    cmd.AddQuoted("gyd", o.gyd);
    cmd.AddQuoted("gye", o.gye);
    AddInts(cmd, o, {"gyo", "gyq", "gys"});
    cmd.AddQuoted("gyt", o.gyt);
    cmd.AddQuoted("gyw", o.gyw);
    AddInts(cmd, o, {"gyx"});
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TLha32::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return BuildCommand("x", archive, o, dir, files, useResFile);
}

std::string TLha32::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    return BuildCommand("u", archive, o, dir, files, useResFile);
}

std::string TLha32::RemoveCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return BuildCommand("d", archive, o, dir, files, useResFile);
}

std::string TLha32::UpdateCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                  const std::string& dir, const TFileItems& files,
                                  bool useResFile) {
    return BuildCommand("f", archive, o, dir, files, useResFile);
}

std::string TLha32::SfxCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                               const std::string& dir) {
    return BuildCommand("s", archive, o, dir, {}, false);
}

std::string TLha32::ExtractMemCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                      const std::string& member) {
    return BuildCommand("", archive, o, "", {member}, false);
}

std::string TLha32::TestCommand(HWND, const std::string& archive, const TArchiverOptions& o) {
    return BuildCommand("t", archive, o, "", {}, false);
}

bool TLha32::IsArchive(const std::string& fileName) {
    try {
        TArchiverDll& dll = Lha32Dll();
        dll.LoadDLL();
        const std::string path = platform::ExpandFileName(fileName);
        if (dll.CheckArchive(path, 16) == 0)
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
