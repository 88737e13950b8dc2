#include "archivers/unlha32/LzhEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace unlha {
namespace {

static_assert(std::endian::native == std::endian::little, "match comparison assumes little endian");

constexpr int kHashBits = 16;
constexpr std::size_t kInputChunk = std::size_t{1} << 18;
// Lookahead kept before a new search, so every match can reach its full length.
constexpr std::size_t kMinLookahead = kMaxMatch + kMinMatch + 1;
// A match of three bytes further back than this costs more than three literals.
constexpr uint32_t kTooFar = 4096;
// Absolute positions start here so that 0 means "no position" in the hash tables.
constexpr uint32_t kFirstPosition = 1u << 17;
// Positions are rebased before they come near the 32-bit limit.
constexpr uint32_t kRebaseAt = 0xC0000000u;

inline unsigned CommonLength(const uint8_t* a, const uint8_t* b, unsigned max) {
    unsigned len = 0;
    while (len + 8 <= max) {
        uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        const uint64_t diff = x ^ y;
        if (diff != 0)
            return len + static_cast<unsigned>(__builtin_ctzll(diff)) / 8;
        len += 8;
    }
    while (len < max && a[len] == b[len])
        ++len;
    return len;
}

} // namespace

LzhEncoder::LzhEncoder(Method method, ByteSink& sink, const EncoderTuning& tuning)
    : tuning_(tuning), bits_(sink), block_(method, bits_, tuning.blockCodes),
      dictSize_(1u << ParametersOf(method).dictionaryBits), maxDistance_(dictSize_),
      base_(kFirstPosition), head_(std::size_t{1} << kHashBits, 0), prev_(dictSize_, 0) {
    capacity_ = dictSize_ + kInputChunk;
    buffer_.assign(capacity_ + kMaxMatch + 16, 0);
    tuning_.niceLength = std::clamp(tuning_.niceLength, kMinMatch, kMaxMatch);
}

uint32_t LzhEncoder::Hash(std::size_t s) const {
    uint32_t v;
    std::memcpy(&v, buffer_.data() + s, 4);
    return ((v & 0xFFFFFF) * 0x9E3779B1u) >> (32 - kHashBits);
}

void LzhEncoder::Insert(std::size_t s) {
    const uint32_t h = Hash(s);
    const uint32_t abs = base_ + static_cast<uint32_t>(s);
    prev_[abs & (dictSize_ - 1)] = head_[h];
    head_[h] = abs;
}

void LzhEncoder::Write(const uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (end_ == capacity_) {
            Compress(false);
            Slide();
        }
        const std::size_t n = std::min(size, capacity_ - end_);
        std::memcpy(buffer_.data() + end_, data, n);
        end_ += n;
        data += n;
        size -= n;
    }
}

void LzhEncoder::Finish() {
    Compress(true);
    FlushBlock();
    bits_.Finish();
}

void LzhEncoder::Reset() {
    // Positions jump past the dictionary, so every old table entry is too far back to match.
    const uint64_t next = uint64_t{base_} + end_ + dictSize_ + 1;
    if (next >= kRebaseAt) {
        std::fill(head_.begin(), head_.end(), 0);
        std::fill(prev_.begin(), prev_.end(), 0);
        base_ = kFirstPosition;
    } else {
        base_ = static_cast<uint32_t>(next);
    }
    strStart_ = end_ = 0;
    matchLength_ = kMinMatch - 1;
    matchStart_ = 0;
    matchAvailable_ = false;
    inputInBlocks_ = inputInBlock_ = 0;
    block_.Clear();
    bits_.Reset();
}

void LzhEncoder::FlushBlock() {
    block_.Flush();
    inputInBlocks_ += inputInBlock_;
    inputInBlock_ = 0;
}

void LzhEncoder::Slide() {
    // Keep the dictionary and one byte more (a pending lazy match starts one byte back).
    const std::size_t keep = dictSize_ + 1;
    if (strStart_ <= keep)
        return;
    const std::size_t shift = strStart_ - keep;
    std::memmove(buffer_.data(), buffer_.data() + shift, end_ - shift);
    strStart_ -= shift;
    end_ -= shift;
    base_ += static_cast<uint32_t>(shift);
    if (base_ >= kRebaseAt)
        Rebase();
}

