#include "archives/CmdOpt.h"

#include "archives/ArchiverErrors.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace archives {

namespace {

// Whether the last whole character of text is the path delimiter (multi-byte aware).
bool EndsWithDelimiter(std::string_view text) {
    std::size_t i = 0, last = std::string_view::npos;
    while (i < text.size()) {
        last = i;
        i += platform::CharLengthAt(text, i);
    }
    return last != std::string_view::npos && text.size() - last == 1 &&
           text[last] == platform::PathDelim;
}

} // namespace

void TCmdOpt::Add(std::string_view s) {
    Text += ' ';
    Text += s;
}

void TCmdOpt::AddInt(std::string_view name, int value) {
    if (value >= 0)
        Add("-" + std::string(name) + std::to_string(value));
}

void TCmdOpt::AddBool(std::string_view name, bool value) {
    if (value)
        Add("-" + std::string(name));
}

void TCmdOpt::AddQuoted(std::string_view name, const std::string& text) {
    if (IsNulString(text))
        return;
    if (name.empty()) {
        Add("\"" + text + "\"");
        return;
    }
    const std::string sw = name[0] == ' ' ? std::string(name.substr(1)) : "-" + std::string(name);
    if (SwitchOutsideQuotes)
        Add(sw + " \"" + text + "\"");
    else
        Add("\"" + sw + text + "\"");
}

void TCmdOpt::AddDir(std::string_view name, const std::string& dir) {
    if (dir.empty() || IsNulString(dir))
        return;
    AddQuoted(name, EndsWithDelimiter(dir) ? dir : dir + platform::PathDelim);
}

std::string TCmdOpt::Convert(std::string_view name) const {
    return NameConverter ? NameConverter(name) : std::string(name);
}

int TCmdOpt::AddFiles(std::string_view name, const TFileItems& files) {
    int count = 0;
    for (const std::string& f : files) {
        if (f.empty())
            continue;
        AddQuoted(name, Convert(f));
        ++count;
    }
    return count;
}

int TCmdOpt::WriteResponseFile(const std::string& path, const TFileItems& files) {
    std::string body;
    int count = 0;
    for (const std::string& f : files) {
        if (f.empty())
            continue;
        body += "\"" + Convert(f) + "\"\r\n";
        ++count;
    }
    try {
        platform::WriteFileAtomic(path, body);
    } catch (const std::exception& e) {
        throw EArchiver(std::string("応答ファイルを作成できません: ") + e.what());
    }
    AddQuoted("", "@" + path);
    return count;
}

bool CanCarryName(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
        if (c == '"' && i + 1 < name.size() && name[i + 1] == ' ')
            return false;
    }
    return true;
}

} // namespace archives
