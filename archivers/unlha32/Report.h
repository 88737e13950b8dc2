// What a command tells its caller: text lines for the output buffer and the result code (the
// first error met; 0 when there was none).
#pragma once

#include <cstdint>
#include <string>

namespace unlha {

class Report {
public:
    void Line(const std::string& text) {
        text_ += text;
        text_ += '\n';
    }
    void Error(int32_t code, const std::string& message) {
        if (code_ == 0)
            code_ = code;
        Line("error: " + message);
    }
    int32_t Code() const { return code_; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    int32_t code_ = 0;
};

} // namespace unlha
