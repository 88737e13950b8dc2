// Helpers of the LZH library tests: temporary directories, files, data of several kinds,
// running the library's entries and the peer archivers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unlha_test {

// A fresh directory below the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Names of the directory's entries (sorted), "." and ".." left out.
std::vector<std::string> ListDir(const std::string& path);
// Sets a file's modification time (seconds since 1970).
void SetTime(const std::string& path, int64_t t);
int64_t FileTime(const std::string& path);

// Test data: text with long repeats, random bytes, runs, a mix of all.
std::string TextData(std::size_t size, uint32_t seed = 1);
std::string RandomData(std::size_t size, uint32_t seed = 2);
std::string MixedData(std::size_t size, uint32_t seed = 3);

// Quotes a name for the command text.
std::string Q(const std::string& s);

// Runs the library's main entry; output receives the output buffer.
int32_t Lha(const std::string& command, std::string* output = nullptr);

// Runs a shell command in dir with the C.UTF-8 locale; returns its exit status, output gets
// standard output and error.
int Shell(const std::string& dir, const std::string& command, std::string* output = nullptr);
// True when the program is on the PATH.
bool HaveTool(const std::string& name);
// Quotes for the shell.
std::string ShellQuote(const std::string& s);

} // namespace unlha_test

#include "ArchiverContract.h"

namespace unlha_test {

// An owner window that records the progress messages it receives and answers them with a
// non-zero reply from the cancelAt-th message of state cancelState on (never when -1).
struct RecordingWindow {
    struct Message {
        uint32_t state;
        uint32_t total;
        uint32_t written;
        std::string source;
        std::string dest;
    };
    ArcWindow window;
    std::vector<Message> messages;
    uint32_t cancelState = ARC_STATE_BEGIN;
    int cancelAt = -1;
    int seen = 0;

    RecordingWindow();
    // Attaches itself for the lifetime of the object.
    void Attach();
    ~RecordingWindow();
};

// A stored (-lh0-) member with a level-2 header, for hand-made archives.
std::string StoredMember(const std::string& path, const std::string& data, uint16_t mode = 0100644,
                         int64_t mtime = 1700000000);

} // namespace unlha_test
