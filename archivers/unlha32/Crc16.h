// CRC-16 of the LZH format: the ARC CRC (reflected polynomial 0xA001, initial value 0, no final
// xor), used for member data and for level-2 headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unlha {

uint16_t UpdateCrc16(uint16_t crc, const void* data, std::size_t size);

inline uint16_t Crc16(const void* data, std::size_t size) {
    return UpdateCrc16(0, data, size);
}

} // namespace unlha
