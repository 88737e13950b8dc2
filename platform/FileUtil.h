// File and path helpers over POSIX: existence checks, directories, names, and the atomic
// replacement of files the program writes for itself.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr char PathDelim = '/';

// An operating-system failure on a named file; the message names the file and the reason.
class EFileError : public std::runtime_error {
public:
    EFileError(const std::string& message, int error)
        : std::runtime_error(message), error_(error) {}
    int Error() const { return error_; }

private:
    int error_;
};

// True for an existing entry that is not a directory (links are followed).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// True for a symbolic link (dangling or not).
bool IsSymbolicLink(const std::string& path);
// True when this process may open the file for reading (by its effective ids); false also when
// the path is too long for the system or does not exist.
bool IsReadableFile(const std::string& path);
// Creates a directory and all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
// Creates one directory with mode 0700; false when it exists already or cannot be created.
bool MakePrivateDirectory(const std::string& path);
bool RemoveDir(const std::string& path);
// Removes an empty directory; 0 on success, the system error code otherwise.
int RemoveDirError(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

// The names in a directory (without "." and ".."), each with whether it is a real directory
// (symbolic links, also to directories, are not). False when the directory cannot be read.
struct DirName {
    std::string Name;
    bool IsDirectory = false;
};
bool ReadDirectoryNames(const std::string& dir, std::vector<DirName>& names);

// The part after the last delimiter, and the part up to and including it.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);
// The current directory joined with a relative path; an absolute path as it is.
std::string ExpandFileName(std::string_view path);

// Flushes everything written to the file system that holds path (syncfs); false when path
// cannot be opened.
bool SyncFileSystem(const std::string& path);

// Creates an empty file (truncating an existing one); true on success.
bool CreateEmptyFile(const std::string& path);
// Writes bytes to a file, replacing it or appending at its end; raises EFileError on failure.
void WriteFile(const std::string& path, std::string_view bytes, bool append);

// Reads a whole regular file; raises EFileError when it cannot be read.
std::string ReadFile(const std::string& path);

// Writes a file by creating a temporary file beside it, and renaming it over the target only
// when every byte is written and flushed. The target is untouched until Commit; destroying the
// writer without Commit removes the temporary file.
class AtomicFileWriter {
public:
    // Raises EFileError when the temporary file cannot be created.
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Raises EFileError when a write fails (a full disk, say).
    void Write(std::string_view bytes);
    // How much of a commit must survive a crash: Full flushes the contents before the rename
    // and the directory after it; Replaceable (files the program can do without, such as
    // listing caches, whose reader recognises a damaged one) flushes nothing.
    enum class Durability { Full, Replaceable };
    // Closes and renames over the target; raises EFileError on failure.
    void Commit(Durability durability = Durability::Full);

private:
    void Discard() noexcept;

    std::string target_;
    std::string temp_;
    int fd_ = -1;
};

// Replaces a file's contents atomically with AtomicFileWriter.
void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     AtomicFileWriter::Durability durability = AtomicFileWriter::Durability::Full);

} // namespace platform
