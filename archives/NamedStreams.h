// Named data streams carried as extra archive members. On Linux a file's named streams are its
// user.* extended attributes: attribute x of a.txt travels as the member "a.txt;x;$DATA" (with
// the default separator) and is written back onto a.txt when both come out of one extraction.
#pragma once

#include "archives/ArchiverTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace archives {

// The character standing for ':' in member names: the first of separator, or ':' itself when
// the separator is not exactly two characters.
char StreamNameDelimiter(const std::string& separator);

// The member name of stream `stream` of the file named `name`.
std::string StreamMemberName(std::string_view name, std::string_view stream,
                             const std::string& separator);

// Splits a member name of the exact stream form into its file's name and the stream's name;
// false for every other name. The stream's name never holds the delimiter, so the split is the
// last delimiter before the "$DATA" tail.
bool SplitStreamMemberName(std::string_view member, const std::string& separator, std::string& base,
                           std::string& stream);

// Whether an attribute name can travel in a member name: not empty, no delimiter, no '/', no
// control character, and valid text of the active code page.
bool CanCarryStreamName(std::string_view stream, const std::string& separator);

struct TStreamMember {
    std::string Name; // member name, as passed to the library
    std::int64_t Size = 0;
};

// What the stream carriage of one operation did besides its members.
struct TStreamReport {
    bool Unsupported = false;          // a file system without user attributes was met
    std::vector<TStreamMember> Packed; // stream members handed to the library
    std::vector<std::string> Problems; // one line per stream that could not be carried

    void Clear() { *this = TStreamReport{}; }
};

// The stream files of one Pack: each accepted file's attributes are copied into new files below
// a private directory, under their member names, so that the source directories are never
// written to. Destroying it deletes every file and directory it made.
class TStreamExport {
public:
    // dirSource gives the directory to export into, asked on first need; when it gives an empty
    // name a private directory below the user's temporary directory is made (and removed).
    TStreamExport(std::function<std::string()> dirSource, std::string separator,
                  TStreamReport& report);
    ~TStreamExport();
    TStreamExport(const TStreamExport&) = delete;
    TStreamExport& operator=(const TStreamExport&) = delete;

    // Exports the attributes of the file at path, named `name` in the archive. Problems are
    // reported, never raised.
    void Export(const std::string& path, const std::string& name);

    // The exported members' names, relative to Dir().
    const TFileItems& Members() const { return members_; }
    const std::string& Dir() const { return dir_; }

private:
    bool EnsureDir();
    bool EnsureParents(const std::string& name);

    std::function<std::string()> dirSource_;
    std::string separator_;
    TStreamReport& report_;
    std::string dir_;
    bool ownDir_ = false;
    bool dirFailed_ = false;
    TFileItems members_;
    std::vector<std::string> madeFiles_;
    std::vector<std::string> madeDirs_;
};

// Writes the stream members among the files of one extraction back onto their files: a member
// of the stream form whose file came out of the same extraction becomes that file's attribute
// and is deleted; every other file stays as it is. Where the file system keeps no attributes
// the members are deleted (Unsupported is set); a member that cannot become an attribute for
// another reason (too large, refused) stays as a file and is reported. extracted holds
// destination paths.
void RestoreNamedStreams(const std::vector<std::string>& extracted, const std::string& separator,
                         TStreamReport& report);

} // namespace archives
