#include "archivers/unlha32/Lh1Decoder.h"

#include <cstring>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {
namespace {

constexpr unsigned kWindow = 4096;
constexpr int kMinMatch = 3;
constexpr uint32_t kMaxFreq = 0x8000;
constexpr std::size_t kOutChunk = std::size_t{1} << 16;

[[noreturn]] void Broken(const char* what) {
    Fail(ARC_ERROR_HUFFMAN_CODE, std::string("broken compressed data (") + what + ")");
}

} // namespace

Lh1Decoder::AdaptiveCode::AdaptiveCode()
    : freq(kNodes + 1), parent(kNodes + kSymbols), child(kNodes) {
    for (int i = 0; i < kSymbols; ++i) {
        freq[i] = 1;
        child[i] = i + kNodes;
        parent[i + kNodes] = i;
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
        freq[j] = freq[i] + freq[i + 1];
        child[j] = i;
        parent[i] = parent[i + 1] = j;
    }
    freq[kNodes] = 0xFFFF;
    parent[kRoot] = 0;
}

// Halves every leaf's count and builds the tree again, keeping the nodes ordered by count.
void Lh1Decoder::AdaptiveCode::Rebuild() {
    int j = 0;
    for (int i = 0; i < kNodes; ++i) {
        if (child[i] >= kNodes) {
            freq[j] = (freq[i] + 1) / 2;
            child[j] = child[i];
            ++j;
        }
    }
    for (int i = 0, k = kSymbols; k < kNodes; i += 2, ++k) {
        const uint32_t f = freq[i] + freq[i + 1];
        int at = k - 1;
        while (f < freq[at])
            --at;
        ++at;
        for (int m = k; m > at; --m) {
            freq[m] = freq[m - 1];
            child[m] = child[m - 1];
        }
        freq[at] = f;
        child[at] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
        const int c = child[i];
        if (c >= kNodes)
            parent[c] = i;
        else
            parent[c] = parent[c + 1] = i;
    }
}

// Counts one more of symbol, swapping a node past the nodes it now outweighs.
void Lh1Decoder::AdaptiveCode::Update(int symbol) {
    if (freq[kRoot] == kMaxFreq)
        Rebuild();
    int c = parent[symbol + kNodes];
    do {
        const uint32_t k = ++freq[c];
        int l = c + 1;
        if (k > freq[l]) {
            while (k > freq[++l]) {
            }
            --l;
            freq[c] = freq[l];
            freq[l] = k;
            const int i = child[c];
            parent[i] = l;
            if (i < kNodes)
                parent[i + 1] = l;
            const int j = child[l];
            child[l] = i;
            parent[j] = c;
            if (j < kNodes)
                parent[j + 1] = c;
            child[c] = j;
            c = l;
        }
        c = parent[c];
    } while (c != 0);
}

int Lh1Decoder::UpperBitsLength(int upper) {
    if (upper < 1)
        return 3;
    if (upper < 4)
        return 4;
    if (upper < 12)
        return 5;
    if (upper < 24)
        return 6;
    if (upper < 48)
        return 7;
    return 8;
}

Lh1Decoder::Lh1Decoder(ByteSource& source) : source_(source), in_(std::size_t{1} << 16) {}

unsigned Lh1Decoder::Bit() {
    return Bits(1);
}

unsigned Lh1Decoder::Bits(unsigned n) {
    while (bitCount_ < n) {
        if (inPos_ == inEnd_) {
            inEnd_ = source_.Read(in_.data(), in_.size());
            inPos_ = 0;
            if (inEnd_ == 0)
                Broken("truncated");
        }
        bitBuffer_ = (bitBuffer_ << 8) | in_[inPos_++];
        bitCount_ += 8;
    }
    bitCount_ -= n;
    return (bitBuffer_ >> bitCount_) & ((1u << n) - 1);
}

// The fixed code is canonical: shorter codes first, equal lengths in the order of the values.
int Lh1Decoder::DecodeUpperBits() {
    unsigned code = 0;
    int first = 0;      // first value of the current length
    unsigned start = 0; // first code of the current length
    for (int len = 1; len <= 8; ++len) {
        code = (code << 1) | Bit();
        start <<= 1;
        int count = 0;
        for (int v = first; v < 64 && UpperBitsLength(v) == len; ++v)
            ++count;
        if (code < start + static_cast<unsigned>(count))
            return first + static_cast<int>(code - start);
        start += static_cast<unsigned>(count);
        first += count;
    }
    Broken("invalid distance code");
}

void Lh1Decoder::Decode(uint64_t size, ByteSink& sink) {
    std::vector<uint8_t> window(kWindow, ' ');
    unsigned pos = 0;
    std::vector<uint8_t> out;
    out.reserve(kOutChunk);
    auto put = [&](uint8_t b) {
        out.push_back(b);
        window[pos] = b;
        pos = (pos + 1) & (kWindow - 1);
        if (out.size() >= kOutChunk) {
            sink.Write(out.data(), out.size());
            out.clear();
        }
    };
    uint64_t remaining = size;
    while (remaining > 0) {
        int c = code_.child[kRoot];
        while (c < kNodes)
            c = code_.child[c + static_cast<int>(Bit())];
        c -= kNodes;
        code_.Update(c);
        if (c < 256) {
            put(static_cast<uint8_t>(c));
            --remaining;
            continue;
        }
        const unsigned length = static_cast<unsigned>(c - 256 + kMinMatch);
        const unsigned distance = ((static_cast<unsigned>(DecodeUpperBits()) << 6) | Bits(6)) + 1;
        if (length > remaining)
            Broken("match past the end of the data");
        const unsigned from = (pos - distance) & (kWindow - 1);
        for (unsigned i = 0; i < length; ++i)
            put(window[(from + i) & (kWindow - 1)]);
        remaining -= length;
    }
    if (!out.empty())
        sink.Write(out.data(), out.size());
}

} // namespace unlha