void LzhEncoder::Rebase() {
    // Move every position down so that base_ is small again; older positions are forgotten.
    const uint32_t delta = base_ - kFirstPosition;
    auto adjust = [delta](uint32_t& p) { p = p > delta ? p - delta : 0; };
    std::for_each(head_.begin(), head_.end(), adjust);
    std::for_each(prev_.begin(), prev_.end(), adjust);
    adjust(matchStart_);
    base_ -= delta;
}

unsigned LzhEncoder::LongestMatch(std::size_t s, uint32_t candidate, unsigned prevLength,
                                  unsigned lookahead) {
    const uint8_t* const buf = buffer_.data();
    const uint8_t* scan = buf + s;
    const uint32_t abs = base_ + static_cast<uint32_t>(s);
    const uint32_t limit = abs > maxDistance_ ? abs - maxDistance_ : 0;
    int chain = tuning_.maxChain;
    if (prevLength >= static_cast<unsigned>(tuning_.goodLength))
        chain >>= 2;
    const unsigned maxLength = std::min<unsigned>(kMaxMatch, lookahead);
    const unsigned nice = std::min<unsigned>(static_cast<unsigned>(tuning_.niceLength), maxLength);
    unsigned best = prevLength;
    do {
        const uint8_t* match = buf + (candidate - base_);
        if (match[best] != scan[best] || match[best - 1] != scan[best - 1] || match[0] != scan[0] ||
            match[1] != scan[1])
            continue;
        const unsigned len = CommonLength(scan, match, maxLength);
        if (len > best) {
            matchStart_ = candidate;
            best = len;
            if (len >= nice)
                break;
        }
    } while ([&] {
        const uint32_t next = prev_[candidate & (dictSize_ - 1)];
        if (next >= candidate || next <= limit)
            return false;
        candidate = next;
        return true;
    }() && --chain > 0);
    return best;
}

void LzhEncoder::Compress(bool flush) {
    const uint8_t* const buf = buffer_.data();
    std::size_t s = strStart_;
    for (;;) {
        const std::size_t lookahead = end_ - s;
        if (lookahead == 0 || (!flush && lookahead < kMinLookahead))
            break;
        uint32_t hashHead = 0;
        if (lookahead >= kMinMatch) {
            const uint32_t h = Hash(s);
            hashHead = head_[h];
            const uint32_t abs = base_ + static_cast<uint32_t>(s);
            prev_[abs & (dictSize_ - 1)] = hashHead;
            head_[h] = abs;
        }
        const unsigned prevLength = matchLength_;
        const uint32_t prevMatch = matchStart_;
        matchLength_ = kMinMatch - 1;
        const uint32_t abs = base_ + static_cast<uint32_t>(s);
        if (hashHead != 0 && prevLength < static_cast<unsigned>(tuning_.maxLazy) &&
            abs - hashHead <= maxDistance_ && lookahead >= kMinMatch) {
            matchLength_ =
                LongestMatch(s, hashHead, prevLength < kMinMatch - 1 ? kMinMatch - 1 : prevLength,
                             static_cast<unsigned>(lookahead));
            if (matchLength_ <= prevLength)
                matchLength_ = kMinMatch - 1;
            if (matchLength_ == kMinMatch && abs - matchStart_ > kTooFar)
                matchLength_ = kMinMatch - 1;
        }
        if (prevLength >= kMinMatch && matchLength_ <= prevLength) {
            // The match found one byte back is at least as good: emit it.
            block_.Match(prevLength, (abs - 1) - prevMatch);
            inputInBlock_ += prevLength;
            const std::size_t lastInsert = end_ >= kMinMatch ? end_ - kMinMatch : 0;
            for (unsigned k = 0; k < prevLength - 2; ++k) {
                ++s;
                if (s <= lastInsert)
                    Insert(s);
            }
            matchAvailable_ = false;
            matchLength_ = kMinMatch - 1;
            ++s;
            if (block_.Full())
                FlushBlock();
        } else if (matchAvailable_) {
            block_.Literal(buf[s - 1]);
            inputInBlock_ += 1;
            ++s;
            if (block_.Full())
                FlushBlock();
        } else {
            matchAvailable_ = true;
            ++s;
        }
    }
    if (flush && matchAvailable_ && s == end_) {
        block_.Literal(buf[s - 1]);
        inputInBlock_ += 1;
        matchAvailable_ = false;
    }
    strStart_ = s;
}

} // namespace unlha
