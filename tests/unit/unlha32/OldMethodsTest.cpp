// The methods of older archivers (-lh1-, -lh4-, and LArc's -lzs- and -lz5-) and level-3
// headers. Test vectors come from the encoders here (-lh4- from the library's own static
// Huffman encoder); lhasa decodes every vector first, so a vector that lhasa rejects fails the
// test instead of proving the decoder right by its own reading.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/Lh1Decoder.h"
#include "archivers/unlha32/LzhEncoder.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha_test {
namespace {

using unlha::Lh1Decoder;

class BitOut {
public:
    void Put(unsigned n, uint32_t value) {
        for (unsigned i = n; i-- > 0;) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | ((value >> i) & 1));
            if (++count_ == 8) {
                bytes_ += static_cast<char>(acc_);
                acc_ = 0;
                count_ = 0;
            }
        }
    }
    std::string Finish() {
        if (count_ > 0)
            bytes_ += static_cast<char>(acc_ << (8 - count_));
        count_ = 0;
        acc_ = 0;
        return bytes_;
    }

private:
    std::string bytes_;
    uint8_t acc_ = 0;
    unsigned count_ = 0;
};

// The longest earlier match at i within the window (distance 1 .. maxDistance, no further back
// than the data), at least minLength long; length 0 when there is none.
struct Match {
    unsigned length = 0;
    unsigned distance = 0;
};
Match Longest(const std::string& d, std::size_t i, unsigned maxDistance, unsigned minLength,
              unsigned maxLength) {
    Match best;
    const std::size_t limit = std::min<std::size_t>(maxDistance, i);
    for (std::size_t dist = 1; dist <= limit; ++dist) {
        unsigned n = 0;
        while (n < maxLength && i + n < d.size() && d[i + n] == d[i + n - dist])
            ++n;
        if (n >= minLength && n > best.length) {
            best.length = n;
            best.distance = static_cast<unsigned>(dist);
        }
    }
    return best;
}

// -lh1-: the adaptive code of the decoder, walked from leaf to root.
std::string EncodeLh1(const std::string& d) {
    Lh1Decoder::AdaptiveCode code;
    BitOut out;
    // A node's bit is its place under its parent (the first or the second child); the path
    // runs from the node holding the symbol's leaf up to the root and is sent root first.
    auto symbol = [&](int s) {
        std::vector<unsigned> bits;
        for (int node = code.parent[s + Lh1Decoder::kNodes]; node != Lh1Decoder::kRoot;) {
            const int p = code.parent[node];
            bits.push_back(static_cast<unsigned>(node - code.child[p]));
            node = p;
        }
        for (auto it = bits.rbegin(); it != bits.rend(); ++it)
            out.Put(1, *it);
        code.Update(s);
    };
    std::size_t i = 0;
    while (i < d.size()) {
        const Match m = Longest(d, i, 4096, 3, 60);
        if (m.length == 0) {
            symbol(static_cast<unsigned char>(d[i]));
            ++i;
            continue;
        }
        symbol(static_cast<int>(256 + m.length - 3));
        const unsigned p = m.distance - 1;
        const int upper = static_cast<int>(p >> 6);
        // Canonical code of the fixed lengths.
        unsigned codeValue = 0;
        int len = 0;
        {
            unsigned start = 0;
            int first = 0;
            for (int l = 1; l <= 8; ++l) {
                start <<= 1;
                int count = 0;
                for (int v = first; v < 64 && Lh1Decoder::UpperBitsLength(v) == l; ++v)
                    ++count;
                if (upper < first + count) {
                    codeValue = start + static_cast<unsigned>(upper - first);
                    len = l;
                    break;
                }
                start += static_cast<unsigned>(count);
                first += count;
            }
        }
        out.Put(static_cast<unsigned>(len), codeValue);
        out.Put(6, p & 63);
        i += m.length;
    }
    return out.Finish();
}

