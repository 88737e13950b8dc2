#include "FileSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <zlib.h>

namespace vmzip {

namespace {

constexpr uint64_t kWholeLimit = 1 << 20;
constexpr std::size_t kChunk = 256 * 1024;

} // namespace

class FileSource {
public:
    FileSource(PackState& state, std::string path, std::string member, uint64_t size, time_t mtime,
               int level)
        : state_(state), path_(std::move(path)), member_(std::move(member)), size_(size),
          mtime_(mtime), level_(level), method_(level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE) {
        zip_error_init(&error_);
    }
    ~FileSource() {
        CloseFile();
        zip_error_fini(&error_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    static zip_int64_t Callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* src = static_cast<FileSource*>(self);
        if (cmd == ZIP_SOURCE_FREE)
            return 0; // the pack state owns the object
        return src->Handle(data, len, cmd);
    }

private:
    zip_int64_t Failed(int zipError, int err, const char* what) {
        zip_error_set(&error_, zipError, err);
        state_.failures.push_back(
            SourceFailure{member_, std::string(what) + " " + path_ + ": " + std::strerror(err)});
        return -1;
    }

    zip_int64_t Cancelled() {
        zip_error_set(&error_, ZIP_ER_CANCELLED, 0);
        return -1;
    }

    void CloseFile() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
        if (deflating_)
            deflateEnd(&z_);
        deflating_ = false;
    }

