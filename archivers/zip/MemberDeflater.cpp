#include "MemberDeflater.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vmzip {

namespace {

constexpr uint64_t kWholeLimit = 1 << 20;
constexpr std::size_t kChunk = 256 * 1024;

} // namespace

MemberDeflater::MemberDeflater(std::string path, uint64_t size, int level)
    : path_(std::move(path)), size_(size), level_(level) {}

MemberDeflater::~MemberDeflater() {
    if (fd_ >= 0)
        close(fd_);
    if (deflating_)
        deflateEnd(&z_);
}

DeflatedPiece MemberDeflater::Failure(int zipError, int sysError, const char* what) {
    DeflatedPiece p;
    p.zipError = zipError;
    p.sysError = sysError;
    p.what = what;
    p.last = true;
    return p;
}

DeflatedPiece MemberDeflater::Piece(std::vector<char> data, bool last) {
    DeflatedPiece p;
    p.data = std::move(data);
    p.rawDone = done_;
    p.crc = static_cast<uint32_t>(crc_);
    p.method = level_ == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    p.last = last;
    return p;
}

bool MemberDeflater::ReadFile(char* buf, std::size_t len, std::size_t& got) {
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(len, size_ - done_));
    got = 0;
    while (got < want) {
        const ssize_t n = read(fd_, buf + got, want - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(buf), got);
    done_ += got;
    return true;
}

bool MemberDeflater::StartDeflate() {
    std::memset(&z_, 0, sizeof z_);
    if (deflateInit2(&z_, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    deflating_ = true;
    return true;
}

DeflatedPiece MemberDeflater::Open() {
    opened_ = true;
    // O_NONBLOCK: should the file have become a FIFO since it was selected, opening it must
    // not wait for a writer.
    fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0)
        return Failure(ZIP_ER_OPEN, errno, "cannot open");
    struct stat fs {};
    if (fstat(fd_, &fs) != 0 || !S_ISREG(fs.st_mode))
        return Failure(ZIP_ER_OPEN, EINVAL, "no longer a regular file:");
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    crc_ = crc32_z(0, nullptr, 0);
    if (level_ == 0 || size_ > kWholeLimit)
        in_.resize(kChunk);
    if (level_ == 0)
        return Stream();
    if (size_ <= kWholeLimit)
        return Whole();
    if (!StartDeflate())
        return Failure(ZIP_ER_MEMORY, 0, nullptr);
    return Stream();
}

DeflatedPiece MemberDeflater::Whole() {
    std::vector<char> raw(static_cast<std::size_t>(size_));
    std::size_t got = 0;
    if (!ReadFile(raw.data(), raw.size(), got))
        return Failure(ZIP_ER_READ, errno, "cannot read");
    raw.resize(got);
    if (!StartDeflate())
        return Failure(ZIP_ER_MEMORY, 0, nullptr);
    std::vector<char> packed(deflateBound(&z_, static_cast<uLong>(raw.size())));
    z_.next_in = reinterpret_cast<Bytef*>(raw.data());
    z_.avail_in = static_cast<uInt>(raw.size());
    z_.next_out = reinterpret_cast<Bytef*>(packed.data());
    z_.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&z_, Z_FINISH) != Z_STREAM_END)
        return Failure(ZIP_ER_ZLIB, 0, nullptr);
    packed.resize(z_.total_out);
    deflateEnd(&z_);
    deflating_ = false;
    if (packed.size() >= raw.size()) {
        DeflatedPiece p = Piece(std::move(raw), true);
        p.method = ZIP_CM_STORE;
        return p;
    }
    return Piece(std::move(packed), true);
}

DeflatedPiece MemberDeflater::Stream() {
    if (level_ == 0) {
        std::size_t got = 0;
        if (!ReadFile(in_.data(), in_.size(), got))
            return Failure(ZIP_ER_READ, errno, "cannot read");
        const bool last = got == 0 || done_ >= size_;
        return Piece(std::vector<char>(in_.begin(), in_.begin() + static_cast<long>(got)), last);
    }
    std::vector<char> out(kChunk);
    z_.next_out = reinterpret_cast<Bytef*>(out.data());
    z_.avail_out = static_cast<uInt>(out.size());
    bool finished = false;
    while (z_.avail_out > 0) {
        if (z_.avail_in == 0 && done_ < size_) {
            std::size_t got = 0;
            if (!ReadFile(in_.data(), in_.size(), got))
                return Failure(ZIP_ER_READ, errno, "cannot read");
            z_.next_in = reinterpret_cast<Bytef*>(in_.data());
            z_.avail_in = static_cast<uInt>(got);
            if (got == 0)
                size_ = done_; // the file became shorter: finish with what was there
        }
        const int flush = done_ >= size_ && z_.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH;
        const int r = deflate(&z_, flush);
        if (r == Z_STREAM_END) {
            finished = true;
            break;
        }
        if (r != Z_OK && r != Z_BUF_ERROR)
            return Failure(ZIP_ER_ZLIB, 0, nullptr);
    }
    out.resize(out.size() - z_.avail_out);
    return Piece(std::move(out), finished);
}

DeflatedPiece MemberDeflater::Next() {
    if (!opened_)
        return Open();
    if (level_ == 0 || deflating_)
        return Stream();
    return Failure(ZIP_ER_INTERNAL, 0, nullptr); // a whole file's data are one piece
}

} // namespace vmzip
