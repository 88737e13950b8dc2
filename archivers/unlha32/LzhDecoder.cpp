#include "archivers/unlha32/LzhDecoder.h"

#include <cstring>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {
namespace {

constexpr int kCharRootBits = 12;
constexpr int kPtRootBits = 8;
// Bytes decoded between two hand-overs to the sink.
constexpr std::size_t kChunk = std::size_t{1} << 18;

} // namespace

LzhDecoder::LzhDecoder(Method method, ByteSource& source)
    : params_(ParametersOf(method)), in_(source) {
    const std::size_t dict = std::size_t{1} << params_.dictionaryBits;
    // History, one chunk, room for a match that starts at the chunk's end, and slack for the
    // eight-byte copies.
    window_.resize(dict + kChunk + kMaxMatch + 16);
}

void LzhDecoder::Broken(const char* what) {
    Fail(ARC_ERROR_HUFFMAN_CODE, std::string("broken compressed data (") + what + ")");
}

int LzhDecoder::DecodeSymbol(const HuffmanTable& table) {
    in_.Refill();
    const int root = table.RootBits();
    uint32_t e = table.Entries()[in_.Peek(static_cast<unsigned>(root))];
    if ((e >> 24) == HuffmanTable::kSubTable) {
        const unsigned bits = (e >> 16) & 0xFF;
        const uint32_t index = in_.Peek(static_cast<unsigned>(root) + bits) & ((1u << bits) - 1);
        e = table.Entries()[(e & 0xFFFF) + index];
    }
    if ((e >> 24) != HuffmanTable::kSymbol)
        Broken("invalid code");
    in_.Skip((e >> 16) & 0xFF);
    return static_cast<int>(e & 0xFFFF);
}

void LzhDecoder::ReadPtLengths(HuffmanTable& table, int nn, int countBits, int special) {
    const int n = static_cast<int>(in_.Get(static_cast<unsigned>(countBits)));
    if (n == 0) {
        const int c = static_cast<int>(in_.Get(static_cast<unsigned>(countBits)));
        if (c >= nn)
            Broken("one-symbol code out of range");
        table.SetSingle(c, kPtRootBits);
        return;
    }
    if (n > nn)
        Broken("too many code lengths");
    uint8_t lengths[kPtCodes] = {};
    int i = 0;
    while (i < n) {
        in_.Refill();
        unsigned c = in_.Peek(3);
        in_.Skip(3);
        if (c == 7) {
            // Lengths of 7 and more: "111", then one 1 bit per length above 7, then a 0 bit.
            while (in_.Get(1) == 1) {
                if (++c > 16)
                    Broken("code length over 16");
            }
        }
        lengths[i++] = static_cast<uint8_t>(c);
        if (i == special) {
            int zeros = static_cast<int>(in_.Get(2));
            while (zeros-- > 0 && i < nn)
                lengths[i++] = 0;
        }
    }
    if (!table.Build(lengths, nn, kPtRootBits))
        Broken("bad code lengths");
}

void LzhDecoder::ReadCharLengths() {
    const int n = static_cast<int>(in_.Get(kCharCountBits));
    if (n == 0) {
        const int c = static_cast<int>(in_.Get(kCharCountBits));
        if (c >= kCharCodes)
            Broken("one-symbol code out of range");
        charTable_.SetSingle(c, kCharRootBits);
        return;
    }
    if (n > kCharCodes)
        Broken("too many code lengths");
    uint8_t lengths[kCharCodes] = {};
    int i = 0;
    while (i < n) {
        const int c = DecodeSymbol(ptTable_);
        if (c <= 2) {
            int zeros = c == 0   ? 1
                        : c == 1 ? static_cast<int>(in_.Get(4)) + 3
                                 : static_cast<int>(in_.Get(kCharCountBits)) + 20;
            if (i + zeros > kCharCodes)
                Broken("run of zero lengths too long");
            while (zeros-- > 0)
                lengths[i++] = 0;
        } else {
            lengths[i++] = static_cast<uint8_t>(c - 2);
        }
        if (in_.Overrun())
            Broken("truncated");
    }
    if (!charTable_.Build(lengths, kCharCodes, kCharRootBits))
        Broken("bad code lengths");
}

void LzhDecoder::ReadBlockHeader() {
    blockRemaining_ = in_.Get(16);
    if (blockRemaining_ == 0)
        Broken("empty block");
    ReadPtLengths(ptTable_, kPtCodes, kPtCountBits, 3);
    ReadCharLengths();
    ReadPtLengths(posTable_, params_.positionCodes, params_.positionBits, -1);
    if (in_.Overrun())
        Broken("truncated");
}

