#include "archives/ArchiveFile.h"

#include "archives/ArchiverErrors.h"
#include "archives/Arj32.h"
#include "archives/Bga32.h"
#include "archives/Cab32.h"
#include "archives/ComponentFileScan.h"
#include "archives/Lha32.h"
#include "archives/NamedStreams.h"
#include "archives/Rar32.h"
#include "archives/SevenZip32.h"
#include "archives/Tar32.h"
#include "archives/Yz1.h"
#include "archives/Zip32.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <cstring>

namespace archives {

namespace {

// The component whose operation is running: the target of the libraries' member callback.
TArchiveFile* enumTarget = nullptr;

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

// Attaches the member callback and the progress window for one library call and detaches them
// again when the call is over, also when it ends by an exception.
class TArchiveFile::TAttachment {
public:
    TAttachment(TArchiveFile& owner, const TArchiverOptions& options) : owner_(owner) {
        TArchiver& archiver = *owner.archiver_;
        if (owner.OnEnumMember || options.IncludeExtraStreams) {
            enumTarget = &owner;
            owner.runningOptions_ = &options;
            try {
                archiver.SetEnumMembersProc(&TArchiveFile::EnumMembersCallback,
                                            ARC_ENUM_MEMBER_INFO_SIZE);
            } catch (...) {
                enumTarget = nullptr;
                owner.runningOptions_ = nullptr;
                throw;
            }
            enumSet_ = true;
        }
        if (owner.OnProgress || owner.streamHookSet_) {
            RegisterWindowMessage(ARC_WM_ARCEXTRACT);
            if (!owner.progressWindow_)
                owner.progressWindow_ = std::make_unique<TProgressWindow>(
                    [&o = owner](int state, TExtractingInfoEx* info, bool& abort) {
                        o.HandleProgress(state, info, abort);
                    });
            windowSet_ = true;
            try {
                archiver.SetOwnerWindow(owner.progressWindow_->Handle());
            } catch (const std::exception&) {
                // A library that cannot take the window simply reports no progress.
            }
        }
    }

    ~TAttachment() {
        TArchiver& archiver = *owner_.archiver_;
        if (enumSet_) {
            try {
                archiver.ClearEnumMembersProc();
            } catch (const std::exception&) {
            }
            enumTarget = nullptr;
            owner_.runningOptions_ = nullptr;
        }
        if (windowSet_) {
            try {
                archiver.KillOwnerWindow();
            } catch (const std::exception&) {
            }
        }
    }

