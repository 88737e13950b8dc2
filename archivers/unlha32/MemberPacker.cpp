#include "archivers/unlha32/MemberPacker.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/FileHandle.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 18;
constexpr uint64_t kReportEvery = uint64_t{1} << 20;
// After this much input, compression that has not made the data smaller is given up.
constexpr uint64_t kGiveUpAfter = uint64_t{1} << 19;

// Failures of one file that leave the rest of the command going.
bool FileFailure(int32_t code) {
    return code == ARC_ERROR_FILE_OPEN || code == ARC_ERROR_NOT_EXIST ||
           code == ARC_ERROR_LONG_FILE_NAME;
}

} // namespace

MemberPacker::MemberPacker(ArchiveWriter& writer, Progress& progress, Report& report,
                           std::string method, const EncoderTuning& tuning)
    : writer_(writer), progress_(progress), report_(report), method_(std::move(method)),
      tuning_(tuning), buffer_(kChunk) {}

void MemberPacker::ReadChunk(int fd, uint64_t remaining, std::size_t& n) {
    n = ReadFully(fd, buffer_.data(),
                  static_cast<std::size_t>(std::min<uint64_t>(remaining, kChunk)),
                  ARC_ERROR_FILE_OPEN, path_);
}

void MemberPacker::Store(int fd, uint64_t size, uint64_t& read, uint16_t& crc) {
    read = 0;
    crc = 0;
    uint64_t reported = 0;
    while (read < size) {
        std::size_t n;
        ReadChunk(fd, size - read, n);
        if (n == 0)
            break;
        crc = UpdateCrc16(crc, buffer_.data(), n);
        writer_.Write(buffer_.data(), n);
        read += n;
        if (read - reported >= kReportEvery) {
            reported = read;
            progress_.Written(read);
        }
    }
}

bool MemberPacker::Compress(int fd, uint64_t size, uint64_t& read, uint16_t& crc) {
    read = 0;
    crc = 0;
    const uint64_t start = writer_.Position();
    if (encoder_)
        encoder_->Reset();
    else
        encoder_ = std::make_unique<LzhEncoder>(MethodFromName(method_), writer_, tuning_);
    LzhEncoder& encoder = *encoder_;
    uint64_t reported = 0;
    while (read < size) {
        std::size_t n;
        ReadChunk(fd, size - read, n);
        if (n == 0)
            break;
        crc = UpdateCrc16(crc, buffer_.data(), n);
        encoder.Write(buffer_.data(), n);
        read += n;
        if (read - reported >= kReportEvery) {
            reported = read;
            progress_.Written(read);
        }
        if (encoder.InputInBlocks() >= kGiveUpAfter &&
            encoder.OutputBytes() >= encoder.InputInBlocks())
            return false;
    }
    encoder.Finish();
    return writer_.Position() - start < read;
}

bool MemberPacker::Pack(const SourceFile& file) {
    path_ = file.path;
    const uint64_t headerAt = writer_.Position();
    try {
        MemberHeader h;
        h.path = file.memberName;
        if (file.directory) {
            struct stat st {};
            if (::stat(file.path.c_str(), &st) != 0)
                Fail(ARC_ERROR_NOT_EXIST, WithErrno("cannot read " + file.path, errno));
            h.method = "-lhd-";
            h.mtime = st.st_mtime;
            h.unixMode = static_cast<uint16_t>(0040000 | (st.st_mode & 07777));
            progress_.Begin(file.path, file.memberName, 0);
            writer_.Write(BuildLevel2Header(h, false));
            progress_.Written(0);
            report_.Line(file.memberName + " - directory added");
            return true;
        }
        FileHandle fd(::open(file.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd.Valid()) {
            const int err = errno;
            Fail(err == ENOENT ? ARC_ERROR_NOT_EXIST : ARC_ERROR_FILE_OPEN,
                 WithErrno("cannot open " + file.path, err));
        }
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
            Fail(ARC_ERROR_FILE_OPEN, "not a regular file: " + file.path);
        ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        h.method = size == 0 ? "-lh0-" : method_;
        h.mtime = st.st_mtime;
        h.unixMode = static_cast<uint16_t>(0100000 | (st.st_mode & 07777));
        h.originalSize = size;
        const bool large = NeedsLargeSizes(size);
        writer_.Write(BuildLevel2Header(h, large));
        const uint64_t dataAt = writer_.Position();
        progress_.Begin(file.path, file.memberName, size);

        uint64_t read = 0;
        uint16_t crc = 0;
        bool done = false;
        if (h.method != "-lh0-") {
            done = Compress(fd.Get(), size, read, crc);
            if (!done) {
                writer_.Rewind(dataAt);
                if (::lseek(fd.Get(), 0, SEEK_SET) != 0)
                    Fail(ARC_ERROR_FILE_OPEN, WithErrno("cannot read " + file.path, errno));
                h.method = "-lh0-";
            }
        }
        if (!done)
            Store(fd.Get(), size, read, crc);
        h.originalSize = read;
        h.compressedSize = writer_.Position() - dataAt;
        h.crc = crc;
        writer_.Patch(headerAt, BuildLevel2Header(h, large));
        progress_.Written(read);
        report_.Line(file.memberName + " - " + h.method);
        return true;
    } catch (const ArchiveError& e) {
        if (!FileFailure(e.code()))
            throw;
        writer_.Rewind(headerAt);
        report_.Error(e.code(), e.what());
        return false;
    }
}

} // namespace unlha
