// The members of an archive found again by their local headers, walking the file from its
// start, for an archive whose central directory is missing, cut off or not to be trusted.
// Stored and deflated members are read with the sizes of their local header; a deflated
// member with a data descriptor (sizes unknown in its header) is inflated to find its end and
// checked against the descriptor. What cannot be read this way (a stored member of unknown
// size, an encrypted one, another method, data that ends with the file) is kept as a member
// that fails by name when it is read, and the walk goes on at the next local header it finds.
// Unix modes are in the central directory only: members get them from verified central
// entries when there are any, else plain file and directory modes (so a symbolic link member
// comes back as a file holding the link's target, never as a link).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "MemberCatalog.h"
#include "ZipRecords.h"

namespace vmzip {

// True when the file starts with a local header, as every ZIP archive without data in front
// of it does.
bool StartsWithLocalHeader(const std::string& path);

struct RecoveredMember {
    MemberInfo info;
    uint64_t dataOffset = 0;
    // Why the data cannot be read (0: it can, with the size and CRC in info).
    int32_t problemCode = 0;
    std::string problem;
};

class RecoveredArchive : public MemberCatalog {
public:
    // Walks the archive. hints: central entries known to agree with their local header, by
    // the header's offset. Throws ArcError when the file cannot be read.
    RecoveredArchive(const std::string& path,
                     const std::unordered_map<uint64_t, CentralEntry>* hints);

    // Stretches of the file that were skipped or cut off, as lines for the output.
    const std::vector<std::string>& notes() const { return notes_; }

    uint64_t count() const override { return members_.size(); }
    std::string NameOf(uint64_t index) const override { return members_[index].info.name; }
    MemberInfo Describe(uint64_t index) const override { return members_[index].info; }
    int64_t Find(const std::string& name) override;
    std::unique_ptr<MemberData> Open(uint64_t index) override;

private:
    void Walk(const std::unordered_map<uint64_t, CentralEntry>* hints);
    // The end of the member's data when its header does not give it; fills size and CRC.
    bool MeasureDeflated(const LocalHeader& header, RecoveredMember& m, uint64_t& next);

    RawFile file_;
    std::vector<RecoveredMember> members_;
    std::unordered_map<std::string, uint64_t> index_;
    std::vector<std::string> notes_;
};

} // namespace vmzip
