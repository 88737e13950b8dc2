// A settings file of "[Section]" headers and "Name=value" lines (UTF-8). In values "\" is
// written "\\" and line breaks "\n" and "\r". Saving writes the whole file to a temporary file
// and renames it over the old one.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class IniFile {
public:
    IniFile() = default;
    // Reads a file; a missing or unreadable file gives an empty store.
    static IniFile Load(const std::string& path);
    static IniFile Parse(const std::string& text);

    std::optional<std::string> Read(const std::string& section, const std::string& name) const;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& fallback) const;
    void Write(const std::string& section, const std::string& name, const std::string& value);
    bool HasSection(const std::string& section) const;

    std::string Text() const;
    // Creates missing parent directories; raises EFileError when the file cannot be written.
    void Save(const std::string& path) const;

    static std::string Escape(const std::string& value);
    static std::string Unescape(const std::string& text);

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
    };
    Section* Find(const std::string& section);
    const Section* Find(const std::string& section) const;

    std::vector<Section> sections_; // in file order, so that saving keeps the order
};

} // namespace platform
