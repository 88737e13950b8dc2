// The version information of an executable: the block of "\path=value" lines that the build
// places in the file's ".velmoran_version" section (a root line, the translations, and the
// strings of each translation).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

inline constexpr const char* VersionSection = ".velmoran_version";

class TVersionInf {
public:
    const std::string& FileName() const { return fileName_; }
    // Reads the named file from now on; UseExeName becomes false.
    void SetFileName(const std::string& fileName);
    bool UseExeName() const { return useExeName_; }
    // Reads the running program's executable from now on (whatever the value).
    void SetUseExeName(bool value);
    int TranslationIndex = 0;

    // Loads the block on first use; whether the file has version information.
    bool Available();
    // The translations, language in the low 16 bits, code page in the high ones.
    const std::vector<std::uint32_t>& Translations();
    // The string `key` of translation `index`; empty when the key is missing. Raises
    // definition::EInOutError without version information or for an index out of range.
    std::string ExtractString(int index, const std::string& key);

    std::string CompanyName() { return ExtractString(TranslationIndex, "CompanyName"); }
    std::string FileDescription() { return ExtractString(TranslationIndex, "FileDescription"); }
    std::string FileVersion() { return ExtractString(TranslationIndex, "FileVersion"); }
    std::string InternalName() { return ExtractString(TranslationIndex, "InternalName"); }
    std::string LegalCopyright() { return ExtractString(TranslationIndex, "LegalCopyright"); }
    std::string OriginalFilename() { return ExtractString(TranslationIndex, "OriginalFilename"); }
    std::string ProductName() { return ExtractString(TranslationIndex, "ProductName"); }
    std::string ProductVersion() { return ExtractString(TranslationIndex, "ProductVersion"); }

private:
    void Reset();
    void Load();
    std::optional<std::string> Query(const std::string& path) const;

    std::string fileName_;
    bool useExeName_ = false;
    bool loaded_ = false;
    bool available_ = false;
    std::string block_;
    std::vector<std::uint32_t> translations_;
};

} // namespace app
