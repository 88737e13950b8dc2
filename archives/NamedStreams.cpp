#include "archives/NamedStreams.h"

#include "archives/CmdOpt.h"
#include "platform/CodePage.h"
#include "platform/ExtendedAttributes.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"
#include "platform/TempDirectory.h"

#include <algorithm>
#include <random>

namespace archives {

namespace {

constexpr std::string_view StreamType = "$DATA";
// The member path field of the libraries' records holds this many bytes.
constexpr std::size_t MaxMemberName = 512;

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// A name as it can be shown in the run log: bytes that are no text become \xNN.
std::string Printable(std::string_view name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || u >= 0x80) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

char StreamNameDelimiter(const std::string& separator) {
    return separator.size() == 2 ? separator[0] : ':';
}

std::string StreamMemberName(std::string_view name, std::string_view stream,
                             const std::string& separator) {
    const char d = StreamNameDelimiter(separator);
    std::string member(name);
    member += d;
    member += stream;
    member += d;
    member += StreamType;
    return member;
}

bool SplitStreamMemberName(std::string_view member, const std::string& separator, std::string& base,
                           std::string& stream) {
    const char d = StreamNameDelimiter(separator);
    const std::size_t tail = StreamType.size() + 1;
    if (member.size() <= tail || member[member.size() - tail] != d ||
        member.substr(member.size() - StreamType.size()) != StreamType)
        return false;
    const std::string_view rest = member.substr(0, member.size() - tail);
    const std::size_t cut = rest.rfind(d);
    if (cut == std::string_view::npos || cut == 0 || cut + 1 == rest.size() ||
        rest[cut - 1] == platform::PathDelim)
        return false;
    const std::string_view s = rest.substr(cut + 1);
    if (s.find(platform::PathDelim) != std::string_view::npos)
        return false;
    base.assign(rest.substr(0, cut));
    stream.assign(s);
    return true;
}

bool CanCarryStreamName(std::string_view stream, const std::string& separator) {
    if (stream.empty())
        return false;
    const char d = StreamNameDelimiter(separator);
    bool ascii = true;
    for (const char c : stream) {
        const auto u = static_cast<unsigned char>(c);
        if (c == d || c == platform::PathDelim || u < 0x20 || u == 0x7F)
            return false;
        ascii = ascii && u < 0x80;
    }
    if (ascii)
        return true;
    // C1 control characters (U+0080..U+009F) are no text either.
    for (std::size_t i = 0; i + 1 < stream.size(); ++i)
        if (static_cast<unsigned char>(stream[i]) == 0xC2 &&
            static_cast<unsigned char>(stream[i + 1]) < 0xA0)
            return false;
    return platform::ActiveCodePage() == platform::CodePage::Utf8 && platform::IsValidUtf8(stream);
}

TStreamExport::TStreamExport(std::function<std::string()> dirSource, std::string separator,
                             TStreamReport& report)
    : dirSource_(std::move(dirSource)), separator_(std::move(separator)), report_(report) {}

TStreamExport::~TStreamExport() {
    for (const std::string& f : madeFiles_)
        platform::DeleteFile(f);
    for (auto it = madeDirs_.rbegin(); it != madeDirs_.rend(); ++it)
        platform::RemoveDir(*it);
}

bool TStreamExport::EnsureDir() {
    if (!dir_.empty())
        return true;
    if (dirFailed_)
        return false;
    std::string dir = dirSource_ ? dirSource_() : std::string();
    if (dir.empty()) {
        // A private directory of this operation below the user's temporary directory.
        static std::mt19937_64 generator{std::random_device{}()};
        const std::string prefix =
            platform::IncludeTrailingPathDelimiter(platform::SystemTempDir()) + "vmstreams";
        for (int attempt = 0; attempt < 20 && dir.empty(); ++attempt) {
            const std::string candidate = prefix + std::to_string(generator() % 100000000);
            if (platform::MakePrivateDirectory(candidate)) {
                dir = candidate;
                madeDirs_.push_back(candidate);
            }
        }
    }
    if (dir.empty() || !platform::DirectoryExists(dir)) {
        dirFailed_ = true;
        report_.Problems.push_back(
            Text("拡張属性を書き出す作業ディレクトリを作成できません。拡張属性は保存されません。"));
        return false;
    }
    dir_ = platform::IncludeTrailingPathDelimiter(dir);
    return true;
}

bool TStreamExport::EnsureParents(const std::string& name) {
    for (std::size_t pos = name.find(platform::PathDelim); pos != std::string::npos;
         pos = name.find(platform::PathDelim, pos + 1)) {
        const std::string dir = dir_ + name.substr(0, pos);
        if (platform::DirectoryExists(dir))
            continue;
        if (!platform::MakePrivateDirectory(dir))
            return false;
        madeDirs_.push_back(dir);
    }
    return true;
}

void TStreamExport::Export(const std::string& path, const std::string& name) {
    // Names outside the base (absolute ones) have no place below the export directory.
    if (name.empty() || name[0] == platform::PathDelim)
        return;
    std::vector<platform::ExtendedAttribute> attributes;
    std::string error;
    switch (platform::ReadUserAttributes(path, attributes, error)) {
    case platform::XattrResult::Ok:
        break;
    case platform::XattrResult::Unsupported:
        report_.Unsupported = true;
        return;
    case platform::XattrResult::Failed:
        report_.Problems.push_back(Text("拡張属性を読み込めません：") + error);
        return;
    }
    if (attributes.empty() || !EnsureDir())
        return;
    for (const platform::ExtendedAttribute& a : attributes) {
        const std::string member = StreamMemberName(name, a.Name, separator_);
        if (!CanCarryStreamName(a.Name, separator_) || !CanCarryName(member) ||
            member.size() > MaxMemberName) {
            report_.Problems.push_back(
                Text("拡張属性の名前を書庫に格納できないため除外しました：") + path + " (user." +
                Printable(a.Name) + ")");
            continue;
        }
        if (!EnsureParents(member)) {
            report_.Problems.push_back(Text("拡張属性を書き出せません：") + path + " (user." +
                                       a.Name + ")");
            continue;
        }
        const std::string file = dir_ + member;
        if (!platform::WriteNewFile(file, a.Value, path, error)) {
            report_.Problems.push_back(Text("拡張属性を書き出せません：") + error);
            continue;
        }
        madeFiles_.push_back(file);
        members_.push_back(member);
        report_.Packed.push_back({member, static_cast<std::int64_t>(a.Value.size())});
    }
}

void RestoreNamedStreams(const std::vector<std::string>& extracted, const std::string& separator,
                         TStreamReport& report) {
    std::vector<std::string> sorted = extracted;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const auto wasExtracted = [&](const std::string& path) {
        return std::binary_search(sorted.begin(), sorted.end(), path);
    };
    for (const std::string& path : sorted) {
        const std::string dir = platform::ExtractFilePath(path);
        std::string base, stream;
        if (!SplitStreamMemberName(platform::ExtractFileName(path), separator, base, stream) ||
            !wasExtracted(dir + base))
            continue;
        const std::string file = dir + base;
        const auto entry = platform::FindEntry(path);
        if (!entry || platform::IsSymbolicLink(path))
            continue; // not written by this extraction after all
        // Where attributes are not kept at all the members are dropped (the archive keeps
        // them). A member that cannot become an attribute otherwise stays an ordinary file:
        // it may be a file of the user's that only looks like a stream member.
        std::string error;
        if (report.Unsupported) {
            platform::DeleteFile(path);
            continue;
        }
        if (entry->Size > platform::MaxAttributeValue) {
            report.Problems.push_back(
                Text("拡張属性としては大きすぎるため、ファイルのまま復元しました：") + path);
            continue;
        }
        std::string value;
        try {
            value = platform::ReadFile(path);
        } catch (const platform::EFileError& e) {
            report.Problems.push_back(Text("拡張属性を復元できません：") + e.what());
            continue;
        }
        switch (platform::WriteUserAttribute(file, stream, value, error)) {
        case platform::XattrResult::Ok:
            platform::DeleteFile(path);
            break;
        case platform::XattrResult::Unsupported:
            report.Unsupported = true;
            platform::DeleteFile(path);
            break;
        case platform::XattrResult::Failed:
            report.Problems.push_back(
                Text("拡張属性を復元できないため、ファイルのまま残しました：") + error);
            break;
        }
    }
}

} // namespace archives
