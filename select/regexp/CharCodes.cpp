#include "select/regexp/CharCodes.h"

namespace regexp {

CharCode AnyCharMax() {
    switch (platform::ActiveCodePage()) {
    case platform::CodePage::Cp932:
        return 0xFCFC;
    case platform::CodePage::Utf8:
        return 0x10FFFF;
    case platform::CodePage::SingleByte:
        break;
    }
    return 0xFF;
}

} // namespace regexp
