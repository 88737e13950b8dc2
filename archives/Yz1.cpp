#include "archives/Yz1.h"

#include "archives/ArchiverErrors.h"
#include "archives/OpenTest.h"

#include <memory>

namespace archives {

namespace {

std::unique_ptr<TYZ1Dll>& Yz1Binding() {
    static std::unique_ptr<TYZ1Dll> binding;
    return binding;
}

} // namespace

TYZ1Dll& Yz1Dll() {
    auto& binding = Yz1Binding();
    if (!binding)
        binding = std::make_unique<TYZ1Dll>();
    return *binding;
}

TYZ1Dll::TYZ1Dll() : TArchiverDll("YZ1 形式書庫", "Yz1", "YZ1.DLL") {}

void TYZ1Dll::LoadDLL() {
    if (Module.IsLoaded())
        return;
    for (const char* name : {"YZ1.DLL", "YYZ32.DLL"}) {
        if (Module.Load(name)) {
            DllName = name;
            return;
        }
    }
    throw ENoArchiverDLL("Yz1 形式書庫を扱うには YZ1.DLL か YYZ32.DLL が必要です。");
}

void TYZ1Dll::FreeDLL() {
    passwordDialog_ = nullptr;
    setDefaultPassword_ = nullptr;
    TArchiverDll::FreeDLL();
}

ArcHandle TYZ1Dll::OpenArchive(HWND wnd, const std::string& fileName, int mode) {
    window_ = wnd;
    return TArchiverDll::OpenArchive(wnd, fileName, mode);
}

int TYZ1Dll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
    int result = TArchiverDll::FindFirst(archive, wildcard, info);
    for (int retry = 0; retry < 4 && result == ARC_ERROR_PASSWORD_FILE; ++retry) {
        Resolve(passwordDialog_, "PasswordDialog", false);
        Resolve(setDefaultPassword_, "SetDefaultPassword", false);
        if (!passwordDialog_ || !setDefaultPassword_)
            break;
        char password[257] = {};
        if (passwordDialog_(window_, password, 256) < 0)
            break;
        password[256] = '\0';
        setDefaultPassword_(archive, password);
        result = TArchiverDll::FindFirst(archive, wildcard, info);
    }
    return result;
}

void TYZ1::LoadDLL() {
    Yz1Dll().LoadDLL();
}

void TYZ1::FreeDLL() {
    Yz1Binding().reset();
}

TCustomArchiverDll& TYZ1::GetDll() {
    return Yz1Dll();
}

std::string TYZ1::Build(const std::string& word, const std::string& archive,
                        const TArchiverOptions& o, const std::string& dir, const TFileItems& files,
                        bool useResFile) const {
    TCmdOpt cmd;
    cmd.Add("-+");
    int y = -1;
    switch (o.m) {
    case 0:
        y = 2;
        break;
    case 1:
        y = 1;
        break;
    case 2:
        y = 2;
        break;
    case 9:
        y = 0;
        break;
    default:
        break;
    }
    const int c = y == 2 ? 2 : o.c;
    cmd.AddInt("c", c);
    cmd.AddInt("y", y);
    cmd.AddBool("i", o.n > 0 || OwnerWindow);
    cmd.AddInt("z", o.p);
    cmd.AddInt("x", o.x);
    cmd.Add(o.UserOptions);
    AddCommandTail(cmd, o, archive, dir, files, useResFile);
    return word + cmd.Text;
}

std::string TYZ1::UnpackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                                const std::string& dir, const TFileItems& files, bool useResFile) {
    return Build("x", archive, o, dir, files, useResFile);
}

std::string TYZ1::PackCommand(HWND, const std::string& archive, const TArchiverOptions& o,
                              const std::string& dir, const TFileItems& files, bool useResFile) {
    return Build("c", archive, o, dir, files, useResFile);
}

int TYZ1::MakeSfx(HWND, const std::string& archive, const TArchiverOptions& o,
                  const std::string& dir, std::string& cmdLine, TOutputBuffer&) {
    cmdLine.clear();
    std::string stub;
    if (o.gw > 0) {
        stub = FindSfxStub("yzw32cui.sfx");
        if (stub.empty())
            stub = FindSfxStub("yzdec.exe");
        if (stub.empty())
            throw EArchiver("yz1 書庫からのWin32自己解凍書庫の作成には yzw32cui.sfx か "
                            "yzdec.exe が必要です。");
    } else {
        stub = FindSfxStub("yzdos16.sfx");
        if (stub.empty())
            throw EArchiver("yz1 書庫からのDOS自己解凍書庫の作成には yzdos16.sfx が必要です。");
    }
    WriteSfxFile(stub, archive, SfxTargetName(archive, dir, ".exe"));
    return 0;
}

bool TYZ1::IsArchive(const std::string& fileName) {
    return OpensAsArchive(Yz1Dll(), fileName);
}

} // namespace archives
