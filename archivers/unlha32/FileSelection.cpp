#include "archivers/unlha32/FileSelection.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Wildcard.h"

namespace unlha {
namespace {

struct Context {
    const Command& command;
    const std::vector<std::pair<dev_t, ino_t>>& skip;
    std::string base; // base directory with a trailing '/', or empty
    bool hidden;
    int recurse;
    std::optional<int64_t> after, before;
    Selection result;
    std::set<std::string> seen;
};

// The member name of a relative name: empty and "." parts dropped; nullopt for "..".
std::optional<std::string> NormalizeName(const std::string& name) {
    std::string out;
    std::size_t i = 0;
    while (i <= name.size()) {
        std::size_t slash = name.find('/', i);
        if (slash == std::string::npos)
            slash = name.size();
        const std::string part = name.substr(i, slash - i);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".") {
            if (!out.empty())
                out += '/';
            out += part;
        }
        i = slash + 1;
    }
    return out;
}

bool Excluded(const Context& c, const std::string& memberName) {
    const std::size_t slash = memberName.rfind('/');
    const std::string bare = slash == std::string::npos ? memberName : memberName.substr(slash + 1);
    for (const std::string& pattern : c.command.switches.Excludes())
        if (pattern == memberName || pattern == bare || WildcardMatch(pattern, memberName) ||
            WildcardMatch(pattern, bare))
            return true;
    return false;
}

void Problem(Context& c, int32_t code, std::string message) {
    c.result.problems.push_back({code, std::move(message)});
}

bool Skipped(const Context& c, const struct stat& st) {
    return std::find(c.skip.begin(), c.skip.end(), std::make_pair(st.st_dev, st.st_ino)) !=
           c.skip.end();
}

void Accept(Context& c, const std::string& path, const std::string& memberName,
            const struct stat& st, bool directory) {
    if (memberName.empty() || Skipped(c, st) || Excluded(c, memberName))
        return;
    if (!directory &&
        ((c.after && st.st_mtime < *c.after) || (c.before && st.st_mtime > *c.before)))
        return;
    if (!c.seen.insert(memberName).second)
        return;
    c.result.files.push_back({path, memberName, directory});
}

// Files of the directory (path, member prefix) matching mask; recursive with -r.
void Search(Context& c, const std::string& dirPath, const std::string& prefix,
            const std::string& mask, bool wholeTree) {
    DIR* dir = ::opendir(dirPath.empty() ? "." : dirPath.c_str());
    if (dir == nullptr) {
        // Files below it would be lost without a word: the directory is reported.
        const int err = errno;
        if (err != ENOENT)
            Problem(
                c, err == ENOMEM ? ARC_ERROR_ENOUGH_MEMORY : ARC_ERROR_FILE_OPEN,
                WithErrno("cannot read the directory " + (dirPath.empty() ? "." : dirPath), err));
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name[0] == '.' && !c.hidden)
            continue;
        const std::string path = dirPath + name;
        struct stat lst {};
        if (::lstat(path.c_str(), &lst) != 0) {
            // A file removed since the directory was read is no longer there to pack.
            if (errno != ENOENT)
                Problem(c, ARC_ERROR_FILE_OPEN, WithErrno("cannot read " + path, errno));
            continue;
        }
        if (S_ISDIR(lst.st_mode)) {
            if (c.recurse >= 1 || wholeTree)
                Search(c, path + "/", prefix + name + "/", mask, wholeTree);
            continue;
        }
        struct stat st {};
        // A link to a file is taken as that file; links to directories are never descended,
        // dangling links and special files are left out.
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (wholeTree || WildcardMatch(mask, name))
            Accept(c, path, prefix + name, st, false);
    }
}

