// The destination directory of an extraction. Every directory below it is made and entered
// one part at a time without following symbolic links, so that nothing is ever written
// outside it or through a link standing in the way; files are written to a work name in
// their directory and renamed over the final name, which replaces (never follows) whatever
// stands there.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace vmzip {

// The parts of a member's path below the destination: leading '/' and "." parts dropped;
// a ".." part, or no part at all, makes the name unsafe (empty result). With junkPaths only
// the last part.
std::vector<std::string> SafeParts(const std::string& member, bool junkPaths);

// True when every part of the name is empty or ".": the name is the destination itself, as
// the "./" entry that bsdtar writes for the directory it packed.
bool NamesDestinationItself(const std::string& name);

class Destination {
public:
    // Makes the destination (and its parents, as named by the caller) when missing.
    // Throws ArcError.
    explicit Destination(const std::string& root);
    ~Destination();
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    // The directory holding parts[0 .. count-1], made where missing; the descriptor stays
    // owned by this object. Throws ArcError.
    int Directory(const std::vector<std::string>& parts, std::size_t count);

    const std::string& root() const { return root_; }

    // Gives the directory of parts its mode (without set-id bits) and time when the extraction
    // ends: writing into it would change its time, and a read-only one would refuse its own
    // members.
    void StampDirectory(std::vector<std::string> parts, mode_t mode, time_t mtime);
    // Sets the stamped modes and times, the last stamped first.
    void FinishDirectories();

private:
    void CloseFrom(std::size_t depth);

    struct DirectoryStamp {
        std::vector<std::string> parts;
        mode_t mode;
        time_t mtime;
    };
    std::vector<DirectoryStamp> stamps_;

    std::string root_;
    int rootFd_ = -1;
    std::vector<std::string> openNames_; // the chain of directories open below the root
    std::vector<int> openFds_;
};

// A fresh random name for the work file of an extracted file named leaf: the leaf (cut to its
// first 242 bytes, so that the name fits in 255), ".unzip-" and six letters and digits. Named
// after its file, a work file that a killed process left is known for what it is.
std::string WorkName(std::string_view leaf);

// A new work file for leaf in dirFd: returns its descriptor and fills name. Throws ArcError.
int CreateWorkFile(int dirFd, std::string_view leaf, std::string& name);

// The work file of one extracted file: removed when it goes out of scope unless it was
// renamed into place. Throws ArcError.
class WorkFile {
public:
    WorkFile(int dirFd, const std::string& leaf);
    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    int fd() const { return fd_; }
    // Closes the file and renames it over leaf (shown names it in messages).
    void Place(const std::string& leaf, const std::string& shown);

private:
    int dirFd_;
    int fd_ = -1;
    std::string name_;
    bool placed_ = false;
};

// Writes all of data to fd (name shown in the message). Throws ArcError.
void WriteAll(int fd, const char* data, std::size_t len, const std::string& name);

} // namespace vmzip
