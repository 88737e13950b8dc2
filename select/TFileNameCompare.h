// A list of file-name patterns for one kind of entry (files or directories), typed by the user
// as one line of items separated by ";". An item ending in "\" names directories, any other
// item files. Items are wildcards, translated once into regular expressions when the list is
// loaded, or regular expressions as typed (UseRegExp). Callers pass the text and the names
// already lower-cased; matching itself compares exactly.
#pragma once

#include "select/regexp/TAWKStr.h"

#include <string>
#include <string_view>
#include <vector>

namespace selection {

class TFileNameCompare {
public:
    TFileNameCompare();

    // Loads the file items of text: every non-empty item that does not end in "\".
    void SetFilePatterns(std::string_view text);
    // Loads the directory items of text: every item that ends in "\", without that "\" (an
    // item of only "\" becomes the empty item, which matches every name).
    void SetDirPatterns(std::string_view text);

    bool UseRegExp() const { return useRegExp_; }
    // Changing the mode loads PatternText again the way the current list was loaded, so that
    // the items are translated, or not, by the new mode.
    void SetUseRegExp(bool value);

    // True when an item matches any part of name (translated wildcards carry their own
    // anchors). Raises regexp::ERegExpParser, at every call that reaches it, for an item that
    // is not a valid pattern.
    bool MatchName(std::string_view name);

    // The kept items as typed, joined with ";" (directory items each with its "\"); loading it
    // again the same way gives the same list. Empty exactly when no item was kept.
    const std::string& PatternText() const { return patternText_; }
    // The items as matched: translated wildcards, or regular expressions.
    const std::vector<std::string>& Items() const { return items_; }

    // Translates one wildcard item into the regular-expression dialect: "*" any characters,
    // "?" one character, the other metacharacters literal; an item with a "." matches whole
    // names, one without is a prefix, one starting with "." a suffix, and a trailing ".*" is
    // dropped ('*.txt' -> '^.*\.txt$', 'abc' -> '^abc', '.txt' -> '.*\.txt$').
    static std::string WildcardToRegExp(std::string_view item);

    // Whether an item names directories: its last character is "\". The last character, not
    // the last byte, so that a double-byte character whose trail byte is 0x5C ends a file item.
    static bool IsDirectoryItem(std::string_view item);

private:
    enum class Reading { File, Directory };

    void Load(std::string_view text, Reading reading);

    std::vector<std::string> items_;
    std::string patternText_;
    regexp::TAWKStr matcher_;
    bool useRegExp_ = false;
    Reading reading_ = Reading::File;
};

} // namespace selection