void SelectName(Context& c, const std::string& given) {
    std::string name = given;
    std::string path;
    std::string relative;
    if (!name.empty() && name[0] == '/') {
        path = name;
        // An absolute name below the base directory is stored relative to it.
        if (!c.base.empty() && name.compare(0, c.base.size(), c.base) == 0)
            relative = name.substr(c.base.size());
        else
            relative = name.substr(1);
    } else {
        path = c.base + name;
        relative = name;
    }
    const std::optional<std::string> memberName = NormalizeName(relative);
    if (!memberName) {
        Problem(c, ARC_ERROR_NOT_EXIST, given + ": a name with \"..\" cannot be stored");
        return;
    }
    struct stat st {};
    const int found = ::stat(path.c_str(), &st);
    const int err = found == 0 ? 0 : errno;
    if (found == 0) {
        if (S_ISREG(st.st_mode)) {
            Accept(c, path, *memberName, st, false);
        } else if (S_ISDIR(st.st_mode)) {
            if (c.recurse >= 1) {
                std::string dir = path;
                if (dir.back() != '/')
                    dir += '/';
                Search(c, dir, memberName->empty() ? "" : *memberName + "/", "*", true);
            } else {
                Accept(c, path, *memberName, st, true);
            }
        } else {
            Problem(c, ARC_ERROR_NOT_EXIST, given + ": not a regular file");
        }
        return;
    }
    if (HasWildcard(name)) {
        const std::size_t slash = path.rfind('/');
        const std::string dirPath = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        const std::string mask = path.substr(slash == std::string::npos ? 0 : slash + 1);
        const std::size_t mslash = memberName->rfind('/');
        const std::string prefix =
            mslash == std::string::npos ? "" : memberName->substr(0, mslash + 1);
        if (HasWildcard(dirPath)) {
            Problem(c, ARC_ERROR_NOT_EXIST, given + ": wildcards only in the last part of a name");
            return;
        }
        Search(c, dirPath, prefix, mask, false);
        return;
    }
    if (err != ENOENT && err != ENOTDIR)
        Problem(c, ARC_ERROR_FILE_OPEN, WithErrno("cannot read " + path, err));
    else
        Problem(c, ARC_ERROR_NOT_EXIST, given + ": no such file");
}

} // namespace

std::optional<int64_t> ParseDateLimit(const std::string& text, bool upper) {
    std::string s = text;
    if (!s.empty() && (s[0] == 'l' || s[0] == 'L'))
        s.erase(0, 1);
    if (!std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return std::nullopt;
    std::string date, time;
    if (s.size() == 6 || s.size() == 8) {
        date = s;
        time = upper ? "235959" : "000000";
    } else if (s.size() == 12 || s.size() == 14) {
        date = s.substr(0, s.size() - 6);
        time = s.substr(s.size() - 6);
    } else {
        return std::nullopt;
    }
    int year;
    if (date.size() == 6) {
        // A two-digit year lies at most 50 years before the current year.
        const time_t now = ::time(nullptr);
        struct tm nowTm {};
        localtime_r(&now, &nowTm);
        const int current = nowTm.tm_year + 1900;
        year = (current / 100) * 100 + std::stoi(date.substr(0, 2));
        if (year > current + 49)
            year -= 100;
        else if (year < current - 50)
            year += 100;
        date.erase(0, 2);
    } else {
        year = std::stoi(date.substr(0, 4));
        date.erase(0, 4);
    }
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = std::stoi(date.substr(0, 2)) - 1;
    tm.tm_mday = std::stoi(date.substr(2, 2));
    tm.tm_hour = std::stoi(time.substr(0, 2));
    tm.tm_min = std::stoi(time.substr(2, 2));
    tm.tm_sec = std::stoi(time.substr(4, 2));
    tm.tm_isdst = -1;
    const time_t t = ::mktime(&tm);
    if (t == static_cast<time_t>(-1))
        return std::nullopt;
    return static_cast<int64_t>(t);
}

Selection SelectFiles(const Command& command, const std::vector<std::pair<dev_t, ino_t>>& skip) {
    Context c{command,
              skip,
              command.directory,
              command.switches.Number("a", 0) >= 1,
              command.switches.Number("r", 0),
              std::nullopt,
              std::nullopt,
              {},
              {}};
    if (const auto jo = command.switches.Text("jo"))
        c.after = ParseDateLimit(*jo, false);
    if (const auto job = command.switches.Text("job"))
        c.before = ParseDateLimit(*job, true);
    for (const std::string& name : command.names)
        SelectName(c, name);
    return std::move(c.result);
}

} // namespace unlha
