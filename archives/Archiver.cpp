#include "archives/Archiver.h"

#include "archives/ArchiverErrors.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileUtil.h"

namespace archives {

void TArchiver::LoadDLL() {
    throw EArchiver("Abstract method 'TArchiver.LoadDLL' was called");
}

void TArchiver::FreeDLL() {
    throw EArchiver("Abstract method 'TArchiver.FreeDLL' was called");
}

ArcHandle TArchiver::OpenArchive(HWND wnd, const std::string& fileName, int mode) {
    return GetDll().OpenArchive(wnd, platform::ExpandFileName(fileName), mode);
}

int TArchiver::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
    return GetDll().FindFirst(archive, wildcard, info);
}

int TArchiver::FindNext(ArcHandle archive, TMemberInfo& info) {
    return GetDll().FindNext(archive, info);
}

int TArchiver::CloseArchive(ArcHandle archive) {
    return GetDll().CloseArchive(archive);
}

void TArchiver::DoEnumMember(const void*, const TArchiverOptions&, bool&) {}

int TArchiver::RunBuffer(TCustomArchiverDll& dll, bool write, HWND wnd, const std::string& cmd,
                         TOutputBuffer& output) {
    const int size = static_cast<int>(output.size());
    char* buffer = size > 0 ? output.data() : nullptr;
    return write ? dll.RunWriteCommand(wnd, cmd, buffer, size)
                 : dll.RunCommand(wnd, cmd, buffer, size);
}

int TArchiver::Unpack(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                      const std::string& dir, const TFileItems& files, bool useResFile,
                      std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = UnpackCommand(wnd, archive, options, dir, files, useResFile);
    return RunBuffer(GetDll(), false, wnd, cmdLine, output);
}

int TArchiver::Pack(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                    const std::string& dir, const TFileItems& files, bool useResFile,
                    std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = PackCommand(wnd, archive, options, dir, files, useResFile);
    return RunBuffer(GetDll(), true, wnd, cmdLine, output);
}

int TArchiver::RemoveItems(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& dir, const TFileItems& files, bool useResFile,
                           std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = RemoveCommand(wnd, archive, options, dir, files, useResFile);
    return RunBuffer(GetDll(), true, wnd, cmdLine, output);
}

int TArchiver::Update(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                      const std::string& dir, const TFileItems& files, bool useResFile,
                      std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = UpdateCommand(wnd, archive, options, dir, files, useResFile);
    return RunBuffer(GetDll(), true, wnd, cmdLine, output);
}

int TArchiver::Test(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                    std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = TestCommand(wnd, archive, options);
    return RunBuffer(GetDll(), false, wnd, cmdLine, output);
}

int TArchiver::MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                       const std::string& dir, std::string& cmdLine, TOutputBuffer& output) {
    cmdLine = SfxCommand(wnd, archive, options, dir);
    return RunBuffer(GetDll(), true, wnd, cmdLine, output);
}

int TArchiver::ExtractMem(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                          const std::string& member, unsigned char* buffer, int size,
                          std::int64_t* time, std::uint16_t* attributes, std::uint32_t* written,
                          std::string& cmdLine) {
    cmdLine = ExtractMemCommand(wnd, archive, options, member);
    return GetDll().ExtractMem(wnd, cmdLine, buffer, size, time, attributes, written);
}

int TArchiver::CheckArchive(const std::string& fileName, int mode1, int mode2) {
    return GetDll().CheckArchive(fileName, mode1 + mode2);
}

std::string TArchiver::PackCommand(HWND, const std::string&, const TArchiverOptions&,
                                   const std::string&, const TFileItems&, bool) {
    throw EArchiver("この形式では書庫ファイルの作成をサポートしておりません。");
}

std::string TArchiver::RemoveCommand(HWND, const std::string&, const TArchiverOptions&,
                                     const std::string&, const TFileItems&, bool) {
    throw EArchiver("この形式の書庫ではファイルの削除をサポートしておりません。");
}

std::string TArchiver::UpdateCommand(HWND, const std::string&, const TArchiverOptions&,
                                     const std::string&, const TFileItems&, bool) {
    throw EArchiver("この形式の書庫では書庫の更新をサポートしておりません。");
}

std::string TArchiver::SfxCommand(HWND, const std::string&, const TArchiverOptions&,
                                  const std::string&) {
    throw EArchiver("この形式では自己解凍書庫の作成をサポートしておりません。");
}

std::string TArchiver::TestCommand(HWND, const std::string&, const TArchiverOptions&) {
    throw EArchiver("この形式の書庫では書庫の検査をサポートしておりません。");
}

std::string TArchiver::ExtractMemCommand(HWND, const std::string&, const TArchiverOptions&,
                                         const std::string&) {
    throw EArchiver("この形式ではメモリ展開をサポートしておりません。");
}

bool TArchiver::SetOwnerWindow(HWND wnd) {
    OwnerWindow = wnd;
    return GetDll().SetOwnerWindowEx(wnd, nullptr) != 0;
}

bool TArchiver::KillOwnerWindow() {
    const HWND wnd = OwnerWindow;
    OwnerWindow = nullptr;
    return GetDll().KillOwnerWindowEx(wnd) != 0;
}

int TArchiver::SetEnumMembersProc(ArcEnumMembersProc proc, std::uint32_t recordSize) {
    return GetDll().SetEnumMembersProc64(proc, recordSize);
}

int TArchiver::ClearEnumMembersProc() {
    return GetDll().ClearEnumMembersProc64();
}

void TArchiver::AddCommandTail(TCmdOpt& cmd, const TArchiverOptions& options,
                               const std::string& archive, const std::string& dir,
                               const TFileItems& files, bool useResFile) {
    cmd.AddQuoted("", archive);
    cmd.AddDir("", dir);
    AddFileTail(cmd, options, files, useResFile);
}

void TArchiver::AddFileTail(TCmdOpt& cmd, const TArchiverOptions& options, const TFileItems& files,
                            bool useResFile) {
    if (useResFile && !options.ResFileName.empty())
        cmd.WriteResponseFile(options.ResFileName, files);
    else
        cmd.AddFiles("", files);
    cmd.Add(options.UserFileList);
}

std::string SfxTargetName(const std::string& archive, const std::string& dir,
                          const std::string& ext) {
    std::string name = platform::ExtractFileName(archive);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    name += ext;
    if (!dir.empty() && !IsNulString(dir))
        return platform::IncludeTrailingPathDelimiter(dir) + name;
    return platform::ExtractFilePath(archive) + name;
}

std::string FindSfxStub(const std::string& name) {
    for (const std::string& dir : platform::LibrarySearchDirs()) {
        const std::string path = platform::IncludeTrailingPathDelimiter(dir) + name;
        if (platform::FileExists(path))
            return path;
    }
    return {};
}

void WriteSfxFile(const std::string& stub, const std::string& archive, const std::string& target) {
    try {
        std::string data = platform::ReadFile(stub);
        data += platform::ReadFile(archive);
        platform::WriteFileAtomic(target, data);
    } catch (const platform::EFileError& e) {
        throw EArchiver(std::string("自己解凍書庫を作成できません: ") + e.what());
    }
}

} // namespace archives
