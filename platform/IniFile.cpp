#include "platform/IniFile.h"

#include "platform/FileUtil.h"

namespace platform {

IniFile IniFile::Load(const std::string& path) {
    try {
        return Parse(ReadFile(path));
    } catch (const EFileError&) {
        return IniFile();
    }
}

IniFile IniFile::Parse(const std::string& text) {
    IniFile ini;
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            const std::string name =
                line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            current = ini.Find(name);
            if (!current) {
                ini.sections_.push_back({name, {}});
                current = &ini.sections_.back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!current || eq == std::string::npos)
            continue;
        ini.Write(current->name, line.substr(0, eq), Unescape(line.substr(eq + 1)));
        current = ini.Find(current->name);
    }
    return ini;
}

IniFile::Section* IniFile::Find(const std::string& section) {
    for (auto& s : sections_)
        if (s.name == section)
            return &s;
    return nullptr;
}

const IniFile::Section* IniFile::Find(const std::string& section) const {
    for (const auto& s : sections_)
        if (s.name == section)
            return &s;
    return nullptr;
}

std::optional<std::string> IniFile::Read(const std::string& section,
                                         const std::string& name) const {
    if (const Section* s = Find(section))
        for (const auto& [key, value] : s->values)
            if (key == name)
                return value;
    return std::nullopt;
}

std::string IniFile::ReadString(const std::string& section, const std::string& name,
                                const std::string& fallback) const {
    return Read(section, name).value_or(fallback);
}

void IniFile::Write(const std::string& section, const std::string& name, const std::string& value) {
    Section* s = Find(section);
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (auto& [key, old] : s->values)
        if (key == name) {
            old = value;
            return;
        }
    s->values.emplace_back(name, value);
}

bool IniFile::HasSection(const std::string& section) const {
    return Find(section) != nullptr;
}

std::string IniFile::Text() const {
    std::string out;
    for (const auto& s : sections_) {
        if (!out.empty())
            out += '\n';
        out += "[" + s.name + "]\n";
        for (const auto& [key, value] : s.values)
            out += key + "=" + Escape(value) + "\n";
    }
    return out;
}

void IniFile::Save(const std::string& path) const {
    ForceDirectories(ExtractFilePath(path));
    WriteFileAtomic(path, Text());
}

std::string IniFile::Escape(const std::string& value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string IniFile::Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\\' || next == 'n' || next == 'r') {
                out += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace platform
