#include "archivers/unlha32/ArchiveWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/WorkFile.h"

namespace unlha {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

void MakeDirectories(const std::string& dir) {
    std::size_t i = 0;
    while (i < dir.size()) {
        std::size_t slash = dir.find('/', i + 1);
        if (slash == std::string::npos)
            slash = dir.size();
        const std::string partial = dir.substr(0, slash);
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            const int err = errno;
            Fail(err == EACCES || err == EROFS || err == EPERM ? ARC_ERROR_ARC_READ_ONLY
                                                               : WriteErrorCode(err),
                 WithErrno("cannot make the archive directory " + partial, err));
        }
        i = slash;
    }
}

} // namespace

ArchiveWriter::ArchiveWriter(const std::string& archivePath) : target_(archivePath) {
    // Replace the file a link names, not the link.
    struct stat st {};
    if (::lstat(archivePath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(archivePath.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    directory_ = DirectoryOf(target_);
    if (::access(directory_.c_str(), F_OK) != 0)
        MakeDirectories(directory_);
    const std::string prefix = directory_ == "/" ? std::string("/") : directory_ + "/";
    const std::size_t slash = target_.rfind('/');
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string workName;
    const int fd = CreateWorkFile(AT_FDCWD, prefix, base, O_RDWR, 0600, workName);
    if (fd < 0) {
        const int err = errno;
        int32_t code = ARC_ERROR_TMP_OPEN;
        if (err == EACCES || err == EROFS || err == EPERM)
            code = ARC_ERROR_ARC_READ_ONLY;
        else if (err == ENOSPC || err == EDQUOT)
            code = ARC_ERROR_DISK_SPACE;
        Fail(code, WithErrno("cannot create a work file in " + directory_, err));
    }
    fd_.Reset(fd);
    tempPath_ = prefix + workName;
    struct stat own {};
    if (::fstat(fd, &own) == 0) {
        device_ = own.st_dev;
        inode_ = own.st_ino;
    }
    buffer_.reserve(kBufferSize);
}

ArchiveWriter::~ArchiveWriter() {
    if (!committed_) {
        fd_.Reset();
        ::unlink(tempPath_.c_str());
    }
}

void ArchiveWriter::Drain() {
    if (buffer_.empty())
        return;
    WriteFullyAt(fd_.Get(), buffer_.data(), buffer_.size(), flushed_, "the work file " + tempPath_);
    flushed_ += buffer_.size();
    buffer_.clear();
}

void ArchiveWriter::Write(const uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (buffer_.size() == kBufferSize)
            Drain();
        const std::size_t n = std::min(size, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), data, data + n);
        data += n;
        size -= n;
    }
}

void ArchiveWriter::Rewind(uint64_t position) {
    if (position >= flushed_) {
        buffer_.resize(static_cast<std::size_t>(position - flushed_));
    } else {
        buffer_.clear();
        flushed_ = position;
    }
}

void ArchiveWriter::Patch(uint64_t position, const std::string& bytes) {
    std::size_t done = 0;
    if (position < flushed_) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<uint64_t>(bytes.size(), flushed_ - position));
        WriteFullyAt(fd_.Get(), bytes.data(), n, position, "the work file " + tempPath_);
        done = n;
    }
    if (done < bytes.size())
        std::memcpy(buffer_.data() + (position + done - flushed_), bytes.data() + done,
                    bytes.size() - done);
}

void ArchiveWriter::Commit(mode_t mode) {
    Drain();
    const std::string what = "the work file " + tempPath_;
    if (::ftruncate(fd_.Get(), static_cast<off_t>(flushed_)) != 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot write " + what, err));
    }
    if (::fsync(fd_.Get()) != 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot write " + what, err));
    }
    ::fchmod(fd_.Get(), mode & 07777);
    if (::close(fd_.Release()) != 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot write " + what, err));
    }
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        Fail(ARC_ERROR_TMP_COPY, WithErrno("cannot replace the archive " + target_, err));
    }
    // The directory is not flushed: the new contents are on disk before the new name, so a
    // crash leaves the old archive or the new one, and the program flushes the file system once
    // when its run ends (one flush per archive would cost more than the packing).
    committed_ = true;
}

} // namespace unlha
