#include "select/TFileNameCompare.h"

#include "platform/CodePage.h"

namespace selection {

TFileNameCompare::TFileNameCompare() {
    matcher_.SetLineSeparator(regexp::TMatchCORE_LineSeparator::mcls_CRLF);
}

void TFileNameCompare::SetFilePatterns(std::string_view text) {
    Load(text, Reading::File);
}

void TFileNameCompare::SetDirPatterns(std::string_view text) {
    Load(text, Reading::Directory);
}

void TFileNameCompare::SetUseRegExp(bool value) {
    if (value == useRegExp_)
        return;
    useRegExp_ = value;
    const std::string text = patternText_;
    Load(text, reading_);
}

bool TFileNameCompare::IsDirectoryItem(std::string_view item) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < item.size(); i += platform::CharLengthAt(item, i))
        last = i;
    return last != std::string_view::npos && item.size() - last == 1 && item[last] == '\\';
}

void TFileNameCompare::Load(std::string_view text, Reading reading) {
    std::vector<std::string> pieces;
    matcher_.SetRegExp(";");
    matcher_.Split(text, pieces);

    items_.clear();
    std::vector<std::string> typed;
    for (std::string& piece : pieces) {
        if (piece.empty() || IsDirectoryItem(piece) != (reading == Reading::Directory))
            continue;
        if (reading == Reading::Directory)
            piece.pop_back();
        typed.push_back(piece);
        items_.push_back(useRegExp_ ? piece : WildcardToRegExp(piece));
    }

    patternText_.clear();
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const std::string& item = typed[i];
        if (i > 0)
            patternText_ += ';';
        patternText_ += item;
        if (reading == Reading::Directory)
            patternText_ += '\\';
    }
    reading_ = reading;
}

std::string TFileNameCompare::WildcardToRegExp(std::string_view item) {
    if (item.size() >= 2 && item.substr(item.size() - 2) == ".*")
        item.remove_suffix(2);
    const bool hasPeriod = item.find('.') != std::string_view::npos;
    const bool leadingPeriod = !item.empty() && item.front() == '.';

    std::string out = leadingPeriod ? ".*" : "^";
    for (std::size_t i = 0; i < item.size();) {
        const std::size_t n = platform::CharLengthAt(item, i);
        if (n == 1) {
            switch (const char c = item[i]) {
            case '.':
            case '^':
            case '$':
            case '[':
            case ']':
            case '(':
            case ')':
            case '|':
            case '+':
                out += '\\';
                out += c;
                break;
            case '*':
                out += ".*";
                break;
            case '?':
                out += '.';
                break;
            default:
                out += c;
                break;
            }
        } else {
            out.append(item.substr(i, n));
        }
        i += n;
    }
    if (hasPeriod)
        out += '$';
    return out;
}

bool TFileNameCompare::MatchName(std::string_view name) {
    std::size_t start = 0, length = 0;
    for (const std::string& item : items_) {
        matcher_.SetRegExp(item);
        if (matcher_.Match(name, start, length) > 0)
            return true;
    }
    return false;
}

} // namespace selection
