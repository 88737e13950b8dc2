#include "archivers/unlha32/HuffmanTable.h"

#include <algorithm>

namespace unlha {

void HuffmanTable::SetSingle(int symbol, int rootBits) {
    rootBits_ = rootBits;
    entries_.assign(std::size_t{1} << rootBits, Make(kSymbol, 0, static_cast<uint32_t>(symbol)));
}

bool HuffmanTable::Build(const uint8_t* lengths, int n, int rootBits) {
    rootBits_ = rootBits;
    unsigned count[17] = {};
    for (int i = 0; i < n; ++i) {
        if (lengths[i] > 16)
            return false;
        ++count[lengths[i]];
    }
    count[0] = 0;
    // Kraft sum in units of 2^-16: more than 2^16 is over-subscribed.
    uint32_t kraft = 0;
    for (int len = 1; len <= 16; ++len)
        kraft += count[len] << (16 - len);
    if (kraft > (1u << 16))
        return false;

    unsigned next[17] = {};
    unsigned code = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    // Codes per symbol; the longest code below each root prefix sizes its sub-table.
    std::vector<uint16_t> codes(static_cast<std::size_t>(n));
    const std::size_t rootSize = std::size_t{1} << rootBits;
    std::vector<uint8_t> subBits(rootSize, 0);
    for (int i = 0; i < n; ++i) {
        const int len = lengths[i];
        if (len == 0)
            continue;
        codes[static_cast<std::size_t>(i)] = static_cast<uint16_t>(next[len]++);
        if (len > rootBits) {
            const std::size_t prefix = codes[static_cast<std::size_t>(i)] >> (len - rootBits);
            subBits[prefix] =
                std::max<uint8_t>(subBits[prefix], static_cast<uint8_t>(len - rootBits));
        }
    }
    entries_.assign(rootSize, Make(kInvalid, 0, 0));
    for (std::size_t prefix = 0; prefix < rootSize; ++prefix) {
        if (subBits[prefix] == 0)
            continue;
        const std::size_t offset = entries_.size();
        entries_[prefix] = Make(kSubTable, subBits[prefix], static_cast<uint32_t>(offset));
        entries_.resize(offset + (std::size_t{1} << subBits[prefix]), Make(kInvalid, 0, 0));
    }
    for (int i = 0; i < n; ++i) {
        const int len = lengths[i];
        if (len == 0)
            continue;
        const uint32_t c = codes[static_cast<std::size_t>(i)];
        const uint32_t entry = Make(kSymbol, static_cast<uint32_t>(len), static_cast<uint32_t>(i));
        if (len <= rootBits) {
            const std::size_t first = std::size_t{c} << (rootBits - len);
            std::fill_n(entries_.begin() + static_cast<std::ptrdiff_t>(first),
                        std::size_t{1} << (rootBits - len), entry);
        } else {
            const std::size_t prefix = c >> (len - rootBits);
            const uint32_t root = entries_[prefix];
            const int bits = static_cast<int>((root >> 16) & 0xFF);
            const std::size_t offset = root & 0xFFFF;
            const int rest = len - rootBits;
            const std::size_t low = c & ((1u << rest) - 1);
            const std::size_t first = offset + (low << (bits - rest));
            std::fill_n(entries_.begin() + static_cast<std::ptrdiff_t>(first),
                        std::size_t{1} << (bits - rest), entry);
        }
    }
    return true;
}

} // namespace unlha