// -lzs-: a flag bit, then 8 bits of literal or an 11-bit ring position and 4 bits of length-2.
// -lz5-: a flag byte (least significant bit first) before eight items; a match is the ring
// position's low 8 bits, then its high 4 bits and length-3 in one byte. Positions are absolute
// in the ring, whose writing starts at 2048-17 (-lzs-) or 4096-18 (-lz5-).
std::string EncodeLarc(const std::string& d, bool lz5) {
    const unsigned ring = lz5 ? 4096 : 2048;
    const unsigned minLength = lz5 ? 3 : 2;
    const unsigned maxLength = lz5 ? 18 : 17;
    unsigned pos = lz5 ? 4096 - 18 : 2048 - 17;
    BitOut bits;
    std::string bytes;
    std::string group;
    uint8_t flags = 0;
    int items = 0;
    auto endGroup = [&] {
        bytes += static_cast<char>(flags);
        bytes += group;
        group.clear();
        flags = 0;
        items = 0;
    };
    std::size_t i = 0;
    while (i < d.size()) {
        const Match m = Longest(d, i, ring - maxLength, minLength, maxLength);
        if (m.length == 0) {
            if (lz5) {
                flags |= static_cast<uint8_t>(1u << items);
                group += d[i];
            } else {
                bits.Put(1, 1);
                bits.Put(8, static_cast<unsigned char>(d[i]));
            }
            ++i;
            pos = (pos + 1) % ring;
        } else {
            const unsigned start = (pos + ring - m.distance) % ring;
            if (lz5) {
                group += static_cast<char>(start & 0xFF);
                group += static_cast<char>(((start >> 4) & 0xF0) | (m.length - 3));
            } else {
                bits.Put(1, 0);
                bits.Put(11, start);
                bits.Put(4, m.length - 2);
            }
            i += m.length;
            pos = (pos + m.length) % ring;
        }
        if (lz5 && ++items == 8)
            endGroup();
    }
    if (lz5) {
        if (items > 0)
            endGroup();
        return bytes;
    }
    return bits.Finish();
}

class StringSink : public unlha::ByteSink {
public:
    void Write(const uint8_t* data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char*>(data), size);
    }
    std::string bytes;
};

// -lh4-: the library's static Huffman encoder with the 4 KiB window.
std::string EncodeLh4(const std::string& d) {
    StringSink sink;
    unlha::LzhEncoder encoder(unlha::Method::Lh4, sink);
    encoder.Write(reinterpret_cast<const uint8_t*>(d.data()), d.size());
    encoder.Finish();
    return sink.bytes;
}

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

constexpr uint32_t kMtime = 1700000000;

// The MS-DOS stamp the level-0 and level-1 base headers carry: 2023-11-14 12:00:00 local.
constexpr uint16_t kDosTime = 12 << 11;
constexpr uint16_t kDosDate = ((2023 - 1980) << 9) | (11 << 5) | 14;
int64_t DosStampTime() {
    struct tm t {};
    t.tm_year = 2023 - 1900;
    t.tm_mon = 10;
    t.tm_mday = 14;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&t));
}

// One member with a header of the given level (0 to 3) around packed data. Level 0 has only
// the MS-DOS stamp; level 1 adds the Unix time in an extended header after the base header;
// levels 2 and 3 carry the Unix time in the base header, level 3 with four-byte size fields.
std::string Member(int level, const std::string& method, const std::string& name,
                   const std::string& original, const std::string& packed) {
    const uint16_t crc = unlha::Crc16(original.data(), original.size());
    if (level == 0 || level == 1) {
        // The extended header of level 1: type, Unix time, size of the next one (none).
        std::string ext = "\x54";
        Put32(ext, kMtime);
        Put16(ext, 0);
        const uint32_t extBytes = level == 1 ? static_cast<uint32_t>(ext.size()) : 0;
        std::string body = method;
        Put32(body, static_cast<uint32_t>(packed.size()) + extBytes);
        Put32(body, static_cast<uint32_t>(original.size()));
        Put16(body, kDosTime);
        Put16(body, kDosDate);
        body += '\x20';
        body += static_cast<char>(level);
        body += static_cast<char>(name.size());
        body += name;
        Put16(body, crc);
        if (level == 1) {
            body += 'U';
            Put16(body, extBytes);
        }
        unsigned sum = 0;
        for (const char c : body)
            sum += static_cast<unsigned char>(c);
        std::string h(1, static_cast<char>(body.size()));
        h += static_cast<char>(sum & 0xFF);
        h += body;
        if (level == 1)
            h += ext;
        return h + packed;
    }
    if (level == 2) {
        unlha::MemberHeader m;
        m.method = method;
        m.path = name;
        m.compressedSize = packed.size();
        m.originalSize = original.size();
        m.crc = crc;
        m.unixMode = 0100644;
        m.mtime = kMtime;
        return unlha::BuildLevel2Header(m, false) + packed;
    }
    // Level 3: the file name and the header CRC in extended headers, each followed by the
    // four-byte size of the next one.
    const std::string nameExt = "\x01" + name;
    const std::string crcExt("\0\0\0", 3);
    const uint32_t nameSize = static_cast<uint32_t>(nameExt.size() + 4);
    const uint32_t crcSize = static_cast<uint32_t>(crcExt.size() + 4);
    std::string h("\x04\0", 2);
    h += method;
    Put32(h, static_cast<uint32_t>(packed.size()));
    Put32(h, static_cast<uint32_t>(original.size()));
    Put32(h, kMtime);
    h += '\x20';
    h += '\x03';
    Put16(h, crc);
    h += 'U';
    Put32(h, 32 + nameSize + crcSize);
    Put32(h, nameSize);
    h += nameExt;
    Put32(h, crcSize);
    const std::size_t crcAt = h.size() + 1;
    h += crcExt;
    Put32(h, 0);
    const uint16_t headerCrc = unlha::Crc16(h.data(), h.size());
    h[crcAt] = static_cast<char>(headerCrc & 0xFF);
    h[crcAt + 1] = static_cast<char>(headerCrc >> 8);
    return h + packed;
}

