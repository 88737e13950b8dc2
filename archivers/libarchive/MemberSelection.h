// Which members (or files) a command's names take: a name that equals a member's path takes
// that member and, as a directory, everything below it; a name with '*', '?' or '[' that names
// no member exactly is a wildcard over the whole path. No names take every member. Names that
// take nothing are reported at the end of the command.
#pragma once

#include <string>
#include <vector>

#include "TextBytes.h"

namespace vmla {

class MemberSelection {
public:
    MemberSelection(std::vector<std::string> names, std::vector<std::string> excludes);

    bool Takes(const std::string& member);
    // The names that took no member so far.
    std::vector<std::string> Unused() const;

private:
    bool NameTakes(const std::string& name, const std::string& member) const;

    std::vector<std::string> names_;
    std::vector<std::string> excludes_;
    std::vector<bool> used_;
    vmzip::TextEncoding enc_;
};

// The path without leading "./" parts (bsdtar stores "./name").
std::string WithoutDotPrefix(const std::string& path);

} // namespace vmla
