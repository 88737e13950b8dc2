#include "FileSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vmzip {

class FileSource {
public:
    FileSource(PackState& state, std::string path, std::string member, uint64_t size, time_t mtime)
        : state_(state), path_(std::move(path)), member_(std::move(member)), size_(size),
          mtime_(mtime) {
        zip_error_init(&error_);
    }
    ~FileSource() {
        if (fd_ >= 0)
            close(fd_);
        zip_error_fini(&error_);
    }

    static zip_int64_t Callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* src = static_cast<FileSource*>(self);
        if (cmd == ZIP_SOURCE_FREE)
            return 0; // the pack state owns the object
        return src->Handle(data, len, cmd);
    }

private:
    zip_int64_t Fail(int zipError, int err, const char* what) {
        zip_error_set(&error_, zipError, err);
        if (state_.failure.empty())
            state_.failure = std::string(what) + " " + path_ + ": " + std::strerror(err);
        return -1;
    }

    zip_int64_t Handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        case ZIP_SOURCE_STAT: {
            auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error_);
            if (st == nullptr)
                return -1;
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            st->size = size_;
            st->mtime = mtime_;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_OPEN: {
            // O_NONBLOCK: should the file have become a FIFO since it was selected, opening it
            // must not wait for a writer.
            fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd_ < 0)
                return Fail(ZIP_ER_OPEN, errno, "cannot open");
            struct stat fs {};
            if (fstat(fd_, &fs) != 0 || !S_ISREG(fs.st_mode))
                return Fail(ZIP_ER_OPEN, EINVAL, "no longer a regular file:");
            posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
            done_ = 0;
            state_.progress.Begin(path_, member_, size_);
            if (state_.progress.Cancelled()) {
                zip_error_set(&error_, ZIP_ER_CANCELLED, 0);
                return -1;
            }
            return 0;
        }
        case ZIP_SOURCE_READ: {
            const zip_uint64_t want = std::min<zip_uint64_t>(len, size_ - done_);
            if (want == 0)
                return 0;
            ssize_t n;
            do {
                n = read(fd_, data, want);
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                return Fail(ZIP_ER_READ, errno, "cannot read");
            done_ += static_cast<uint64_t>(n);
            state_.progress.Advance(done_, false);
            if (state_.progress.Cancelled()) {
                zip_error_set(&error_, ZIP_ER_CANCELLED, 0);
                return -1;
            }
            return n;
        }
        case ZIP_SOURCE_CLOSE:
            if (fd_ >= 0)
                close(fd_);
            fd_ = -1;
            state_.progress.Advance(done_, true);
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, len);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    PackState& state_;
    std::string path_;
    std::string member_;
    uint64_t size_;
    time_t mtime_;
    int fd_ = -1;
    uint64_t done_ = 0;
    zip_error_t error_;
};

PackState::PackState(Progress& p) : progress(p) {}
PackState::~PackState() = default;

zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, zip_error_t* error) {
    auto src =
        std::make_unique<FileSource>(state, std::move(path), std::move(memberName), size, mtime);
    zip_source_t* zs = zip_source_function_create(&FileSource::Callback, src.get(), error);
    if (zs != nullptr)
        state.sources.push_back(std::move(src));
    return zs;
}

} // namespace vmzip
