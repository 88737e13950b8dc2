// Hand-built byte images of stream fields, written independently of the code under test.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

class Bytes {
public:
    Bytes& Int(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            data_ += static_cast<char>((u >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& Bool(bool v) { return Int(v ? 1 : 0); }
    Bytes& Str(const std::string& s) {
        Int(static_cast<std::int32_t>(s.size()));
        data_ += s;
        return *this;
    }
    Bytes& Sig(const std::string& s) {
        std::string field = s;
        field.resize(16, '\0');
        data_ += field;
        return *this;
    }
    Bytes& Raw(const std::string& s) {
        data_ += s;
        return *this;
    }
    // 1.0 as an x87 extended: significand 0x8000000000000000, exponent 0x3FFF.
    Bytes& ExtendedOne() { return Raw(std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10)); }
    const std::string& Data() const { return data_; }

private:
    std::string data_;
};

} // namespace testing_support
