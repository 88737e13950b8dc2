#include "ui/TaskRows.h"

namespace ui {

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

// Replaces the first directory of dir (after a leading "/" or "/.../") with "...".
// "/a/b/c/" -> "/.../b/c/", "/.../b/c/" -> "/.../c/", "a/b/" -> ".../b/".
std::string CutFirstDirectory(const std::string& dir) {
    const bool root = !dir.empty() && dir[0] == '/';
    std::string rest = root ? dir.substr(1) : dir;
    if (rest.rfind(".../", 0) == 0)
        rest = rest.substr(4);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos || slash + 1 >= rest.size())
        return root ? "/.../" : ".../";
    return std::string(root ? "/" : "") + ".../" + rest.substr(slash + 1);
}

} // namespace

std::string SourceColumnText(const definition::TVMTask& task) {
    // Lines end at CR LF, CR or LF; a break at the very end starts no further line.
    const std::string& dirs = task.SrcDirs;
    const std::size_t end = dirs.find_first_of("\r\n");
    if (end == std::string::npos)
        return Trim(dirs);
    std::size_t next = end + 1;
    if (dirs[end] == '\r' && next < dirs.size() && dirs[next] == '\n')
        ++next;
    if (next >= dirs.size())
        return Trim(dirs);
    return Trim(dirs.substr(0, end)) + "+";
}

std::string ConditionColumnText(const definition::TVMTask& task) {
    return "Target='" + task.TargetFiles + "' " + "; Exception='" + task.SkipFiles + "'";
}

std::string MinimizeName(const std::string& path, int maxWidth,
                         const std::function<int(const std::string&)>& width) {
    if (width(path) <= maxWidth)
        return path;
    const std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string result = path;
    while (!dir.empty() && width(result) > maxWidth) {
        if (dir == "/.../")
            dir = ".../";
        else if (dir == ".../")
            dir.clear();
        else
            dir = CutFirstDirectory(dir);
        result = dir + name;
    }
    return result;
}

} // namespace ui
