// Test support: the two built libraries loaded as the program loads them, temporary trees,
// files, peer tools, and a window that records progress messages.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ArchiverContract.h"

namespace ziptest {

// The entries, resolved as the program's ZIP binding resolves them: listing entries from
// libzip32j.so, CheckArchive, ExtractMem and the window entries from libunzip32.so.
struct Libraries {
    ArcMainFn UnZip = nullptr;
    ArcMainFn Zip = nullptr;
    ArcOpenArchiveFn OpenArchive = nullptr;
    ArcCloseArchiveFn CloseArchive = nullptr;
    ArcFindFirstFn FindFirst = nullptr;
    ArcFindNextFn FindNext = nullptr;
    ArcCheckArchiveFn CheckArchive = nullptr;
    ArcExtractMemFn ExtractMem = nullptr;
    ArcSetOwnerWindowExFn SetOwnerWindowEx = nullptr;
    ArcKillOwnerWindowExFn KillOwnerWindowEx = nullptr;
    ArcGetTimeExFn GetWriteTimeEx = nullptr;
    ArcGetSizeExFn GetOriginalSizeEx = nullptr;

    static const Libraries& Get();
};

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& data); // makes parent directories
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void SetMtime(const std::string& path, int64_t seconds);
int64_t Mtime(const std::string& path);

// Deterministic test data.
std::string RandomBytes(std::size_t n, uint32_t seed);
std::string TextBytes(std::size_t n);

// Runs a shell command; returns its exit status. Output goes to capture when given.
int Shell(const std::string& command, std::string* capture = nullptr);
// Single-quoted for the shell.
std::string Sh(const std::string& text);

// A name as the program's ZIP builders send it: leading '-' as "[-]", '[' as "[[]", quoted.
std::string Escaped(const std::string& name);
std::string Quoted(const std::string& text);

// Writing command as the program sends it for packing (-S -D -q -o, then the level).
std::string PackCommand(const std::string& archive, const std::string& baseDir,
                        const std::vector<std::string>& names, const std::string& extra = "");

// Member names as listed by the libraries' FindFirst/FindNext.
std::vector<std::string> ListNames(const std::string& archive);

// A whole listing through OpenArchive/FindFirst/FindNext: whether the archive opened, the
// names listed, and the result that ended the listing (-1 at the regular end).
struct ListResult {
    bool opened = false;
    std::vector<std::string> names;
    int32_t end = 0;
};
ListResult ListAll(const std::string& archive);

// The lines of a text, without their line ends (empty lines left out).
std::vector<std::string> SplitLines(const std::string& text);

// bsdtar's listing shows bytes it cannot print as a backslash and three octal digits.
std::string UnescapeOctal(const std::string& text);

// Runs one command through the libraries as the unprivileged user 65534 (setpriv and the
// zip_cmd tool): which is "zip" or "unzip". Returns the tool's exit status (0: result 0);
// its output (the output buffer and the result code) goes to output.
int RunUnprivileged(const std::string& which, const std::string& command, std::string* output);

struct Message {
    uint32_t state;
    uint32_t total;
    uint32_t written;
    std::string source;
    std::string dest;
};

// An owner window that records "wm_arcextract" messages and answers "cancel" from the
// message number cancelAt on (counted from 1; 0 never).
struct RecordingWindow : ArcWindow {
    RecordingWindow();
    std::vector<Message> messages;
    std::size_t cancelAt = 0;
};

// The libraries' main entries with the program's command text; the output buffer's text goes to
// output when given.
int32_t Zip(const std::string& cmd, std::string* output = nullptr);
int32_t UnZip(const std::string& cmd, std::string* output = nullptr);

// The entries of a directory (without "." and ".."), sorted; a list sorted.
std::vector<std::string> DirEntries(const std::string& dir);
std::vector<std::string> Sorted(std::vector<std::string> v);

} // namespace ziptest
