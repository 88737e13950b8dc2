#include "select/regexp/TRegularExpression.h"

#include "select/regexp/TREParser.h"
#include "select/regexp/TRE_NFA.h"

#include <cstring>

namespace regexp {

TRegularExpression::Fingerprint::Fingerprint(std::string_view s) : size(s.size()) {
    if (size >= 8) {
        std::memcpy(&head, s.data(), 8);
        std::memcpy(&tail, s.data() + size - 8, 8);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            head |= static_cast<std::uint64_t>(static_cast<unsigned char>(s[i])) << (8 * i);
    }
}

TRegularExpression::TRegularExpression() {
    cache_.reserve(kCacheCapacity);
    cache_.push_back({std::string(), Fingerprint({}), nullptr});
    current_ = 0;
    TRegularExpression::Compile(cache_[0].pattern);
    SelectEntry(0);
}

TRegularExpression::~TRegularExpression() = default;

void TRegularExpression::Compile(const std::string& pattern) {
    TREParser parser(pattern);
    parser.Run();
    TRE_NFA nfa(LineHeadCode(), LineTailCode());
    nfa.GenerateStateList(parser.ParseTree());
    auto dfa = std::make_unique<TRE_DFA>();
    TRE_DFA& built = *dfa;
    cache_[current_].dfa = std::move(dfa);
    built.Build(nfa);
}

// The entry holding key. Patterns are unique in the cache, so the order of the search does not
// change the result: the current entry and the one inserted after it come first, because a
// list of patterns assigned in turn finds them there.
int TRegularExpression::Find(std::string_view key, const Fingerprint& fingerprint) const {
    auto equal = [&](int i) {
        return cache_[i].fingerprint == fingerprint &&
               (key.size() <= 16 || cache_[i].pattern == key);
    };
    if (equal(current_))
        return current_;
    if (current_ > 0 && equal(current_ - 1))
        return current_ - 1;
    for (int i = CacheCount() - 1; i >= 0; --i) {
        if (equal(i))
            return i;
    }
    return -1;
}

void TRegularExpression::SelectEntry(int index) {
    current_ = index;
    currentDfa_ = cache_[index].dfa.get();
}

void TRegularExpression::Select(std::string_view key) {
    const Fingerprint fingerprint(key);
    const int found = Find(key, fingerprint);
    if (found >= 0) {
        SelectEntry(found);
        return;
    }
    if (CacheCount() >= kCacheCapacity)
        cache_.pop_back();
    cache_.insert(cache_.begin() + 1, Entry{std::string(key), fingerprint, nullptr});
    current_ = 1;
    try {
        Compile(cache_[1].pattern);
    } catch (...) {
        // A pattern that does not compile leaves no entry behind.
        cache_.erase(cache_.begin() + 1);
        throw;
    }
    SelectEntry(1);
}

void TRegularExpression::SetRegExp(std::string_view pattern) {
    try {
        if (preprocessor_.UseSynonymDic || preprocessor_.UseFuzzyCharDic) {
            const std::string processed = preprocessor_.Run(pattern);
            Select(processed);
            regExp_.assign(pattern);
            regExpIsCached_ = false;
        } else {
            Select(pattern);
            regExpIsCached_ = true;
        }
    } catch (...) {
        SelectEntry(0);
        regExpIsCached_ = true;
        regExp_.clear();
        throw;
    }
}

} // namespace regexp
