#include "archivers/unlha32/FileEncoder.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/FileHandle.h"

namespace unlha {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 18;
constexpr uint64_t kReportEvery = uint64_t{1} << 20;
// After this much input, compression that has not made the data smaller is given up.
constexpr uint64_t kGiveUpAfter = uint64_t{1} << 19;

} // namespace

// The encoder's sink: counts the bytes on their way to the current file's sink.
class FileEncoder::Counter : public ByteSink {
public:
    void Write(const uint8_t* data, std::size_t size) override {
        target->Write(data, size);
        count += size;
    }
    EncodedSink* target = nullptr;
    uint64_t count = 0;
};

FileEncoder::FileEncoder(std::string method, const EncoderTuning& tuning)
    : method_(std::move(method)), tuning_(tuning), buffer_(kChunk),
      counter_(std::make_unique<Counter>()) {}

FileEncoder::~FileEncoder() = default;

std::size_t FileEncoder::NextChunk(int fd, uint64_t size, uint64_t& read, uint16_t& crc) {
    const std::size_t n = ReadFully(
        fd, buffer_.data(), static_cast<std::size_t>(std::min<uint64_t>(size - read, kChunk)),
        ARC_ERROR_FILE_OPEN, path_);
    crc = UpdateCrc16(crc, buffer_.data(), n);
    read += n;
    if (read - reported_ >= kReportEvery) {
        reported_ = read;
        counter_->target->Read(read);
    }
    return n;
}

void FileEncoder::Store(int fd, uint64_t size, uint64_t& read, uint16_t& crc) {
    read = 0;
    crc = 0;
    reported_ = 0;
    while (read < size) {
        const std::size_t n = NextChunk(fd, size, read, crc);
        if (n == 0)
            break;
        counter_->Write(buffer_.data(), n);
    }
}

bool FileEncoder::Compress(int fd, uint64_t size, uint64_t& read, uint16_t& crc) {
    read = 0;
    crc = 0;
    const uint64_t start = counter_->count;
    if (encoder_)
        encoder_->Reset();
    else
        encoder_ = std::make_unique<LzhEncoder>(MethodFromName(method_), *counter_, tuning_);
    LzhEncoder& encoder = *encoder_;
    reported_ = 0;
    while (read < size) {
        const std::size_t n = NextChunk(fd, size, read, crc);
        if (n == 0)
            break;
        encoder.Write(buffer_.data(), n);
        if (encoder.InputInBlocks() >= kGiveUpAfter &&
            encoder.OutputBytes() >= encoder.InputInBlocks())
            return false;
    }
    encoder.Finish();
    return counter_->count - start < read;
}

void FileEncoder::Encode(const std::string& path, EncodedSink& sink) {
    path_ = path;
    counter_->target = &sink;
    counter_->count = 0;
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid()) {
        const int err = errno;
        Fail(err == ENOENT ? ARC_ERROR_NOT_EXIST : ARC_ERROR_FILE_OPEN,
             WithErrno("cannot open " + path, err));
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        Fail(ARC_ERROR_FILE_OPEN, "not a regular file: " + path);
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    sink.Opened(st);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint64_t read = 0;
    uint16_t crc = 0;
    if (Compresses(method_, size)) {
        if (Compress(fd.Get(), size, read, crc)) {
            sink.Done(read, crc, false);
            return;
        }
        sink.Restart();
        if (::lseek(fd.Get(), 0, SEEK_SET) != 0)
            Fail(ARC_ERROR_FILE_OPEN, WithErrno("cannot read " + path, errno));
    }
    Store(fd.Get(), size, read, crc);
    sink.Done(read, crc, true);
}

} // namespace unlha
