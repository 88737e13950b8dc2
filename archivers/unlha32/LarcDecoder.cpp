#include "archivers/unlha32/LarcDecoder.h"

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {
namespace {

constexpr std::size_t kOutChunk = std::size_t{1} << 16;

} // namespace

LarcDecoder::LarcDecoder(Method method, ByteSource& source)
    : method_(method), source_(source), in_(std::size_t{1} << 16) {
    if (method_ == Method::Lzs) {
        ring_.assign(2048, ' ');
        ringPos_ = 2048 - 17;
        return;
    }
    // -lz5-: runs of 13 of every byte value, the values ascending and descending, 128 zeros,
    // 110 blanks and 18 zeros; writing starts 18 bytes before the end.
    ring_.reserve(4096);
    for (unsigned v = 0; v < 256; ++v)
        ring_.insert(ring_.end(), 13, static_cast<uint8_t>(v));
    for (unsigned v = 0; v < 256; ++v)
        ring_.push_back(static_cast<uint8_t>(v));
    for (unsigned v = 0; v < 256; ++v)
        ring_.push_back(static_cast<uint8_t>(255 - v));
    ring_.insert(ring_.end(), 128, 0);
    ring_.insert(ring_.end(), 110, ' ');
    ring_.insert(ring_.end(), 18, 0);
    ringPos_ = 4096 - 18;
}

int LarcDecoder::Byte() {
    if (inPos_ == inEnd_) {
        inEnd_ = source_.Read(in_.data(), in_.size());
        inPos_ = 0;
        if (inEnd_ == 0)
            Fail(ARC_ERROR_HUFFMAN_CODE, "broken compressed data (truncated)");
    }
    return in_[inPos_++];
}

unsigned LarcDecoder::Bits(unsigned n) {
    while (bitCount_ < n) {
        bitBuffer_ = (bitBuffer_ << 8) | static_cast<uint32_t>(Byte());
        bitCount_ += 8;
    }
    bitCount_ -= n;
    return (bitBuffer_ >> bitCount_) & ((1u << n) - 1);
}

void LarcDecoder::Put(uint8_t b) {
    out_.push_back(b);
    ring_[ringPos_] = b;
    ringPos_ = (ringPos_ + 1) & static_cast<unsigned>(ring_.size() - 1);
    if (out_.size() >= kOutChunk)
        Flush();
}

void LarcDecoder::Flush() {
    if (!out_.empty())
        sink_->Write(out_.data(), out_.size());
    out_.clear();
}

void LarcDecoder::Copy(unsigned start, unsigned length, uint64_t& remaining) {
    if (length > remaining)
        Fail(ARC_ERROR_HUFFMAN_CODE, "broken compressed data (match past the end of the data)");
    const unsigned mask = static_cast<unsigned>(ring_.size() - 1);
    for (unsigned i = 0; i < length; ++i)
        Put(ring_[(start + i) & mask]);
    remaining -= length;
}

void LarcDecoder::Decode(uint64_t size, ByteSink& sink) {
    sink_ = &sink;
    out_.reserve(kOutChunk);
    uint64_t remaining = size;
    if (method_ == Method::Lzs) {
        while (remaining > 0) {
            if (Bits(1) != 0) {
                Put(static_cast<uint8_t>(Bits(8)));
                --remaining;
            } else {
                const unsigned start = Bits(11);
                Copy(start, Bits(4) + 2, remaining);
            }
        }
    } else {
        while (remaining > 0) {
            const int flags = Byte();
            for (int bit = 0; bit < 8 && remaining > 0; ++bit) {
                if ((flags >> bit) & 1) {
                    Put(static_cast<uint8_t>(Byte()));
                    --remaining;
                } else {
                    const unsigned lo = static_cast<unsigned>(Byte());
                    const unsigned hi = static_cast<unsigned>(Byte());
                    Copy(lo | ((hi & 0xF0) << 4), (hi & 0x0F) + 3, remaining);
                }
            }
        }
    }
    Flush();
}

} // namespace unlha
