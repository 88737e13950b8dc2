#include "select/regexp/TAWKStr.h"

namespace regexp {

TAWKStr::TAWKStr() {
    ChooseSearch();
}

void TAWKStr::Assign(std::string_view pattern) {
    try {
        TMatchCORE::SetRegExp(pattern);
    } catch (...) {
        ChooseSearch();
        throw;
    }
}

std::size_t TAWKStr::Split(std::string_view subject, std::vector<std::string>& list) const {
    list.clear();
    const platform::CodePage cp = platform::ActiveCodePage();
    std::string_view rest = subject;
    std::string pending;
    while (true) {
        if (rest.empty()) {
            if (!pending.empty())
                list.push_back(pending);
            break;
        }
        std::size_t from = 0, to = 0;
        if (!Search(rest, anchored_, &from, &to)) {
            list.push_back(pending + std::string(rest));
            break;
        }
        if (from == 0 && to == 0) {
            // An empty match at the front: carry one character over and search again.
            const auto* p = reinterpret_cast<const Byte*>(rest.data());
            const std::size_t n = static_cast<std::size_t>(NextChar(cp, p, p + rest.size()) - p);
            pending.append(rest.substr(0, n));
            rest.remove_prefix(n);
            continue;
        }
        list.push_back(pending + std::string(rest.substr(0, from)));
        pending.clear();
        rest.remove_prefix(to);
        if (rest.empty()) {
            list.push_back(std::string());
            break;
        }
    }
    return list.size();
}

} // namespace regexp
