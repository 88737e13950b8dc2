#include "archivers/unlha32/Crc16.h"

#include <array>

namespace unlha {
namespace {

// Eight tables for slicing-by-8: table k gives the CRC of a byte followed by k zero bytes.
using Tables = std::array<std::array<uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = static_cast<uint16_t>((c & 1) ? (c >> 1) ^ 0xA001 : c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr Tables kTables = MakeTables();

} // namespace

uint16_t UpdateCrc16(uint16_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (size >= 8) {
        unsigned a = (p[0] | (p[1] << 8)) ^ crc;
        crc = static_cast<uint16_t>(kTables[7][a & 0xFF] ^ kTables[6][a >> 8] ^ kTables[5][p[2]] ^
                                    kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                    kTables[1][p[6]] ^ kTables[0][p[7]]);
        p += 8;
        size -= 8;
    }
    while (size-- > 0)
        crc = static_cast<uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

} // namespace unlha
