// The archive file under libzip: read through a buffer, and rewritten as a whole into a
// work file beside it that is flushed to disk and renamed over the archive only when libzip
// has written every byte. A cancel, a full disk or any failure leaves the old archive as it
// was and removes the work file. The new archive keeps the old one's permissions and owner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include <zip.h>

namespace vmzip {

class ArchiveFile {
public:
    // emptyIsArchive: a file of 0 bytes counts as an empty archive (for writing commands).
    ArchiveFile(std::string path, bool emptyIsArchive);
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // A libzip source over this object; libzip owns the source, this object must outlive it.
    zip_source_t* MakeSource(zip_error_t* error);

    const std::string& path() const { return path_; }
    // errno of the first failed step of writing the work file in the latest attempt (0: none).
    int writeErrno() const { return writeErrno_; }

private:
    static zip_int64_t Callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    zip_int64_t Handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd);

    zip_int64_t Stat(void* data, zip_uint64_t len);
    zip_int64_t OpenRead();
    zip_int64_t Read(void* data, zip_uint64_t len);
    zip_int64_t BeginWrite();
    zip_int64_t Write(const void* data, zip_uint64_t len);
    bool Flush();
    zip_int64_t CommitWrite();
    void DropWorkFile();
    zip_int64_t SetWriteError(int zipError, int err);

    std::string path_;
    bool emptyIsArchive_;
    zip_error_t error_;

    int readFd_ = -1;
    uint64_t readSize_ = 0;
    uint64_t readPos_ = 0;
    std::vector<char> readBuf_;
    uint64_t readBufStart_ = 0;
    std::size_t readBufLen_ = 0;

    int writeFd_ = -1;
    std::string workPath_;
    std::vector<char> writeBuf_;
    std::size_t writeBufLen_ = 0;
    uint64_t writeBufStart_ = 0;
    uint64_t writePos_ = 0;
    uint64_t writeEnd_ = 0;
    int writeErrno_ = 0;
};

} // namespace vmzip
