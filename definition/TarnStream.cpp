#include "definition/TarnStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace definition {

void TMemoryStream::Read(void* buffer, std::size_t n) {
    if (data_.size() - position_ < n)
        throw EReadError();
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
}

void TMemoryStream::Write(const void* buffer, std::size_t n) {
    if (position_ == data_.size())
        data_.append(static_cast<const char*>(buffer), n);
    else
        data_.replace(position_, std::min(n, data_.size() - position_),
                      static_cast<const char*>(buffer), n);
    position_ += n;
}

void WriteIntegerToStr(TMemoryStream& stream, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
        static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    stream.Write(bytes, 4);
}

std::int32_t ReadIntegerFromStr(TMemoryStream& stream) {
    unsigned char bytes[4];
    stream.Read(bytes, 4);
    return static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
}

void WriteBoolToStr(TMemoryStream& stream, bool value) {
    WriteIntegerToStr(stream, value ? 1 : 0);
}

bool ReadBoolFromStr(TMemoryStream& stream) {
    return ReadIntegerFromStr(stream) != 0;
}

void WriteStringToStr(TMemoryStream& stream, std::string_view value) {
    WriteIntegerToStr(stream, static_cast<std::int32_t>(value.size()));
    stream.Write(value.data(), value.size());
}

std::string ReadStringFromStr(TMemoryStream& stream) {
    const std::int32_t length = ReadIntegerFromStr(stream);
    if (length < 0 || length >= 65536)
        throw ETarnStreamError("ReadStringFromStr: Out Of Memory.");
    std::string value(static_cast<std::size_t>(length), '\0');
    stream.Read(value.data(), value.size());
    return value;
}

void DoubleToExtended(double value, unsigned char out[10]) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    const bool negative = bits >> 63;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    std::uint16_t e80 = 0;
    std::uint64_t m80 = 0;
    if (exponent == 0x7FF) {
        // Infinity keeps only the integer bit; a NaN keeps its payload, quiet bit included.
        e80 = 0x7FFF;
        m80 = (std::uint64_t{1} << 63) | (fraction << 11);
    } else if (exponent == 0) {
        if (fraction != 0) {
            // Subnormal double: normalise into the wider exponent range.
            int shift = 0;
            while (!(fraction & (std::uint64_t{1} << 52))) {
                fraction <<= 1;
                ++shift;
            }
            e80 = static_cast<std::uint16_t>(1 - 1023 - shift + 16383);
            m80 = fraction << 11;
        }
    } else {
        e80 = static_cast<std::uint16_t>(exponent - 1023 + 16383);
        m80 = (std::uint64_t{1} << 63) | (fraction << 11);
    }
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(m80 >> (8 * i));
    const std::uint16_t top = static_cast<std::uint16_t>(e80 | (negative ? 0x8000 : 0));
    out[8] = static_cast<unsigned char>(top);
    out[9] = static_cast<unsigned char>(top >> 8);
}

double ExtendedToDouble(const unsigned char in[10]) {
    std::uint64_t m80 = 0;
    for (int i = 0; i < 8; ++i)
        m80 |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    const std::uint16_t top = static_cast<std::uint16_t>(in[8] | (in[9] << 8));
    const bool negative = top & 0x8000;
    const int e80 = top & 0x7FFF;
    double magnitude;
    if (e80 == 0x7FFF) {
        const std::uint64_t payload = m80 & ~(std::uint64_t{1} << 63);
        magnitude = payload == 0 ? INFINITY : NAN;
    } else if (m80 == 0) {
        magnitude = 0.0;
    } else {
        // Round the 64-bit significand to 53 bits (to nearest, ties to even) by hand, so that
        // the result does not depend on how the compiler converts integers.
        int lead = 63;
        while (!(m80 & (std::uint64_t{1} << lead)))
            --lead;
        int exponent = (e80 == 0 ? 1 : e80) - 16383 - 63;
        std::uint64_t m = m80;
        if (lead > 52) {
            const int drop = lead - 52;
            const std::uint64_t rest = m & ((std::uint64_t{1} << drop) - 1);
            const std::uint64_t half = std::uint64_t{1} << (drop - 1);
            m >>= drop;
            exponent += drop;
            if (rest > half || (rest == half && (m & 1)))
                ++m;
        }
        magnitude = std::ldexp(static_cast<double>(m), exponent);
    }
    return negative ? -magnitude : magnitude;
}

void WriteExtendedToStr(TMemoryStream& stream, double value) {
    unsigned char bytes[10];
    DoubleToExtended(value, bytes);
    stream.Write(bytes, 10);
}

double ReadExtendedFromStr(TMemoryStream& stream) {
    unsigned char bytes[10];
    stream.Read(bytes, 10);
    return ExtendedToDouble(bytes);
}

std::string ReadSignature(TMemoryStream& stream) {
    char bytes[16];
    stream.Read(bytes, 16);
    return std::string(bytes, strnlen(bytes, 16));
}

void WriteSignature(TMemoryStream& stream, std::string_view signature) {
    char bytes[16] = {};
    std::memcpy(bytes, signature.data(), std::min<std::size_t>(signature.size(), 15));
    stream.Write(bytes, 16);
}

} // namespace definition
