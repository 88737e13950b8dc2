#include "OutputText.h"

#include <algorithm>
#include <cstring>

namespace vmzip {

void OutputText::Line(std::string_view line) {
    if (!Wanted() || text_.size() >= size_)
        return;
    text_.append(line);
    text_ += '\n';
}

void OutputText::Flush() {
    if (!Wanted())
        return;
    const std::size_t n = std::min<std::size_t>(text_.size(), size_ - 1);
    std::memcpy(buffer_, text_.data(), n);
    buffer_[n] = '\0';
}

} // namespace vmzip
