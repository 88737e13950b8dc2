#include "ArchiveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vmzip {

namespace {

constexpr std::size_t kReadBuffer = 256 * 1024;
constexpr std::size_t kWriteBuffer = 1024 * 1024;

mode_t CurrentUmask() {
    const mode_t old = umask(022);
    umask(old);
    return old;
}

bool WriteAll(int fd, const char* data, std::size_t len, uint64_t offset) {
    while (len > 0) {
        const ssize_t n = pwrite(fd, data, len, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        len -= static_cast<std::size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

ArchiveFile::ArchiveFile(std::string path, bool emptyIsArchive)
    : path_(std::move(path)), emptyIsArchive_(emptyIsArchive) {
    zip_error_init(&error_);
    // An archive reached through a symbolic link is rewritten where it really is; renaming
    // the new archive over the link would replace the link instead.
    struct stat lst {};
    if (lstat(path_.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        std::unique_ptr<char, decltype(&free)> real(realpath(path_.c_str(), nullptr), &free);
        if (real)
            path_ = real.get();
    }
}

ArchiveFile::~ArchiveFile() {
    if (readFd_ >= 0)
        close(readFd_);
    DropWorkFile();
    zip_error_fini(&error_);
}

zip_source_t* ArchiveFile::MakeSource(zip_error_t* error) {
    return zip_source_function_create(&ArchiveFile::Callback, this, error);
}

zip_int64_t ArchiveFile::Callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    return static_cast<ArchiveFile*>(self)->Handle(data, len, cmd);
}

zip_int64_t ArchiveFile::SetWriteError(int zipError, int err) {
    if (writeErrno_ == 0)
        writeErrno_ = err;
    zip_error_set(&error_, zipError, err);
    return -1;
}

zip_int64_t ArchiveFile::Handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    switch (cmd) {
    case ZIP_SOURCE_SUPPORTS: {
        zip_int64_t bits = ZIP_SOURCE_SUPPORTS_WRITABLE;
        if (!emptyIsArchive_)
            bits |= zip_source_make_command_bitmap(ZIP_SOURCE_ACCEPT_EMPTY, -1);
        return bits;
    }
    case ZIP_SOURCE_ACCEPT_EMPTY:
        return emptyIsArchive_ ? 1 : 0;
    case ZIP_SOURCE_STAT:
        return Stat(data, len);
    case ZIP_SOURCE_OPEN:
        return OpenRead();
    case ZIP_SOURCE_READ:
        return Read(data, len);
    case ZIP_SOURCE_CLOSE:
        if (readFd_ >= 0)
            close(readFd_);
        readFd_ = -1;
        readBufLen_ = 0;
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t pos =
            zip_source_seek_compute_offset(readPos_, readSize_, data, len, &error_);
        if (pos < 0)
            return -1;
        readPos_ = static_cast<uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(readPos_);
    case ZIP_SOURCE_BEGIN_WRITE:
        return BeginWrite();
    case ZIP_SOURCE_WRITE:
        return Write(data, len);
    case ZIP_SOURCE_SEEK_WRITE: {
        if (!Flush())
            return -1;
        const zip_int64_t pos =
            zip_source_seek_compute_offset(writePos_, writeEnd_, data, len, &error_);
        if (pos < 0)
            return -1;
        writePos_ = static_cast<uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(writePos_);
    case ZIP_SOURCE_COMMIT_WRITE:
        return CommitWrite();
    case ZIP_SOURCE_ROLLBACK_WRITE:
        DropWorkFile();
        return 0;
    case ZIP_SOURCE_REMOVE:
        if (unlink(path_.c_str()) != 0 && errno != ENOENT)
            return SetWriteError(ZIP_ER_REMOVE, errno);
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, len);
    case ZIP_SOURCE_FREE:
        return 0;
    default:
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t ArchiveFile::Stat(void* data, zip_uint64_t len) {
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error_);
    if (st == nullptr)
        return -1;
    struct stat fs {};
    if (stat(path_.c_str(), &fs) != 0) {
        // libzip reads "read error, ENOENT" as "the archive does not exist yet"; a path
        // below a regular file is missing as well (writing it then fails).
        zip_error_set(&error_, ZIP_ER_READ, errno == ENOTDIR ? ENOENT : errno);
        return -1;
    }
    if (!S_ISREG(fs.st_mode)) {
        zip_error_set(&error_, ZIP_ER_OPEN, S_ISDIR(fs.st_mode) ? EISDIR : EINVAL);
        return -1;
    }
    zip_stat_init(st);
    st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    st->size = static_cast<zip_uint64_t>(fs.st_size);
    st->mtime = fs.st_mtime;
    return sizeof(zip_stat_t);
}

zip_int64_t ArchiveFile::OpenRead() {
    if (readFd_ >= 0)
        close(readFd_);
    readFd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (readFd_ < 0) {
        zip_error_set(&error_, ZIP_ER_OPEN, errno);
        return -1;
    }
    struct stat fs {};
    if (fstat(readFd_, &fs) != 0) {
        zip_error_set(&error_, ZIP_ER_READ, errno);
        return -1;
    }
    readSize_ = static_cast<uint64_t>(fs.st_size);
    readPos_ = 0;
    readBufLen_ = 0;
    readBuf_.resize(kReadBuffer);
    return 0;
}

zip_int64_t ArchiveFile::Read(void* data, zip_uint64_t len) {
    auto* out = static_cast<char*>(data);
    zip_uint64_t done = 0;
    while (done < len && readPos_ < readSize_) {
        if (readPos_ >= readBufStart_ && readPos_ < readBufStart_ + readBufLen_) {
            const std::size_t off = static_cast<std::size_t>(readPos_ - readBufStart_);
            const std::size_t n =
                static_cast<std::size_t>(std::min<zip_uint64_t>(len - done, readBufLen_ - off));
            std::memcpy(out + done, readBuf_.data() + off, n);
            done += n;
            readPos_ += n;
            continue;
        }
        // Large reads go straight into the caller's memory.
        if (len - done >= readBuf_.size()) {
            const ssize_t n = pread(readFd_, out + done, len - done, static_cast<off_t>(readPos_));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                zip_error_set(&error_, ZIP_ER_READ, errno);
                return -1;
            }
            if (n == 0)
                break;
            done += static_cast<zip_uint64_t>(n);
            readPos_ += static_cast<uint64_t>(n);
            continue;
        }
        const ssize_t n =
            pread(readFd_, readBuf_.data(), readBuf_.size(), static_cast<off_t>(readPos_));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            zip_error_set(&error_, ZIP_ER_READ, errno);
            return -1;
        }
        if (n == 0)
            break;
        readBufStart_ = readPos_;
        readBufLen_ = static_cast<std::size_t>(n);
    }
    return static_cast<zip_int64_t>(done);
}

zip_int64_t ArchiveFile::BeginWrite() {
    DropWorkFile();
    writeErrno_ = 0; // a new attempt after a failed one starts clean
    std::string pattern = path_ + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    writeFd_ = mkostemp(name.data(), O_CLOEXEC);
    if (writeFd_ < 0) {
        return SetWriteError(ZIP_ER_TMPOPEN, errno);
    }
    workPath_ = name.data();
    writeBuf_.resize(kWriteBuffer);
    writeBufLen_ = 0;
    writeBufStart_ = 0;
    writePos_ = 0;
    writeEnd_ = 0;
    return 0;
}

zip_int64_t ArchiveFile::Write(const void* data, zip_uint64_t len) {
    const auto* in = static_cast<const char*>(data);
    zip_uint64_t left = len;
    while (left > 0) {
        if (writeBufLen_ == 0)
            writeBufStart_ = writePos_;
        if (writeBufStart_ + writeBufLen_ != writePos_ && !Flush())
            return -1;
        const std::size_t n =
            static_cast<std::size_t>(std::min<zip_uint64_t>(left, writeBuf_.size() - writeBufLen_));
        std::memcpy(writeBuf_.data() + writeBufLen_, in, n);
        writeBufLen_ += n;
        writePos_ += n;
        writeEnd_ = std::max(writeEnd_, writePos_);
        in += n;
        left -= n;
        if (writeBufLen_ == writeBuf_.size() && !Flush())
            return -1;
    }
    return static_cast<zip_int64_t>(len);
}

bool ArchiveFile::Flush() {
    if (writeBufLen_ == 0)
        return true;
    if (!WriteAll(writeFd_, writeBuf_.data(), writeBufLen_, writeBufStart_)) {
        SetWriteError(ZIP_ER_WRITE, errno);
        return false;
    }
    writeBufLen_ = 0;
    return true;
}

zip_int64_t ArchiveFile::CommitWrite() {
    if (!Flush())
        return -1;
    struct stat old {};
    if (stat(path_.c_str(), &old) == 0) {
        fchmod(writeFd_, old.st_mode & 07777);
        if (fchown(writeFd_, old.st_uid, old.st_gid) != 0) {
            // Only root may give the file away; the archive then belongs to the caller.
        }
    } else {
        fchmod(writeFd_, 0666 & ~CurrentUmask());
    }
    if (fsync(writeFd_) != 0)
        return SetWriteError(ZIP_ER_WRITE, errno);
    const int fd = writeFd_;
    writeFd_ = -1;
    if (close(fd) != 0)
        return SetWriteError(ZIP_ER_WRITE, errno);
    if (rename(workPath_.c_str(), path_.c_str()) != 0)
        return SetWriteError(ZIP_ER_RENAME, errno);
    // The directory is not flushed: the new contents are on disk before the new name, so a
    // crash leaves the old archive or the new one, and the program flushes the file system once
    // when its run ends.
    workPath_.clear();
    return 0;
}

void ArchiveFile::DropWorkFile() {
    if (writeFd_ >= 0)
        close(writeFd_);
    writeFd_ = -1;
    if (!workPath_.empty())
        unlink(workPath_.c_str());
    workPath_.clear();
    writeBufLen_ = 0;
}

} // namespace vmzip
