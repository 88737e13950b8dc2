#include "select/regexp/ERegExpParser.h"

#include "platform/CodePage.h"

namespace regexp {

void RaiseParserError(const char* utf8Message, std::size_t errorPos) {
    throw ERegExpParser(platform::FromUtf8(utf8Message), errorPos);
}

void RaiseInternalError(const char* utf8Message) {
    throw std::logic_error(platform::FromUtf8(utf8Message));
}

} // namespace regexp
