#include "select/regexp/TAWKStr.h"

namespace regexp {

TAWKStr::TAWKStr() {
    ChooseSearch();
}

void TAWKStr::ChooseSearch() {
    const TRE_DFA& dfa = CurrentDFA();
    anchored_ = dfa.HeadAnchored() || dfa.TailAnchored();
}

void TAWKStr::SetRegExp(std::string_view pattern) {
    try {
        TMatchCORE::SetRegExp(pattern);
    } catch (...) {
        ChooseSearch();
        throw;
    }
    ChooseSearch();
}

bool TAWKStr::Search(std::string_view text, std::size_t* from, std::size_t* to) const {
    const auto* begin = reinterpret_cast<const Byte*>(text.data());
    const Byte* end = begin + text.size();
    const Byte* s = nullptr;
    const Byte* e = nullptr;
    const bool found =
        anchored_ ? AnchoredSearch(begin, end, &s, &e) : PlainSearch(begin, end, &s, &e);
    if (found) {
        *from = static_cast<std::size_t>(s - begin);
        *to = static_cast<std::size_t>(e - begin);
    }
    return found;
}

std::size_t TAWKStr::Match(std::string_view subject, std::size_t& start,
                           std::size_t& length) const {
    std::size_t from = 0, to = 0;
    if (!Search(subject, &from, &to)) {
        start = length = 0;
        return 0;
    }
    start = from + 1;
    length = to - from;
    return start;
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
        if (!Search(rest, &from, &to)) {
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