    TAttachment(const TAttachment&) = delete;
    TAttachment& operator=(const TAttachment&) = delete;

private:
    TArchiveFile& owner_;
    bool enumSet_ = false;
    bool windowSet_ = false;
};

std::unique_ptr<TArchiver> CreateArchiver(TArchiverType type) {
    std::unique_ptr<TArchiver> archiver;
    switch (type) {
    case atLha:
        archiver = std::make_unique<TLha32>();
        break;
    case atZip:
        archiver = std::make_unique<TZip32>();
        break;
    case atCab:
        archiver = std::make_unique<TCab32>();
        break;
    case atArj:
        archiver = std::make_unique<TArj32>();
        break;
    case atTar:
        archiver = std::make_unique<TTar32>();
        break;
    case atTgz:
        archiver = std::make_unique<TTgz32>();
        break;
    case atBZ2:
        archiver = std::make_unique<TBZ232>();
        break;
    case atRar:
        archiver = std::make_unique<TRar32>();
        break;
    case atBga:
        archiver = std::make_unique<TBGA32>();
        break;
    case atYz1:
        archiver = std::make_unique<TYZ1>();
        break;
    case at7z:
        archiver = std::make_unique<TSevenZip32>();
        break;
    default:
        return nullptr;
    }
    archiver->LoadDLL();
    return archiver;
}

TArchiveFile::TArchiveFile() = default;

TArchiveFile::~TArchiveFile() {
    try {
        CloseArchive();
    } catch (const std::exception&) {
    }
    if (enumTarget == this)
        enumTarget = nullptr;
}

void TArchiveFile::SetArchiverType(TArchiverType type) {
    switch (type) {
    case atLha:
    case atZip:
    case atCab:
    case atArj:
    case atTar:
    case atTgz:
    case atBZ2:
    case atRar:
    case atBga:
    case atYz1:
    case at7z:
        archiver_.reset();
        archiver_ = CreateArchiver(type);
        break;
    case atAutoDetect:
        break;
    case atNone:
        return;
    default:
        throw EArchiver("書庫の形式を特定できませんでした。");
    }
    archiverType_ = type;
}

void TArchiveFile::SetFileName(const std::string& name) {
    SetArchiverType(DetectByExtension(name));
    fileName_ = name;
}

void TArchiveFile::SetOutputSize(int size) {
    output_.assign(static_cast<std::size_t>(std::max(size, 0)), '\0');
}

TArchiverType TArchiveFile::DetectByExtension(const std::string& fileName) {
    const std::string name = platform::ExtractFileName(fileName);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return atNone;
    const std::string ext = LowerAscii(name.substr(dot));
    struct Row {
        const char* ext;
        TArchiverType type;
    };
    static const Row table[] = {
        {".7z", at7z},    {".z", atTgz},   {".gz", atTgz},  {".tgz", atTgz}, {".taz", atTgz},
        {".a", atTar},    {".lib", atTar}, {".tar", atTar}, {".deb", atTar}, {".rpm", atTar},
        {".cpio", atTar}, {".bz2", atBZ2}, {".gza", atBga}, {".bza", atBga}, {".gca", atGCA},
        {".yz1", atYz1},  {".rar", atRar}, {".arj", atArj}, {".jar", atZip}, {".ear", atZip},
        {".war", atZip},  {".zip", atZip}, {".cab", atCab}, {".lzh", atLha},
    };
    for (const Row& row : table)
        if (ext == row.ext)
            return row.type;
    if (ext == ".exe")
        return DetectByContent(fileName);
    return atNone;
}

TArchiverType TArchiveFile::DetectByContent(const std::string& fileName) {
    TArchiverType result = TTar32::DetectType(fileName);
    if (TRar32::IsArchive(fileName))
        result = atRar;
    if (TArj32::IsArchive(fileName))
        result = atArj;
    if (TZip32::IsArchive(fileName))
        result = atZip;
    if (TBGA32::IsArchive(fileName))
        result = atBga;
    if (TYZ1::IsArchive(fileName))
        result = atYz1;
    if (TCab32::IsArchive(fileName))
        result = atCab;
    if (TLha32::IsArchive(fileName))
        result = atLha;
    return result;
}

TArchiver& TArchiveFile::RequireArchiver() {
    if (!archiver_)
        throw EArchiver("書庫の形式を判別できません。");
    return *archiver_;
}

void TArchiveFile::HandleProgress(int state, TExtractingInfoEx* info, bool& abort) {
    if (streamHookSet_)
        StreamHook(state, info);
    if (OnProgress)
        OnProgress(*this, state, info, abort);
}

void TArchiveFile::StreamHook(int state, TExtractingInfoEx* info) {
    // Every file written is collected: a stream member is restored only when its file came out
    // of the same extraction.
    if (state != ARC_STATE_INPROCESS || !info || !streamOptions_)
        return;
    const std::size_t n = strnlen(info->destName, sizeof info->destName);
    if (n > 0 && (streamList_.empty() || streamList_.back() != std::string_view(info->destName, n)))
        streamList_.emplace_back(info->destName, n);
}

std::int32_t TArchiveFile::EnumMembersCallback(void* memberInfo) {
    TArchiveFile* self = enumTarget;
    if (!self || !self->archiver_ || !self->runningOptions_)
        return -1;
    bool abort = false;
    self->archiver_->DoEnumMember(memberInfo, *self->runningOptions_, abort);
    if (self->OnEnumMember)
        self->OnEnumMember(*self, memberInfo, abort);
    return abort ? 0 : -1;
}

int TArchiveFile::Unpack(HWND wnd, const TArchiverOptions* options, const std::string& destDir,
                         const TFileItems& files) {
    commandLine_.clear();
    streamReport_.Clear();
    TArchiver& archiver = RequireArchiver();
    const TArchiverOptions& o = options ? *options : options_;
    struct HookGuard {
        TArchiveFile& f;
        ~HookGuard() {
            f.streamHookSet_ = false;
            f.streamOptions_ = nullptr;
            f.streamList_.clear();
        }
    } hookGuard{*this};
    if (o.IncludeExtraStreams && !o.StreamSeparator.empty()) {
        streamHookSet_ = true;
        streamOptions_ = &o;
        streamList_.clear();
    }
    TAttachment attachment(*this, o);
    const int result = archiver.Unpack(wnd, fileName_, o, destDir, files,
                                       o.ResFileUsage.Contains(ruOnUnpack), commandLine_, output_);
    if (streamHookSet_)
        RestoreNamedStreams(streamList_, o.StreamSeparator, streamReport_);
    return result;
}

int TArchiveFile::Pack(HWND wnd, const TArchiverOptions* options, const std::string& baseDir,
                       const TFileItems& files) {
    commandLine_.clear();
    streamReport_.Clear();
    if (archiverType_ == atAutoDetect)
        SetArchiverType(DetectByContent(fileName_));
    TArchiver& archiver = RequireArchiver();
    const TArchiverOptions& o = options ? *options : options_;
    archiver.LoadDLL();
    if (o.PackFilter == pfArchiver) {
        TAttachment attachment(*this, o);
        return archiver.Pack(wnd, fileName_, o, baseDir, files, o.ResFileUsage.Contains(ruOnPack),
                             commandLine_, output_);
    }
    TArchiverOptions copy = o;
    TStreamExport streams(StreamExportDir, o.StreamSeparator, streamReport_);
    TScanAccepted accepted;
    if (o.IncludeExtraStreams)
        accepted = [&streams](const std::string& path, const std::string& name) {
            streams.Export(path, name);
        };
    TScanResult scan = ScanComponentFiles(
        copy, baseDir, files,
        [this](int state, TExtractingInfoEx* info, bool& abort) {
            HandleProgress(state, info, abort);
        },
        accepted);
    if (scan.Aborted)
        return ARC_ERROR_USER_CANCEL;
    if (scan.Files.empty()) {
        if (!output_.empty())
            output_[0] = '\0';
        return 0;
    }
    TAttachment attachment(*this, copy);
    // The streams go in first: a run stopped between the two calls leaves the files' old
    // versions, which the next run replaces together with their streams.
    if (!streams.Members().empty()) {
        if (const int code =
                archiver.Pack(wnd, fileName_, copy, streams.Dir(), streams.Members(),
                              copy.ResFileUsage.Contains(ruOnPack), commandLine_, output_);
            code >= 0x8000 && code != ARC_ERROR_MAKEDIRECTORY) {
            streamReport_.Packed.clear();
            return code;
        }
    }
    return archiver.Pack(wnd, fileName_, copy, baseDir, scan.Files,
                         copy.ResFileUsage.Contains(ruOnPack), commandLine_, output_);
}

int TArchiveFile::RemoveItems(HWND wnd, const TArchiverOptions* options, const std::string& baseDir,
                              const TFileItems& files) {
    commandLine_.clear();
    if (archiverType_ == atAutoDetect)
        SetArchiverType(DetectByContent(fileName_));
    TArchiver& archiver = RequireArchiver();
    const TArchiverOptions& o = options ? *options : options_;
    TAttachment attachment(*this, o);
    return archiver.RemoveItems(wnd, fileName_, o, baseDir, files,
                                o.ResFileUsage.Contains(ruOnRemoveItem), commandLine_, output_);
}

int TArchiveFile::TestArchive(HWND wnd, const TArchiverOptions* options) {
    commandLine_.clear();
    if (archiverType_ == atAutoDetect)
        SetArchiverType(DetectByContent(fileName_));
    TArchiver& archiver = RequireArchiver();
    const TArchiverOptions& o = options ? *options : options_;
    TAttachment attachment(*this, o);
    return archiver.Test(wnd, fileName_, o, commandLine_, output_);
}

bool TArchiveFile::OpenArchive(HWND wnd, int mode) {
    if (archiverType_ == atAutoDetect)
        SetArchiverType(DetectByContent(fileName_));
    TArchiver& archiver = RequireArchiver();
    CloseArchive();
    archiveHandle_ = archiver.OpenArchive(wnd, fileName_, mode);
    return archiveHandle_ != nullptr;
}

int TArchiveFile::FindFirst(const std::string& wildcard, TMemberInfo& info) {
    TArchiver& archiver = RequireArchiver();
    if (!archiveHandle_)
        return -1;
    return archiver.FindFirst(archiveHandle_, wildcard, info);
}

int TArchiveFile::FindNext(TMemberInfo& info) {
    TArchiver& archiver = RequireArchiver();
    if (!archiveHandle_)
        return -1;
    return archiver.FindNext(archiveHandle_, info);
}

void TArchiveFile::CloseArchive() {
    if (archiveHandle_ && archiver_)
        archiver_->CloseArchive(archiveHandle_);
    archiveHandle_ = nullptr;
}

} // namespace archives
