#include "app/VersionInf.h"

#include "definition/TarnStream.h"
#include "platform/CodePage.h"
#include "platform/ElfSection.h"
#include "platform/FileUtil.h"
#include "platform/ProgramPath.h"

#include <cstdio>

namespace app {

namespace {

constexpr const char* RootLine = "VS_VERSION_INFO";

// Eight hexadecimal digits that name no translation entry unless they all are hex digits.
std::optional<std::uint32_t> ParseTranslation(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    const std::uint32_t language =
        static_cast<std::uint32_t>(std::stoul(text.substr(0, 4), nullptr, 16));
    const std::uint32_t codePage =
        static_cast<std::uint32_t>(std::stoul(text.substr(4), nullptr, 16));
    return language | (codePage << 16);
}

} // namespace

void TVersionInf::Reset() {
    loaded_ = false;
    available_ = false;
    block_.clear();
    translations_.clear();
    TranslationIndex = 0;
}

void TVersionInf::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    useExeName_ = false;
    Reset();
}

void TVersionInf::SetUseExeName(bool value) {
    fileName_ = platform::ProgramPath();
    Reset();
    useExeName_ = value;
}

void TVersionInf::Load() {
    loaded_ = true;
    available_ = false;
    block_.clear();
    translations_.clear();
    if (fileName_.empty() || !platform::FileExists(fileName_))
        return;
    const std::optional<std::string> section = platform::ReadElfSection(fileName_, VersionSection);
    if (!section)
        return;
    // The block ends at its terminating NUL; its first line is the root.
    block_ = section->substr(0, section->find('\0'));
    if (block_.compare(0, std::string(RootLine).size() + 1, std::string(RootLine) + "\n") != 0) {
        block_.clear();
        return;
    }
    available_ = true;
    if (const std::optional<std::string> list = Query("\\VarFileInfo\\Translation")) {
        std::size_t start = 0;
        while (start <= list->size()) {
            const std::size_t end = std::min(list->find(' ', start), list->size());
            if (auto entry = ParseTranslation(list->substr(start, end - start)))
                translations_.push_back(*entry);
            start = end + 1;
        }
    }
}

std::optional<std::string> TVersionInf::Query(const std::string& path) const {
    const std::string prefix = path + "=";
    std::size_t start = 0;
    while (start < block_.size()) {
        std::size_t end = block_.find('\n', start);
        if (end == std::string::npos)
            end = block_.size();
        if (block_.compare(start, prefix.size(), prefix) == 0)
            return block_.substr(start + prefix.size(), end - start - prefix.size());
        start = end + 1;
    }
    return std::nullopt;
}

bool TVersionInf::Available() {
    if (!loaded_)
        Load();
    return available_;
}

const std::vector<std::uint32_t>& TVersionInf::Translations() {
    Available();
    return translations_;
}

std::string TVersionInf::ExtractString(int index, const std::string& key) {
    if (!Available())
        throw definition::EInOutError(
            "TVersionInf.ExtractString: Cannot read a file version information");
    if (index < 0 || static_cast<std::size_t>(index) >= translations_.size())
        throw definition::EInOutError("TVersionInf.ExtractString: Index is out of range");
    const std::uint32_t entry = translations_[static_cast<std::size_t>(index)];
    char id[9];
    std::snprintf(id, sizeof id, "%04X%04X", static_cast<unsigned>(entry & 0xFFFF),
                  static_cast<unsigned>(entry >> 16));
    const std::optional<std::string> value =
        Query("\\StringFileInfo\\" + std::string(id) + "\\" + key);
    return value ? platform::FromUtf8(*value) : std::string();
}

} // namespace app
