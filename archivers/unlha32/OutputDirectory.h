// Writing extracted members below a destination directory, safely: member paths never leave it
// ("..", absolute names), no symbolic link is followed below it, and a file appears under its
// name only complete and checked (it is written to a temporary file beside its target and
// renamed over it).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/FileHandle.h"

namespace unlha {

// The parts of a member path as they are written below the destination: empty and "." parts
// dropped, a leading '/' ignored. nullopt when a part is ".." or nothing is left.
std::optional<std::vector<std::string>> SafeParts(const std::string& path);

// A file being extracted: a temporary file in the target's directory.
class OutputFile : public ByteSink {
public:
    OutputFile(FileHandle dir, std::string tempName, std::string name, std::string displayPath,
               FileHandle fd);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const uint8_t* data, std::size_t size) override;
    // Sets permissions (when known) and the modification time, and renames the file over its
    // target (a symbolic link there is replaced, never followed).
    void Commit(std::optional<uint16_t> mode, int64_t mtime);

private:
    FileHandle dir_;
    int dirFd_;
    std::string tempName_;
    std::string name_;
    std::string displayPath_;
    FileHandle fd_;
    bool committed_ = false;
};

class OutputDirectory {
public:
    // Opens the destination (creating it and its parents when missing); "" is the current
    // directory.
    explicit OutputDirectory(const std::string& path);

    // Creates a temporary file for the target parts, making the directories on the way.
    std::unique_ptr<OutputFile> Create(const std::vector<std::string>& parts, bool readOnly);
    // Modification time of an existing target (not following a link), or nullopt.
    std::optional<int64_t> ExistingTime(const std::vector<std::string>& parts);
    // Makes the directory of a directory member; its mode and time are set by Finish.
    void MakeDirectory(const std::vector<std::string>& parts, std::optional<uint16_t> mode,
                       int64_t mtime);
    // Sets the modes and times of the directory members (after their files were written).
    void Finish();

    std::string Display(const std::vector<std::string>& parts) const;

private:
    // Descriptor of the directory holding parts[0..count), made when missing; a symbolic link
    // or a file on the way raises ArchiveError.
    int OpenParent(const std::vector<std::string>& parts, std::size_t count);

    std::string path_;
    FileHandle root_;
    std::vector<std::string> cachedParts_;
    FileHandle cachedFd_;
    struct PendingDirectory {
        std::vector<std::string> parts;
        std::optional<uint16_t> mode;
        int64_t mtime;
    };
    std::vector<PendingDirectory> directories_;
};

} // namespace unlha
