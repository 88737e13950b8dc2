#include "archives/ComponentFileScan.h"

#include "archives/ArchiverErrors.h"
#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_set>

namespace archives {

namespace {

bool HasWildcard(std::string_view mask) {
    return mask.find_first_of("*?") != std::string_view::npos;
}

bool MatchFrom(std::string_view name, std::size_t n, std::string_view mask, std::size_t m) {
    while (m < mask.size()) {
        if (mask[m] == '*') {
            while (m < mask.size() && mask[m] == '*')
                ++m;
            if (m == mask.size())
                return true;
            for (std::size_t i = n; i < name.size(); i += platform::CharLengthAt(name, i))
                if (MatchFrom(name, i, mask, m))
                    return true;
            return false;
        }
        if (n >= name.size())
            return false;
        const std::size_t nl = platform::CharLengthAt(name, n);
        const std::size_t ml = platform::CharLengthAt(mask, m);
        if (!(ml == 1 && mask[m] == '?') && name.substr(n, nl) != mask.substr(m, ml))
            return false;
        n += nl;
        m += ml;
    }
    return n == name.size();
}

// One mask of a search: a wildcard pattern, or an exact name.
struct Mask {
    std::string text;
    bool literal = false;

    bool Matches(const std::string& name) const {
        return literal ? name == text : MatchesMask(name, text);
    }
    bool HasWildcard() const { return !literal && archives::HasWildcard(text); }
};

class Scanner {
public:
    Scanner(const TArchiverOptions& options, std::string base, const TScanProgress& progress,
            const TScanAccepted& accepted)
        : options_(options), base_(std::move(base)), progress_(progress), accepted_(accepted) {
        searchAttr_ = options.a >= 1 ? 0x27 : 0x21;
        const int year = platform::DecodeDateTime(platform::Now()).year;
        lower_ = ParseDateLimit(options.jo, false, year);
        upper_ = ParseDateLimit(options.job, true, year);
    }

    void CollectExclusions() {
        for (const std::string& line : options_.jx)
            if (!line.empty())
                SearchItem(line, true);
    }

    void Select(const TFileItems& items) {
        bool any = false;
        for (const std::string& item : items) {
            if (item.empty())
                continue;
            any = true;
            SearchItem(item, false);
            if (abort_)
                return;
        }
        if (!any)
            SearchDir("", Mask{"*.*", false}, false);
    }

    TScanResult TakeResult() {
        TScanResult r;
        r.Files = std::move(files_);
        r.Aborted = abort_;
        return r;
    }

private:
    std::string DiskPath(const std::string& relative) const {
        if (!relative.empty() && relative[0] == platform::PathDelim)
            return relative;
        return base_ + relative;
    }

    void SearchItem(const std::string& item, bool exclusion) {
        const std::string path = DiskPath(item);
        if (options_.r >= 2 && platform::DirectoryExists(path) && platform::FindEntry(path)) {
            SearchDir(platform::IncludeTrailingPathDelimiter(item), Mask{"*.*", false}, exclusion);
            return;
        }
        const std::size_t slash = item.find_last_of(platform::PathDelim);
        const std::string dir = slash == std::string::npos ? "" : item.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? item : item.substr(slash + 1);
        if (name.empty())
            return;
        // A name that exists exactly is that entry, whatever characters it holds.
        const bool literal = !HasWildcard(name) || platform::EntryExists(path);
        // An exact name that the scan does not carry into subdirectories is that one entry:
        // looked up directly instead of listing its whole directory for every name.
        if (literal && (options_.r < 1 || options_.p > 0)) {
            if (const auto e = platform::FindEntry(path))
                AcceptEntry(dir, *e, exclusion);
            return;
        }
        SearchDir(dir, Mask{name, literal}, exclusion);
    }

    void AcceptEntry(const std::string& dir, const platform::FileEntry& e, bool exclusion) {
        if (e.Attr & platform::faDirectory)
            return;
        if (!platform::MatchesSearchAttr(e.Attr, searchAttr_))
            return;
        if ((lower_ != 0 && e.Time < lower_) || (upper_ != 0 && e.Time > upper_))
            return;
        Accept(dir + e.Name, exclusion);
    }

