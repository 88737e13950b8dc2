// The compiled-pattern side of the regular expression component: assigning RegExp selects the
// automaton of that pattern from a cache of 30 entries, compiling it when it is not there.
// Entry 0 is the empty pattern and is never evicted; a new pattern is inserted as entry 1 and
// the entry at the back is evicted when the cache is full; a hit does not move an entry.
#pragma once

#include "select/regexp/CharCodes.h"
#include "select/regexp/TREPreProcessor.h"
#include "select/regexp/TRE_DFA.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace regexp {

class TRegularExpression {
public:
    static constexpr int kCacheCapacity = 30;

    TRegularExpression();
    virtual ~TRegularExpression();
    TRegularExpression(const TRegularExpression&) = delete;
    TRegularExpression& operator=(const TRegularExpression&) = delete;
    // A moved-from component may only be destroyed or assigned to.
    TRegularExpression(TRegularExpression&&) = default;
    TRegularExpression& operator=(TRegularExpression&&) = default;

    // The pattern as last assigned; empty after a failed assignment.
    const std::string& RegExp() const {
        return regExpIsCached_ ? cache_[current_].pattern : regExp_;
    }
    // Selects or compiles the automaton of pattern. On ERegExpParser (or any other failure) the
    // component holds the empty pattern, RegExp is empty, the failed pattern is not cached, and
    // the exception travels on.
    virtual void SetRegExp(std::string_view pattern);

    virtual CharCode LineHeadCode() const { return kLineHeadCode; }
    virtual CharCode LineTailCode() const { return kLineTailCode; }

    // The cache, for inspection: entry count, the pattern of an entry, the current entry.
    int CacheCount() const { return static_cast<int>(cache_.size()); }
    const std::string& CachedPattern(int index) const { return cache_[index].pattern; }
    int CurrentIndex() const { return current_; }

protected:
    // Builds the automaton of pattern into the current cache entry: parse, NFA, DFA.
    virtual void Compile(const std::string& pattern);

    const TRE_DFA& CurrentDFA() const { return *currentDfa_; }

    // The common case of SetRegExp, kept inline: makes a cached pattern current when no
    // preprocessing is on. False when the full assignment is needed.
    bool SelectCached(std::string_view pattern) {
        if (preprocessor_.UseSynonymDic || preprocessor_.UseFuzzyCharDic)
            return false;
        const int found = Find(pattern, Fingerprint(pattern));
        if (found < 0)
            return false;
        SelectEntry(found);
        regExpIsCached_ = true;
        return true;
    }
    TREPreProcessor& PreProcessor() { return preprocessor_; }
    const TREPreProcessor& PreProcessor() const { return preprocessor_; }

private:
    // The length of a pattern and its first and last eight bytes: equal fingerprints of
    // patterns up to 16 bytes long mean equal patterns, and unequal ones unequal patterns.
    struct Fingerprint {
        std::size_t size = 0;
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        explicit Fingerprint(std::string_view s) : size(s.size()) {
            if (size >= 8) {
                std::memcpy(&head, s.data(), 8);
                std::memcpy(&tail, s.data() + size - 8, 8);
            } else {
                for (std::size_t i = 0; i < size; ++i)
                    head |= std::uint64_t{static_cast<unsigned char>(s[i])} << (8 * i);
            }
        }
        bool operator==(const Fingerprint&) const = default;
    };

    struct Entry {
        std::string pattern; // after preprocessing
        Fingerprint fingerprint;
        std::unique_ptr<TRE_DFA> dfa;
    };

    // The entry holding key, or -1. Patterns are unique in the cache, so the order of the
    // search does not change the result: the current entry and the one inserted after it come
    // first, because a list of patterns assigned in turn finds them there.
    int Find(std::string_view key, const Fingerprint& fingerprint) const {
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
    // Makes the entry of key current, compiling it into a new entry when it is not cached.
    void Select(std::string_view key);
    void SelectEntry(int index) {
        current_ = index;
        currentDfa_ = cache_[index].dfa.get();
    }

    std::vector<Entry> cache_;
    int current_ = 0;
    const TRE_DFA* currentDfa_ = nullptr; // the automaton of the current entry
    // Without preprocessing the assigned pattern is the current entry's pattern, which RegExp
    // then returns instead of a copy of it.
    bool regExpIsCached_ = true;
    std::string regExp_;
    TREPreProcessor preprocessor_;
};

} // namespace regexp
