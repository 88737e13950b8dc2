#include "MemberSelection.h"

#include "NamePattern.h"

namespace vmla {

std::string WithoutDotPrefix(const std::string& path) {
    std::size_t at = 0;
    while (path.compare(at, 2, "./") == 0)
        at += 2;
    return path.substr(at);
}

MemberSelection::MemberSelection(std::vector<std::string> names, std::vector<std::string> excludes)
    : names_(std::move(names)), excludes_(std::move(excludes)), used_(names_.size(), false),
      enc_(vmzip::LocaleEncoding()) {}

bool MemberSelection::NameTakes(const std::string& name, const std::string& member) const {
    const std::string plainMember = WithoutDotPrefix(member);
    const std::string plainName = WithoutDotPrefix(name);
    std::string dir = plainName;
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    if (plainMember == plainName || plainMember == dir ||
        (!dir.empty() && plainMember.compare(0, dir.size() + 1, dir + "/") == 0))
        return true;
    return vmzip::HasWildcard(plainName, enc_) &&
           vmzip::WildcardMatch(plainName, plainMember, enc_);
}

bool MemberSelection::Takes(const std::string& member) {
    for (const std::string& pattern : excludes_) {
        if (NameTakes(pattern, member))
            return false;
    }
    if (names_.empty())
        return true;
    bool taken = false;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (NameTakes(names_[i], member)) {
            used_[i] = true;
            taken = true;
        }
    }
    return taken;
}

std::vector<std::string> MemberSelection::Unused() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (!used_[i])
            out.push_back(names_[i]);
    }
    return out;
}

} // namespace vmla
