#include "archivers/unlha32/MemberData.h"

#include <vector>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/LarcDecoder.h"
#include "archivers/unlha32/Lh1Decoder.h"
#include "archivers/unlha32/LzhDecoder.h"

namespace unlha {
namespace {

constexpr uint64_t kReportEvery = uint64_t{1} << 20;

// Passes bytes on while computing their CRC and telling the progress.
class CheckedSink : public ByteSink {
public:
    CheckedSink(ByteSink* out, Progress* progress) : out_(out), progress_(progress) {}
    void Write(const uint8_t* data, std::size_t size) override {
        crc_ = UpdateCrc16(crc_, data, size);
        if (out_ != nullptr)
            out_->Write(data, size);
        count_ += size;
        if (progress_ != nullptr && count_ - reported_ >= kReportEvery) {
            reported_ = count_;
            progress_->Written(count_);
        }
    }
    uint16_t Crc() const { return crc_; }
    uint64_t Count() const { return count_; }

private:
    ByteSink* out_;
    Progress* progress_;
    uint16_t crc_ = 0;
    uint64_t count_ = 0;
    uint64_t reported_ = 0;
};

} // namespace

void ReadMemberData(ArchiveReader& reader, const MemberHeader& header, ByteSink* out,
                    Progress* progress) {
    CheckedSink sink(out, progress);
    const Method method = MethodFromName(header.method);
    if (method == Method::Stored) {
        if (header.compressedSize != header.originalSize)
            Fail(ARC_ERROR_HEADER_BROKEN, "stored member with two sizes: " + header.path);
        std::vector<uint8_t> buffer(std::size_t{1} << 18);
        for (;;) {
            const std::size_t n = reader.Data().Read(buffer.data(), buffer.size());
            if (n == 0)
                break;
            sink.Write(buffer.data(), n);
        }
    } else if (method == Method::Lh4 || method == Method::Lh5 || method == Method::Lh6 ||
               method == Method::Lh7) {
        LzhDecoder decoder(method, reader.Data());
        decoder.Decode(header.originalSize, sink);
    } else if (method == Method::Lh1) {
        Lh1Decoder decoder(reader.Data());
        decoder.Decode(header.originalSize, sink);
    } else if (method == Method::Lzs || method == Method::Lz5) {
        LarcDecoder decoder(method, reader.Data());
        decoder.Decode(header.originalSize, sink);
    } else {
        Fail(ARC_ERROR_METHOD, "method " + header.method + " is not supported: " + header.path);
    }
    if (progress != nullptr)
        progress->Written(sink.Count());
    if (sink.Crc() != header.crc)
        Fail(ARC_ERROR_FILE_CRC, "CRC mismatch: " + header.path);
}

} // namespace unlha