    // Reads up to len bytes of the file (never past its selected size); -1 on error.
    zip_int64_t ReadFile(char* buf, std::size_t len) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(len, size_ - done_));
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = read(fd_, buf + got, want - got);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return Failed(ZIP_ER_READ, errno, "cannot read");
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(buf), got);
        done_ += got;
        state_.progress.Advance(done_, false);
        if (state_.progress.Cancelled())
            return Cancelled();
        return static_cast<zip_int64_t>(got);
    }

    bool StartDeflate() {
        std::memset(&z_, 0, sizeof z_);
        if (deflateInit2(&z_, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            zip_error_set(&error_, ZIP_ER_MEMORY, 0);
            return false;
        }
        deflating_ = true;
        return true;
    }

    zip_int64_t Open() {
        // O_NONBLOCK: should the file have become a FIFO since it was selected, opening it
        // must not wait for a writer.
        CloseFile(); // left open by an earlier attempt that failed
        fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd_ < 0)
            return Failed(ZIP_ER_OPEN, errno, "cannot open");
        struct stat fs {};
        if (fstat(fd_, &fs) != 0 || !S_ISREG(fs.st_mode))
            return Failed(ZIP_ER_OPEN, EINVAL, "no longer a regular file:");
        posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
        done_ = 0;
        crc_ = crc32_z(0, nullptr, 0);
        finished_ = false;
        pending_.clear();
        pendingPos_ = 0;
        method_ = level_ == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        state_.progress.Begin(path_, member_, size_);
        if (state_.progress.Cancelled())
            return Cancelled();
        if (level_ == 0)
            return 0;
        if (size_ <= kWholeLimit)
            return CompressWhole();
        in_.resize(kChunk);
        return StartDeflate() ? 0 : -1;
    }

    zip_int64_t CompressWhole() {
        std::vector<char> raw(static_cast<std::size_t>(size_));
        const zip_int64_t got = ReadFile(raw.data(), raw.size());
        if (got < 0)
            return -1;
        raw.resize(static_cast<std::size_t>(got));
        if (!StartDeflate())
            return -1;
        pending_.resize(deflateBound(&z_, static_cast<uLong>(raw.size())));
        z_.next_in = reinterpret_cast<Bytef*>(raw.data());
        z_.avail_in = static_cast<uInt>(raw.size());
        z_.next_out = reinterpret_cast<Bytef*>(pending_.data());
        z_.avail_out = static_cast<uInt>(pending_.size());
        if (deflate(&z_, Z_FINISH) != Z_STREAM_END) {
            zip_error_set(&error_, ZIP_ER_ZLIB, 0);
            return -1;
        }
        pending_.resize(z_.total_out);
        deflateEnd(&z_);
        deflating_ = false;
        if (pending_.size() >= raw.size()) {
            pending_.swap(raw);
            method_ = ZIP_CM_STORE;
        }
        return 0;
    }

    zip_int64_t Read(void* data, zip_uint64_t len) {
        auto* out = static_cast<char*>(data);
        if (level_ == 0)
            return ReadFile(out, static_cast<std::size_t>(std::min<zip_uint64_t>(len, kChunk)));
        if (!deflating_ || finished_) {
            // Whole-file data (or the end of the stream).
            const std::size_t n =
                std::min<std::size_t>(static_cast<std::size_t>(len), pending_.size() - pendingPos_);
            if (n > 0)
                std::memcpy(out, pending_.data() + pendingPos_, n);
            pendingPos_ += n;
            return static_cast<zip_int64_t>(n);
        }
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = static_cast<uInt>(std::min<zip_uint64_t>(len, UINT32_MAX));
        while (z_.avail_out > 0) {
            if (z_.avail_in == 0 && done_ < size_) {
                const zip_int64_t got = ReadFile(in_.data(), in_.size());
                if (got < 0)
                    return -1;
                z_.next_in = reinterpret_cast<Bytef*>(in_.data());
                z_.avail_in = static_cast<uInt>(got);
                if (got == 0)
                    size_ = done_; // the file became shorter: finish with what was there
            }
            const int flush = done_ >= size_ && z_.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH;
            const int r = deflate(&z_, flush);
            if (r == Z_STREAM_END) {
                finished_ = true;
                break;
            }
            if (r != Z_OK && r != Z_BUF_ERROR) {
                zip_error_set(&error_, ZIP_ER_ZLIB, 0);
                return -1;
            }
        }
        return static_cast<zip_int64_t>(reinterpret_cast<char*>(z_.next_out) - out);
    }

    zip_int64_t Stat(void* data, zip_uint64_t len) {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error_);
        if (st == nullptr)
            return -1;
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
        st->mtime = mtime_;
        st->comp_method = static_cast<zip_uint16_t>(method_);
        st->size = size_;
        if (fd_ < 0 && opened_) {
            // After the data was read: the real size, the CRC and the method used.
            st->valid |= ZIP_STAT_CRC;
            st->size = done_;
            st->crc = static_cast<zip_uint32_t>(crc_);
        }
        return sizeof(zip_stat_t);
    }

    zip_int64_t Handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        case ZIP_SOURCE_STAT:
            return Stat(data, len);
        case ZIP_SOURCE_OPEN: {
            const zip_int64_t r = Open();
            opened_ = r == 0;
            return r;
        }
        case ZIP_SOURCE_READ:
            return Read(data, len);
        case ZIP_SOURCE_CLOSE:
            CloseFile();
            // The buffers go now: a command may hold thousands of sources until it ends.
            std::vector<char>().swap(pending_);
            std::vector<char>().swap(in_);
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
    int level_;
    int fd_ = -1;
    bool opened_ = false;
    uint64_t done_ = 0;
    uLong crc_ = 0;
    int32_t method_;
    z_stream z_{};
    bool deflating_ = false;
    bool finished_ = false;
    std::vector<char> in_;
    std::vector<char> pending_;
    std::size_t pendingPos_ = 0;
    zip_error_t error_;
};

PackState::PackState(Progress& p) : progress(p) {}
PackState::~PackState() = default;

zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, int level, zip_error_t* error) {
    auto src = std::make_unique<FileSource>(state, std::move(path), std::move(memberName), size,
                                            mtime, level);
    zip_source_t* zs = zip_source_function_create(&FileSource::Callback, src.get(), error);
    if (zs != nullptr)
        state.sources.push_back(std::move(src));
    return zs;
}

} // namespace vmzip
