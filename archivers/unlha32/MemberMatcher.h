// Which members a command's names select: all members when there are no names; otherwise the
// member of exactly that path, or, for a name with '*' or '?' that is no member's path, the
// members it matches as a wildcard. -jx patterns leave members out.
#pragma once

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace unlha {

class MemberMatcher {
public:
    MemberMatcher(const std::vector<std::string>& names, const std::vector<std::string>& excludes);

    // True when some name needs the member paths (Resolve) before matching.
    bool NeedsMemberPaths() const;
    // Names that are some member's exact path match only that member.
    void Resolve(const std::set<std::string>& memberPaths);

    bool Matches(const std::string& path);
    // Names without wildcards that matched no member.
    std::vector<std::string> Unmatched() const;

private:
    struct Name {
        std::string text;
        bool wildcard;
        bool matched = false;
    };
    std::vector<Name> names_;
    // Exact names by text (a batch of hundreds of names against thousands of members), and
    // the wildcards.
    std::unordered_map<std::string, std::vector<std::size_t>> exact_;
    std::vector<std::size_t> wildcards_;
    std::vector<std::string> excludes_;

    void Index();
};

} // namespace unlha

namespace unlha {
// Resolves matcher against the member paths of the archive when its names need them.
void ResolveNames(MemberMatcher& matcher, const std::string& archive);
} // namespace unlha