    void SearchDir(const std::string& dir, const Mask& mask, bool exclusion) {
        std::vector<platform::FileEntry> entries;
        if (!platform::ListDirectory(DiskPath(dir), entries))
            return;
        for (const platform::FileEntry& e : entries) {
            if (abort_)
                return;
            if (mask.Matches(e.Name))
                AcceptEntry(dir, e, exclusion);
        }
        if (options_.r < 1 || (options_.p > 0 && !mask.HasWildcard()))
            return;
        for (const platform::FileEntry& e : entries) {
            if (abort_)
                return;
            if ((e.Attr & platform::faDirectory) && platform::MatchesSearchAttr(e.Attr, 0x16))
                SearchDir(dir + e.Name + platform::PathDelim, mask, exclusion);
        }
    }

    void Accept(const std::string& name, bool exclusion) {
        if (exclusion) {
            exclusions_.insert(name);
            return;
        }
        if (exclusions_.count(name) || !seen_.insert(name).second)
            return;
        files_.push_back(name);
        if (accepted_)
            accepted_(DiskPath(name), name);
        if (progress_) {
            TExtractingInfoEx info{};
            const std::size_t n = std::min(name.size(), sizeof info.sourceName - 1);
            std::memcpy(info.sourceName, name.data(), n);
            bool abort = false;
            progress_(ARC_STATE_SELECT, &info, abort);
            if (abort)
                abort_ = true;
        }
    }

    const TArchiverOptions& options_;
    const std::string base_;
    const TScanProgress& progress_;
    const TScanAccepted& accepted_;
    std::uint32_t searchAttr_ = 0x21;
    platform::TDateTime lower_ = 0, upper_ = 0;
    std::set<std::string> exclusions_;
    std::unordered_set<std::string> seen_;
    TFileItems files_;
    bool abort_ = false;
};

} // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*")
        mask = "*";
    const std::string lowerName = platform::LowerCase(name);
    const std::string lowerMask = platform::LowerCase(mask);
    return MatchFrom(lowerName, 0, lowerMask, 0);
}

platform::TDateTime ParseDateLimit(const std::string& text, bool upper, int currentYear) {
    if (IsNulString(text))
        return 0;
    std::string s = text;
    if (!s.empty() && s[0] == 'l')
        s.erase(0, 1);
    if (s.size() != 6 && s.size() != 8 && s.size() != 12 && s.size() != 14)
        return 0;
    if (!std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw EArchiver("日付の指定 " + text + " が正しくありません。");
    const bool longYear = s.size() == 8 || s.size() == 14;
    if (s.size() <= 8)
        s += upper ? "235959" : "000000";
    auto num = [&](std::size_t pos, std::size_t len) { return std::stoi(s.substr(pos, len)); };
    std::size_t pos = 0;
    int year;
    if (longYear) {
        year = num(0, 4);
        pos = 4;
    } else {
        const int pivot = currentYear - 50;
        year = pivot / 100 * 100 + num(0, 2);
        if (year < pivot)
            year += 100;
        pos = 2;
    }
    platform::TDateTime date, time;
    if (!platform::TryEncodeDate(year, num(pos, 2), num(pos + 2, 2), date) ||
        !platform::TryEncodeTime(num(pos + 4, 2), num(pos + 6, 2), num(pos + 8, 2), 0, time))
        throw EArchiver("日付の指定 " + text + " が正しくありません。");
    return date + time;
}

TScanResult ScanComponentFiles(TArchiverOptions& options, const std::string& baseDir,
                               const TFileItems& items, const TScanProgress& progress,
                               const TScanAccepted& accepted) {
    const std::string base = baseDir.empty() || IsNulString(baseDir)
                                 ? std::string()
                                 : platform::IncludeTrailingPathDelimiter(baseDir);
    if (!base.empty() && !platform::DirectoryExists(base))
        throw EArchiver("圧縮するファイルのあるディレクトリ " + baseDir + " が見つかりません。");
    Scanner scanner(options, base, progress, accepted);
    scanner.CollectExclusions();
    scanner.Select(items);
    options.r = -1;
    options.jo = NulString;
    options.job = NulString;
    options.p = 1;
    return scanner.TakeResult();
}

} // namespace archives
