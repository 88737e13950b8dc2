#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "select/TFileNameCompare.h"

#include <algorithm>
#include <string_view>

namespace engine {

std::string ArchiveErrorMessage(int code) {
    const char* text = nullptr;
    switch (code) {
    case 0x8005:
        text = "ディスク容量が不足．";
        break;
    case 0x8008:
    case 0x800C:
    case 0x800D:
    case 0x8014:
    case 0x8016:
    case 0x8017:
    case 0x8018:
    case 0x8019:
    case 0x801A:
    case 0x801B:
        text = "書庫ファイルが異常．";
        break;
    case 0x8027:
        text = "書庫ファイルが書き込み禁止．";
        break;
    case 0x801D:
    case 0x801E:
        text = "メモリー不足.";
        break;
    case 0x8007:
    case 0x8020:
        text = "ユーザーによる処理の中断．";
        break;
    case 0x8025:
    case 0x802C:
        text = "作業ファイルが異常.";
        break;
    case 0x8006:
    case 0x8010:
    case 0x8013:
        text = "ファイル書き込み失敗エラー.";
        break;
    case 0x8009:
    case 0x800F:
    case 0x801F:
    case 0x8022:
    case 0x8023:
    case 0x802B:
    case 0x802D:
        text = "内部エラー.";
        break;
    case 0x800A:
    case 0x800B:
    case 0x800E:
    case 0x8011:
    case 0x8015:
    case 0x801C:
    case 0x8021:
    case 0x8024:
    case 0x8026:
    case 0x8028:
    case 0x8029:
    case 0x802A:
        text = "内部エラー(未定義).";
        break;
    default:
        return {}; // 0x8012 and everything outside 0x8005..0x802D
    }
    return platform::FromUtf8(text);
}

void TVMEngine::PrepareCall(const std::string& archive, Operation op) {
    af_.SetFileName(archive);
    // Set after the name, which may have guessed a type from the extension.
    af_.SetArchiverType(ToFacadeType(state_.ArchiverType));
    options_.w = state_.TempDir;
    af_.SetOutputSize(OutputBufferSize); // emptied: no text of an earlier call is read again
    options_.jso = 1;
    options_.jss = 1;
    options_.jst = 1;
    if (op != Operation::Remove) {
        const std::string threads =
            state_.ArchiverThreads > 0 ? "-jt" + std::to_string(state_.ArchiverThreads) : "";
        if (state_.ArchiverType == engine::atZip)
            options_.UserOptions = threads;
        else
            options_.UserOptions = threads.empty() ? "-- " : threads + " -- ";
    }
}

void TVMEngine::KeepLibraryErrors() {
    // The libraries write one "error: " line for each file or member they could not handle;
    // the result code alone names none of them.
    const std::string_view out(af_.Output());
    constexpr std::string_view tag = "error: ";
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string_view::npos)
            end = out.size();
        const std::string_view line = out.substr(pos, end - pos);
        if (line.substr(0, tag.size()) == tag)
            LastArchiveDetails.push_back(std::string(line.substr(tag.size())));
        pos = end + 1;
    }
}

void TVMEngine::TakeStreamReport() {
    const archives::TStreamReport& report = af_.StreamReport();
    if (report.Unsupported && !streamsUnsupportedReported_) {
        streamsUnsupportedReported_ = true;
        state_.AddStampedLine(" Extended attributes are not supported here; they are skipped.");
        state_.AddLogLine(platform::FromUtf8(
            "拡張属性に対応していないファイルシステムがあるため、その拡張属性は扱いません。"));
    }
    for (const std::string& problem : report.Problems) {
        state_.AddStampedLine(" Extended attribute: " + problem);
        state_.AddErrorLine(problem);
    }
    LastPackedStreams.insert(LastPackedStreams.end(), report.Packed.begin(), report.Packed.end());
}

namespace {

// Whether name is a stream member of the file `file` (its name followed by the stream form).
bool IsStreamOf(const std::string& name, const std::string& file, const std::string& separator) {
    std::string base, stream;
    return archives::SplitStreamMemberName(name, separator, base, stream) && base == file;
}

} // namespace

