// Owned file descriptors and the reads and writes the library does through them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unlha {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Reset(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Reads up to size bytes, fewer only at the end of the file. A failure raises ArchiveError
// with errorCode and a message naming what.
std::size_t ReadFully(int fd, void* data, std::size_t size, int32_t errorCode,
                      const std::string& what);
// Same at an offset (pread).
std::size_t ReadFullyAt(int fd, void* data, std::size_t size, uint64_t offset, int32_t errorCode,
                        const std::string& what);
// Writes everything; a failure raises ArchiveError with the code for its errno.
void WriteFully(int fd, const void* data, std::size_t size, const std::string& what);
void WriteFullyAt(int fd, const void* data, std::size_t size, uint64_t offset,
                  const std::string& what);

// Buffered sequential reading of an archive, with its position.
class FileReader {
public:
    FileReader(int fd, std::string name, std::size_t bufferSize = std::size_t{1} << 18);

    // Reads up to size bytes; fewer only at the end of the file.
    std::size_t Read(void* data, std::size_t size);
    // Moves the position forward by n bytes (past the end is allowed; reads then give 0).
    void Skip(uint64_t n);
    void Seek(uint64_t position);
    uint64_t Position() const { return fileOffset_ - (end_ - pos_); }
    const std::string& Name() const { return name_; }
    int Fd() const { return fd_; }

private:
    int fd_;
    std::string name_;
    std::vector<uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    uint64_t fileOffset_ = 0; // file offset of buffer_[end_]
};

} // namespace unlha
