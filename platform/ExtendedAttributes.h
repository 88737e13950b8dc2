// A file's user.* extended attributes, the Linux form of named data streams. The rest of the
// program sees them by their names without the "user." prefix.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ExtendedAttribute {
    std::string Name; // without "user."
    std::string Value;
};

enum class XattrResult {
    Ok,
    Unsupported, // the file system keeps no user attributes
    Failed,      // anything else; the error text says what
};

// The largest value the kernel stores in one attribute.
inline constexpr std::size_t MaxAttributeValue = 64 * 1024;

// Reads every user.* attribute of a file (links followed, as the scan takes files). A file
// without attributes gives Ok and an empty list.
XattrResult ReadUserAttributes(const std::string& path, std::vector<ExtendedAttribute>& attributes,
                               std::string& error);

// Sets one user.* attribute on a regular file, never through a symbolic link.
XattrResult WriteUserAttribute(const std::string& path, const std::string& name,
                               std::string_view value, std::string& error);

// Creates a file that must not exist yet (an existing file or link of that name stays untouched)
// holding the bytes, with the access and modification times of the file timesFrom; false with
// the error text otherwise (a partly written file is removed).
bool WriteNewFile(const std::string& path, std::string_view bytes, const std::string& timesFrom,
                  std::string& error);

} // namespace platform
