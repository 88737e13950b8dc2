#include "archivers/unlha32/MemberMatcher.h"

#include "archivers/unlha32/Wildcard.h"

namespace unlha {

MemberMatcher::MemberMatcher(const std::vector<std::string>& names,
                             const std::vector<std::string>& excludes)
    : excludes_(excludes) {
    for (const std::string& n : names)
        names_.push_back({n, HasWildcard(n)});
}

bool MemberMatcher::NeedsMemberPaths() const {
    for (const Name& n : names_)
        if (n.wildcard)
            return true;
    return false;
}

void MemberMatcher::Resolve(const std::set<std::string>& memberPaths) {
    for (Name& n : names_)
        if (n.wildcard && memberPaths.count(n.text) != 0)
            n.wildcard = false;
}

bool MemberMatcher::Matches(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string bare = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const std::string& x : excludes_)
        if (x == path || x == bare || WildcardMatch(x, path) || WildcardMatch(x, bare))
            return false;
    if (names_.empty())
        return true;
    bool any = false;
    for (Name& n : names_) {
        if (n.wildcard ? WildcardMatch(n.text, path) : n.text == path) {
            n.matched = true;
            any = true;
        }
    }
    return any;
}

std::vector<std::string> MemberMatcher::Unmatched() const {
    std::vector<std::string> out;
    for (const Name& n : names_)
        if (!n.wildcard && !n.matched)
            out.push_back(n.text);
    return out;
}

} // namespace unlha

#include "archivers/unlha32/ArchiveReader.h"

namespace unlha {

void ResolveNames(MemberMatcher& matcher, const std::string& archive) {
    if (!matcher.NeedsMemberPaths())
        return;
    std::set<std::string> paths;
    ArchiveReader reader(archive);
    MemberHeader header;
    while (reader.Next(header))
        paths.insert(header.path);
    matcher.Resolve(paths);
}

} // namespace unlha
