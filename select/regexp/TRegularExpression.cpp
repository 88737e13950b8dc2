#include "select/regexp/TRegularExpression.h"

#include "select/regexp/TREParser.h"
#include "select/regexp/TRE_NFA.h"

namespace regexp {

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
    if (SelectCached(pattern))
        return;
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
