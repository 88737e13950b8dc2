#include "archives/ArchiverOptions.h"

#include <stdexcept>

namespace archives {

TArchiverOptions::TArchiverOptions() = default;

void TArchiverOptions::Clear() {
#define VELMORAN_CLEAR_NUMERIC(n) n = -1;
    VELMORAN_NUMERIC_SWITCHES(VELMORAN_CLEAR_NUMERIC)
#undef VELMORAN_CLEAR_NUMERIC
#define VELMORAN_CLEAR_TEXT(n) n = NulString;
    VELMORAN_TEXT_SWITCHES(VELMORAN_CLEAR_TEXT)
#undef VELMORAN_CLEAR_TEXT
    jx.clear();
    UserOptions.clear();
    UserFileList.clear();
    ResFileName.clear();
    PackFilter = pfComponent;
    ResFileUsage = DefaultResFileUsage();
}

std::int8_t& TArchiverOptions::Switch(std::string_view name) {
#define VELMORAN_FIND_NUMERIC(n)                                                                   \
    if (name == #n)                                                                                \
        return n;
    VELMORAN_NUMERIC_SWITCHES(VELMORAN_FIND_NUMERIC)
#undef VELMORAN_FIND_NUMERIC
    throw std::out_of_range("unknown archiver switch " + std::string(name));
}

std::int8_t TArchiverOptions::Switch(std::string_view name) const {
    return const_cast<TArchiverOptions*>(this)->Switch(name);
}

std::string& TArchiverOptions::Text(std::string_view name) {
#define VELMORAN_FIND_TEXT(n)                                                                      \
    if (name == #n)                                                                                \
        return n;
    VELMORAN_TEXT_SWITCHES(VELMORAN_FIND_TEXT)
#undef VELMORAN_FIND_TEXT
    throw std::out_of_range("unknown archiver text switch " + std::string(name));
}

const std::string& TArchiverOptions::Text(std::string_view name) const {
    return const_cast<TArchiverOptions*>(this)->Text(name);
}

} // namespace archives
