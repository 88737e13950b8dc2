// Reading one named section of an ELF file (the version block lives in one of the executable).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The bytes of the section `name` of the 64- or 32-bit little-endian ELF image; nothing when the
// image is no such ELF file, is damaged, or has no section of that name. Never reads outside
// the image, whatever its headers claim.
std::optional<std::string> FindElfSection(std::string_view image, std::string_view name);

// The same for a file; nothing also when it cannot be read. Files larger than `maxSize` are not
// read (a version block sits in an executable, not in a disk image).
std::optional<std::string> ReadElfSection(const std::string& path, std::string_view name,
                                          std::size_t maxSize = 512u << 20);

} // namespace platform