struct Vector {
    const char* method;
    std::string (*encode)(const std::string&);
};

std::string EncodeLzs(const std::string& d) {
    return EncodeLarc(d, false);
}
std::string EncodeLz5(const std::string& d) {
    return EncodeLarc(d, true);
}

const Vector kVectors[] = {
    {"-lh1-", EncodeLh1}, {"-lh4-", EncodeLh4}, {"-lzs-", EncodeLzs}, {"-lz5-", EncodeLz5}};

// Text with repeats, random bytes and long runs: literals, short and long matches, and (for
// -lh1-) enough symbols that the adaptive code is rebuilt at least once.
std::string Sample(std::size_t size) {
    return TextData(size / 2, 5) + RandomData(size / 4, 6) + std::string(size / 4, 'r');
}

TEST(OldMethods, VectorsOfEveryMethodAndHeaderLevelDecodeByteExact) {
    TempDir dir;
    const std::string data = Sample(48000);
    for (const Vector& v : kVectors) {
        const std::string packed = v.encode(data);
        ASSERT_LT(packed.size(), data.size()) << v.method;
        for (int level = 0; level <= 3; ++level) {
            SCOPED_TRACE(std::string(v.method) + " level " + std::to_string(level));
            const std::string name = "f" + std::to_string(level) + ".txt";
            const std::string archive =
                dir / (std::string(v.method).substr(1, 3) + std::to_string(level) + ".lzh");
            WriteFile(archive, Member(level, v.method, name, data, packed) + std::string(1, '\0'));
            // The vector is valid for an independent reader.
            if (HaveTool("lha")) {
                const std::string peer =
                    dir / ("peer-" + std::string(v.method).substr(1, 3) + std::to_string(level));
                std::string text;
                ASSERT_EQ(Shell(dir.Path(),
                                "mkdir -p " + ShellQuote(peer) + " && cd " + ShellQuote(peer) +
                                    " && lha xq " + ShellQuote(archive),
                                &text),
                          0)
                    << text;
                ASSERT_TRUE(ReadFile(peer + "/" + name) == data) << "lhasa disagrees";
            }
            std::string out;
            const std::string dest =
                dir / ("out-" + std::string(v.method).substr(1, 3) + std::to_string(level) + "/");
            ASSERT_EQ(Lha("x -c1 -- " + Q(archive) + " " + Q(dest), &out), 0) << out;
            EXPECT_TRUE(ReadFile(dest + name) == data);
            EXPECT_EQ(FileTime(dest + name), level == 0 ? DosStampTime() : int64_t{kMtime});
            // Listing names the method.
            ASSERT_EQ(Lha("l -- " + Q(archive), &out), 0);
            EXPECT_NE(out.find(v.method), std::string::npos) << out;
        }
    }
}

TEST(OldMethods, DamagedOldDataIsAnErrorAndLeavesNoFile) {
    TempDir dir;
    const std::string data = Sample(12000);
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.method);
        std::string packed = v.encode(data);
        const std::string cut = packed.substr(0, packed.size() / 2);
        const std::string archive = dir / (std::string(v.method).substr(1, 3) + ".lzh");
        // Truncated data: the declared sizes still promise the whole member.
        WriteFile(archive, Member(2, v.method, "d.txt", data, cut) + std::string(1, '\0'));
        const std::string dest = dir / ("out-" + std::string(v.method).substr(1, 3) + "/");
        std::string out;
        const int32_t code = Lha("x -c1 -- " + Q(archive) + " " + Q(dest), &out);
        EXPECT_TRUE(code == ARC_ERROR_HUFFMAN_CODE || code == ARC_ERROR_FILE_CRC ||
                    code == ARC_ERROR_EOF)
            << code << " " << out;
        EXPECT_FALSE(Exists(dest + "d.txt"));
        // One byte changed inside: the CRC (or the code) catches it.
        packed[packed.size() / 3] ^= 0x5A;
        WriteFile(archive, Member(2, v.method, "d.txt", data, packed) + std::string(1, '\0'));
        EXPECT_NE(Lha("x -c1 -- " + Q(archive) + " " + Q(dest), &out), 0);
        EXPECT_FALSE(Exists(dest + "d.txt"));
    }
}

} // namespace
} // namespace unlha_test
