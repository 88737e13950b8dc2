#include "select/ListCache.h"

#include "platform/FileUtil.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace selection {

std::string ListCacheFileName(const std::string& archive) {
    const std::size_t slash = archive.rfind('/');
    const std::size_t dot = archive.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return archive + ".lst";
    return archive.substr(0, dot) + ".lst";
}

namespace {

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    std::string_view Next() {
        if (pos_ >= text_.size())
            throw platform::EConvertError("Unexpected end of the listing cache");
        std::size_t end = text_.find("\r\n", pos_);
        std::size_t next = end + 2;
        if (end == std::string_view::npos)
            end = next = text_.size();
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = next;
        return line;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// A whole line as a 64-bit integer: leading white space and one sign allowed, nothing after.
std::int64_t ReadInt64(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    if (pos + 1 < text.size() && text[pos] == '+' &&
        std::isdigit(static_cast<unsigned char>(text[pos + 1])))
        ++pos;
    std::int64_t value = 0;
    const char* const last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + pos, last, value);
    if (ec != std::errc() || ptr != last)
        throw platform::EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

} // namespace

void ReadListCache(const std::string& cacheFile, TVMFiles& list) {
    list.Clear();
    const std::string text = platform::ReadFile(cacheFile);
    LineReader lines(text);
    const std::int32_t count = platform::StrToInt(lines.Next());
    for (std::int32_t i = 0; i < count; ++i) {
        TVMFileInfo info;
        info.Name = std::string(lines.Next());
        info.Size = ReadInt64(lines.Next());
        info.Time = platform::StrToDateTime(lines.Next());
        info.Attr = platform::StrToInt(lines.Next());
        list.Add(std::move(info));
    }
}

bool WriteListCache(const std::string& archive, const TVMFiles& list) {
    const std::string cacheFile = ListCacheFileName(archive);
    std::string text = std::to_string(list.Count()) + "\r\n";
    for (const auto& item : list) {
        if (item.Name.find_first_of("\r\n") != std::string::npos) {
            platform::DeleteFile(cacheFile);
            return false;
        }
        text += item.Name;
        text += "\r\n";
        text += std::to_string(item.Size);
        text += "\r\n";
        text += platform::DateTimeToStr(item.Time);
        text += "\r\n";
        text += std::to_string(item.Attr);
        text += "\r\n";
    }
    // A cache that already says the same is left alone (no rewrite on a run without changes).
    try {
        if (platform::FileExists(cacheFile) && platform::ReadFile(cacheFile) == text)
            return true;
    } catch (const platform::EFileError&) {
    }
    // Not flushed: it is written after its archive, whose contents the library flushed before
    // renaming it into place, so a crash leaves either no cache or one the reader rejects (the
    // pass then lists the archive), or the one written here; never one ahead of its archive.
    platform::WriteFileAtomic(cacheFile, text, platform::AtomicFileWriter::Durability::Replaceable);
    return true;
}

} // namespace selection
