// The text a command leaves in the caller's output buffer: listing lines, verbose lines and
// error messages, cut to the buffer and always NUL-terminated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vmzip {

class OutputText {
public:
    OutputText(char* buffer, uint32_t size) : buffer_(buffer), size_(size) {}
    ~OutputText() { Flush(); }
    OutputText(const OutputText&) = delete;
    OutputText& operator=(const OutputText&) = delete;

    void Line(std::string_view line);
    bool Wanted() const { return buffer_ != nullptr && size_ > 0; }
    void Flush();

private:
    char* buffer_;
    uint32_t size_;
    std::string text_;
};

} // namespace vmzip