void LzhDecoder::Decode(uint64_t size, ByteSink& sink) {
    const std::size_t dict = std::size_t{1} << params_.dictionaryBits;
    uint8_t* const win = window_.data();
    // Matches may reach before the first byte; the dictionary starts filled with blanks.
    std::memset(win, ' ', dict);
    std::size_t pos = dict;
    uint64_t remaining = size;
    const uint8_t* bufferEnd = in_.BufferEnd();
    BitReader::State s = in_.Save();

    while (remaining > 0) {
        const std::size_t limit = dict + kChunk;
        while (pos < limit && remaining > 0) {
            if (blockRemaining_ == 0) {
                in_.Restore(s);
                ReadBlockHeader();
                s = in_.Save();
                bufferEnd = in_.BufferEnd();
            }
            --blockRemaining_;
            // At least 56 bits: a character code (16), a position code (16) and its extra
            // bits (15) fit without another refill.
            if (s.count < 56) {
                if (bufferEnd - s.pos >= 8) {
                    uint64_t v;
                    std::memcpy(&v, s.pos, 8);
                    s.bits |= __builtin_bswap64(v) >> s.count;
                    s.pos += (63 - s.count) >> 3;
                    s.count |= 56;
                } else {
                    in_.Restore(s);
                    in_.Refill();
                    if (in_.Overrun())
                        Broken("truncated");
                    s = in_.Save();
                    bufferEnd = in_.BufferEnd();
                }
            }
            const uint32_t* ct = charTable_.Entries();
            uint32_t e = ct[s.bits >> (64 - kCharRootBits)];
            if ((e >> 24) != HuffmanTable::kSymbol) {
                if ((e >> 24) == HuffmanTable::kSubTable) {
                    const unsigned bits = (e >> 16) & 0xFF;
                    const uint32_t index = static_cast<uint32_t>(
                        (s.bits >> (64 - kCharRootBits - bits)) & ((1u << bits) - 1));
                    e = ct[(e & 0xFFFF) + index];
                }
                if ((e >> 24) != HuffmanTable::kSymbol)
                    Broken("invalid code");
            }
            {
                const unsigned len = (e >> 16) & 0xFF;
                s.bits <<= len;
                s.count -= len;
            }
            const unsigned c = e & 0xFFFF;
            if (c < 256) {
                win[pos++] = static_cast<uint8_t>(c);
                --remaining;
                continue;
            }
            const unsigned length = c - 256 + kMinMatch;
            const uint32_t* pt = posTable_.Entries();
            uint32_t pe = pt[s.bits >> (64 - kPtRootBits)];
            if ((pe >> 24) != HuffmanTable::kSymbol) {
                if ((pe >> 24) == HuffmanTable::kSubTable) {
                    const unsigned bits = (pe >> 16) & 0xFF;
                    const uint32_t index = static_cast<uint32_t>(
                        (s.bits >> (64 - kPtRootBits - bits)) & ((1u << bits) - 1));
                    pe = pt[(pe & 0xFFFF) + index];
                }
                if ((pe >> 24) != HuffmanTable::kSymbol)
                    Broken("invalid code");
            }
            {
                const unsigned len = (pe >> 16) & 0xFF;
                s.bits <<= len;
                s.count -= len;
            }
            const unsigned j = pe & 0xFFFF;
            std::size_t distance = 1;
            if (j > 0) {
                const unsigned extra = j - 1;
                uint32_t bits = 0;
                if (extra > 0) {
                    bits = static_cast<uint32_t>(s.bits >> (64 - extra));
                    s.bits <<= extra;
                    s.count -= extra;
                }
                distance = ((std::size_t{1} << extra) | bits) + 1;
            }
            if (length > remaining)
                Broken("match past the end of the data");
            const uint8_t* src = win + pos - distance;
            uint8_t* dst = win + pos;
            if (distance >= 8) {
                for (unsigned k = 0; k < length; k += 8)
                    std::memcpy(dst + k, src + k, 8);
            } else if (distance == 1) {
                std::memset(dst, *src, length);
            } else {
                for (unsigned k = 0; k < length; ++k)
                    dst[k] = src[k];
            }
            pos += length;
            remaining -= length;
        }
        in_.Restore(s);
        if (in_.Overrun())
            Broken("truncated");
        sink.Write(win + dict, pos - dict);
        std::memmove(win, win + pos - dict, dict);
        pos = dict;
        s = in_.Save();
    }
    in_.Restore(s);
}

} // namespace unlha