int TVMEngine::RunBatches(Operation op, const std::string& archive, const std::string& dir,
                          const std::vector<std::string>& names) {
    // A failed batch does not keep the later ones from running (one damaged member must not
    // stop a restore); the first failure is the result. A cancel ends at once.
    int first = 0;
    std::string firstMessage;
    LastArchiveDetails.clear();
    for (std::size_t start = 0, end = 0; start < names.size(); start = end) {
        end = std::min(names.size(), start + BatchSize);
        // A file and its stream members (which follow it) stay in one batch: streams are
        // written back only onto a file of the same extraction.
        if (end < names.size() && end > start) {
            std::size_t file = end - 1;
            while (file > start &&
                   IsStreamOf(names[file], names[file - 1], options_.StreamSeparator))
                --file;
            while (end < names.size() &&
                   IsStreamOf(names[end], names[file], options_.StreamSeparator))
                ++end;
        }
        const archives::TFileItems batch(names.begin() + static_cast<std::ptrdiff_t>(start),
                                         names.begin() + static_cast<std::ptrdiff_t>(end));
        PrepareCall(archive, op);
        int code = 0;
        switch (op) {
        case Operation::Pack:
            code = af_.Pack(nullptr, &options_, dir, batch);
            TakeStreamReport();
            break;
        case Operation::Unpack:
            code = af_.Unpack(nullptr, &options_, dir, batch);
            TakeStreamReport();
            break;
        case Operation::Remove:
            code = af_.RemoveItems(nullptr, &options_, dir, batch);
            break;
        case Operation::Test:
            break; // one call per archive, without names (TestArchive)
        }
        if (std::string message = ArchiveErrorMessage(code); !message.empty()) {
            KeepLibraryErrors();
            if (code == 0x8020 || code == 0x8007) {
                LastArchiveError = std::move(message);
                return code;
            }
            if (first == 0) {
                first = code;
                firstMessage = std::move(message);
            }
        }
    }
    if (first != 0)
        LastArchiveError = std::move(firstMessage);
    return first;
}

int TVMEngine::PackFiles(const std::string& archive, const std::string& baseDir, bool regExp,
                         const std::string& noCompress, const std::vector<std::string>& files) {
    LastPackedStreams.clear();
    // Extended attributes are exported into a scratch directory of the working directory, made
    // when the first file with attributes is met: a killed run's leftovers are removed by the
    // next run like every scratch directory.
    struct ExportDirReset {
        TVMEngine& e;
        ~ExportDirReset() {
            e.streamExportDir_.reset();
            e.af_.StreamExportDir = nullptr;
        }
    } exportDirReset{*this};
    af_.StreamExportDir = [this]() -> std::string {
        if (!streamExportDir_)
            if (auto dir = TScratchDirectory::Create(state_.TempDir))
                streamExportDir_.emplace(std::move(*dir));
        return streamExportDir_ ? streamExportDir_->Path() : std::string();
    };
    std::vector<std::string> stored;
    std::vector<std::string> compressed;
    if (noCompress.empty()) {
        compressed = files;
    } else {
        selection::TFileNameCompare patterns;
        patterns.SetUseRegExp(regExp);
        patterns.SetFilePatterns(platform::LowerCase(noCompress));
        for (const auto& name : files)
            (patterns.MatchName(platform::LowerCase(name)) ? stored : compressed).push_back(name);
    }
    int r1 = 0, r2 = 0;
    if (!compressed.empty()) {
        options_.jm = -1;
        r1 = RunBatches(Operation::Pack, archive, baseDir, compressed);
    }
    // The stored files go in even when the compressed ones failed.
    if (!stored.empty()) {
        options_.jm = 0;
        r2 = RunBatches(Operation::Pack, archive, baseDir, stored);
        options_.jm = -1;
    }
    if (r1 != 0) {
        LastArchiveError = ArchiveErrorMessage(r1);
        return r1;
    }
    return r2;
}

int TVMEngine::UnpackFiles(const std::string& archive, const std::string& destDir,
                           const std::vector<std::string>& members) {
    return RunBatches(Operation::Unpack, archive, destDir, members);
}

int TVMEngine::RemoveFiles(const std::string& archive, const std::vector<std::string>& members) {
    return RunBatches(Operation::Remove, archive, state_.TempDir, members);
}

} // namespace engine
