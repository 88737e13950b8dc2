#include "archivers/unlha32/BitReader.h"

namespace unlha {

BitReader::BitReader(ByteSource& source, std::size_t bufferSize)
    : source_(source), buffer_(bufferSize < 64 ? 64 : bufferSize) {
    pos_ = end_ = buffer_.data();
}

void BitReader::RefillSlow() {
    // Move the few bytes left to the front and read more, until 8 are there or the data ends.
    std::size_t left = static_cast<std::size_t>(end_ - pos_);
    if (left < 8 && !sourceEnded_) {
        std::memmove(buffer_.data(), pos_, left);
        while (left < 8 && !sourceEnded_) {
            const std::size_t n = source_.Read(buffer_.data() + left, buffer_.size() - left);
            if (n == 0)
                sourceEnded_ = true;
            left += n;
        }
        pos_ = buffer_.data();
        end_ = pos_ + left;
    }
    if (end_ - pos_ >= 8) {
        Refill();
        return;
    }
    while (count_ <= 56) {
        uint64_t byte = 0;
        if (pos_ < end_)
            byte = *pos_++;
        else
            padBits_ += 8;
        bits_ |= byte << (56 - count_);
        count_ += 8;
    }
}

} // namespace unlha
