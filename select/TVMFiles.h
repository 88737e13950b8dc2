// In-memory lists of files, directories or archive members, loaded a whole directory at a time,
// sorted by name and compared by the merge passes of the engine.
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace selection {

// Attribute bits of a file record.
inline constexpr std::int32_t faReadOnly = 1;
inline constexpr std::int32_t faHidden = 2;
inline constexpr std::int32_t faSysFile = 4;
inline constexpr std::int32_t faDirectory = 16;
inline constexpr std::int32_t faArchive = 32;

// One file, directory or archive member.
struct TVMFileInfo {
    std::string Name;             // without any path
    std::int64_t Size = 0;        // bytes; for a member its uncompressed size
    platform::TDateTime Time = 0; // last write, local time, two-second precision
    bool Candidate = false;       // outcome of the current comparison pass
    bool Marked = false;          // marks accumulated over passes
    std::int32_t Attr = 0;        // faReadOnly | faHidden | faSysFile | faDirectory | faArchive
};

// An ordered list that owns its records.
class TVMFiles {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TVMFileInfo& operator[](int i) { return items_[static_cast<std::size_t>(i)]; }
    const TVMFileInfo& operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }
    void Add(TVMFileInfo info) { items_.push_back(std::move(info)); }
    void Delete(int i) { items_.erase(items_.begin() + i); }
    void Clear() { items_.clear(); }

    std::vector<TVMFileInfo>::iterator begin() { return items_.begin(); }
    std::vector<TVMFileInfo>::iterator end() { return items_.end(); }
    std::vector<TVMFileInfo>::const_iterator begin() const { return items_.begin(); }
    std::vector<TVMFileInfo>::const_iterator end() const { return items_.end(); }

private:
    std::vector<TVMFileInfo> items_;
};

// Sorts by the platform's file-name key (the exact bytes on Linux), the key the passes compare.
void SortByName(TVMFiles& list);

void ClearCandidates(TVMFiles& list);
void SetCandidates(TVMFiles& list);
void ClearMarks(TVMFiles& list);
void SetMarks(TVMFiles& list);
// Replaces names with the names of the marked items in list order; true when any is marked.
bool MarkedNames(const TVMFiles& list, std::vector<std::string>& names);

// "512 Bytes", "2.5 kBytes", "1.0 MBytes" (thousands separated by ",").
std::string SizeText(std::int64_t bytes);

// An MS-DOS date and time word pair as a date-time; raises platform::EConvertError for fields
// that form no date or time.
platform::TDateTime DosDateTimeToDateTime(std::uint16_t date, std::uint16_t time);

} // namespace selection
