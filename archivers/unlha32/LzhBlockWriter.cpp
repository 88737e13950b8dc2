#include "archivers/unlha32/LzhBlockWriter.h"

#include <cstring>

#include "archivers/unlha32/HuffmanCode.h"

namespace unlha {

LzhBlockWriter::LzhBlockWriter(Method method, BitWriter& out, int maxCodes)
    : params_(ParametersOf(method)), out_(out), maxCodes_(maxCodes > 65535 ? 65535 : maxCodes),
      items_(static_cast<std::size_t>(maxCodes_)) {}

void LzhBlockWriter::WritePtLengths(const uint8_t* lengths, int n, int countBits, int special) {
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    out_.Put(static_cast<unsigned>(countBits), static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        const unsigned k = lengths[i++];
        if (k <= 6)
            out_.Put(3, k);
        else
            out_.Put(k - 3, (1u << (k - 3)) - 2);
        if (i == special) {
            while (i < 6 && i < n && lengths[i] == 0)
                ++i;
            out_.Put(2, static_cast<uint32_t>(i - 3));
        }
    }
}

void LzhBlockWriter::WriteCharLengths(const uint8_t* ptLengths, const uint16_t* ptCodes) {
    int n = kCharCodes;
    while (n > 0 && charLengths_[n - 1] == 0)
        --n;
    out_.Put(kCharCountBits, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        const int k = charLengths_[i++];
        if (k != 0) {
            out_.Put(ptLengths[k + 2], ptCodes[k + 2]);
            continue;
        }
        int zeros = 1;
        while (i < n && charLengths_[i] == 0) {
            ++i;
            ++zeros;
        }
        if (zeros <= 2) {
            for (int z = 0; z < zeros; ++z)
                out_.Put(ptLengths[0], ptCodes[0]);
        } else if (zeros <= 18) {
            out_.Put(ptLengths[1], ptCodes[1]);
            out_.Put(4, static_cast<uint32_t>(zeros - 3));
        } else if (zeros == 19) {
            out_.Put(ptLengths[0], ptCodes[0]);
            out_.Put(ptLengths[1], ptCodes[1]);
            out_.Put(4, 15);
        } else {
            out_.Put(ptLengths[2], ptCodes[2]);
            out_.Put(kCharCountBits, static_cast<uint32_t>(zeros - 20));
        }
    }
}

void LzhBlockWriter::Flush() {
    if (count_ == 0)
        return;
    const int np = params_.positionCodes;
    uint16_t charCodes[kCharCodes];
    const int usedChars = BuildCodeLengths(charFreq_, kCharCodes, 16, charLengths_);
    BuildCanonicalCodes(charLengths_, kCharCodes, charCodes);

    out_.Put(16, static_cast<uint32_t>(count_));
    if (usedChars >= 2) {
        // The code that sends the character code lengths, with its run-length codes 0-2.
        uint32_t ptFreq[kPtCodes] = {};
        int n = kCharCodes;
        while (n > 0 && charLengths_[n - 1] == 0)
            --n;
        for (int i = 0; i < n;) {
            const int k = charLengths_[i++];
            if (k != 0) {
                ++ptFreq[k + 2];
                continue;
            }
            int zeros = 1;
            while (i < n && charLengths_[i] == 0) {
                ++i;
                ++zeros;
            }
            if (zeros <= 2)
                ptFreq[0] += static_cast<uint32_t>(zeros);
            else if (zeros <= 18)
                ++ptFreq[1];
            else if (zeros == 19) {
                ++ptFreq[0];
                ++ptFreq[1];
            } else
                ++ptFreq[2];
        }
        uint8_t ptLengths[kPtCodes];
        uint16_t ptCodes[kPtCodes];
        const int usedPt = BuildCodeLengths(ptFreq, kPtCodes, 16, ptLengths);
        BuildCanonicalCodes(ptLengths, kPtCodes, ptCodes);
        if (usedPt >= 2) {
            WritePtLengths(ptLengths, kPtCodes, kPtCountBits, 3);
        } else {
            int only = 0;
            while (ptFreq[only] == 0)
                ++only;
            out_.Put(kPtCountBits, 0);
            out_.Put(kPtCountBits, static_cast<uint32_t>(only));
        }
        WriteCharLengths(ptLengths, ptCodes);
    } else {
        int only = 0;
        while (charFreq_[only] == 0)
            ++only;
        out_.Put(kPtCountBits, 0);
        out_.Put(kPtCountBits, 0);
        out_.Put(kCharCountBits, 0);
        out_.Put(kCharCountBits, static_cast<uint32_t>(only));
    }

    uint8_t posLengths[kMaxPositionCodes];
    uint16_t posCodes[kMaxPositionCodes];
    const int usedPos = BuildCodeLengths(posFreq_, np, 16, posLengths);
    BuildCanonicalCodes(posLengths, np, posCodes);
    if (usedPos >= 2) {
        WritePtLengths(posLengths, np, params_.positionBits, -1);
    } else {
        int only = 0;
        while (only < np - 1 && posFreq_[only] == 0)
            ++only;
        out_.Put(static_cast<unsigned>(params_.positionBits), 0);
        out_.Put(static_cast<unsigned>(params_.positionBits),
                 static_cast<uint32_t>(usedPos == 0 ? 0 : only));
    }

    for (int i = 0; i < count_; ++i) {
        const uint32_t item = items_[static_cast<std::size_t>(i)];
        const uint32_t c = item & 0xFFFF;
        if (c < 256) {
            out_.Put(charLengths_[c], charCodes[c]);
            continue;
        }
        const uint32_t p = item >> 16;
        const unsigned j = p == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(p));
        out_.Put(static_cast<unsigned>(charLengths_[c]) + posLengths[j],
                 (static_cast<uint32_t>(charCodes[c]) << posLengths[j]) | posCodes[j]);
        if (j > 1)
            out_.Put(j - 1, p & ((1u << (j - 1)) - 1));
    }

    Clear();
}

void LzhBlockWriter::Clear() {
    count_ = 0;
    std::memset(charFreq_, 0, sizeof charFreq_);
    std::memset(posFreq_, 0, sizeof posFreq_);
}

} // namespace unlha
