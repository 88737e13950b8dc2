// Byte streams and the primitives that the definition file and the backup item's stream form
// are built from: 4-byte little-endian integers, bools as integers, length-prefixed strings and
// 10-byte extended floats.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace definition {

// A read past the end of a stream.
class EReadError : public std::runtime_error {
public:
    EReadError() : std::runtime_error("Stream read error") {}
};

// A string length in a stream outside 0..65535.
class ETarnStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stream that holds no object of the expected kind.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A byte stream kept in memory: definitions are small, so files are read whole and written
// whole (atomically) by their owners.
class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

    // Reads exactly n bytes or raises EReadError (consuming nothing).
    void Read(void* buffer, std::size_t n);
    void Write(const void* buffer, std::size_t n);

    const std::string& Data() const { return data_; }
    std::size_t Position() const { return position_; }
    std::size_t Size() const { return data_.size(); }

private:
    std::string data_;
    std::size_t position_ = 0;
};

void WriteIntegerToStr(TMemoryStream& stream, std::int32_t value);
std::int32_t ReadIntegerFromStr(TMemoryStream& stream);
void WriteBoolToStr(TMemoryStream& stream, bool value);
bool ReadBoolFromStr(TMemoryStream& stream);
void WriteStringToStr(TMemoryStream& stream, std::string_view value);
// Accepts lengths 0..65535 only; others raise ETarnStreamError and read nothing further.
std::string ReadStringFromStr(TMemoryStream& stream);
void WriteExtendedToStr(TMemoryStream& stream, double value);
double ReadExtendedFromStr(TMemoryStream& stream);

// The 80-bit x87 extended image of a double (exact for every finite double) and back (rounded
// to the nearest double). Portable: no long double involved.
void DoubleToExtended(double value, unsigned char out[10]);
double ExtendedToDouble(const unsigned char in[10]);

// Reads a 16-byte signature field and returns it up to its first zero byte.
std::string ReadSignature(TMemoryStream& stream);
void WriteSignature(TMemoryStream& stream, std::string_view signature);

} // namespace definition
