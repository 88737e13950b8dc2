// An archive as the reading commands see it: libzip's reading through the central
// directory when every member's local header agrees with it, else the members recovered
// from their local headers (see Recovery.h), with the damage described. A file that libzip
// cannot open and that does not start with a local header is no archive at all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MemberCatalog.h"
#include "Recovery.h"
#include "ZipArchive.h"

namespace vmzip {

class ReadableArchive {
public:
    // Throws ArcError when the file is missing, unreadable or no archive.
    explicit ReadableArchive(const std::string& path);

    MemberCatalog& members();
    // Empty when the archive checked out; else what is wrong with it (the members then come
    // from the local headers).
    const std::string& damage() const { return damage_; }
    // What the recovery skipped, as lines for the output.
    std::vector<std::string> notes() const;

private:
    std::unique_ptr<ZipArchive> zip_;
    std::unique_ptr<RecoveredArchive> recovered_;
    std::string damage_;
};

} // namespace vmzip
