#include "archivers/unlha32/MemberMatcher.h"

#include "archivers/unlha32/Wildcard.h"

namespace unlha {

MemberMatcher::MemberMatcher(const std::vector<std::string>& names,
                             const std::vector<std::string>& excludes)
    : excludes_(excludes) {
    for (const std::string& n : names)
        names_.push_back({n, HasWildcard(n)});
    Index();
}

void MemberMatcher::Index() {
    exact_.clear();
    wildcards_.clear();
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i].wildcard)
            wildcards_.push_back(i);
        else
            exact_[names_[i].text].push_back(i);
    }
}

bool MemberMatcher::NeedsMemberPaths() const {
    return !wildcards_.empty();
}

void MemberMatcher::Resolve(const std::set<std::string>& memberPaths) {
    for (Name& n : names_)
        if (n.wildcard && memberPaths.count(n.text) != 0)
            n.wildcard = false;
    Index();
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
    if (const auto it = exact_.find(path); it != exact_.end()) {
        for (std::size_t i : it->second)
            names_[i].matched = true;
        any = true;
    }
    for (std::size_t i : wildcards_) {
        if (WildcardMatch(names_[i].text, path)) {
            names_[i].matched = true;
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
    // Damage is left to the command, which reports it when it meets it.
    while (reader.NextIntact(header, [](const ArchiveError&) {}))
        paths.insert(header.path);
    matcher.Resolve(paths);
}

} // namespace unlha
