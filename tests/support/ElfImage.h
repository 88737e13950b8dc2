// Small ELF images built in memory, for tests of the section reader.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A 64-bit little-endian ELF file holding the named sections (and the section-name table).
inline std::string MakeElf64(const std::vector<std::pair<std::string, std::string>>& sections) {
    auto put = [](std::string& s, std::uint64_t offset, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            s[offset + static_cast<unsigned>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    std::string names(1, '\0');
    std::vector<std::uint64_t> nameOffsets;
    for (const auto& [name, data] : sections) {
        nameOffsets.push_back(names.size());
        names += name + '\0';
    }
    const std::uint64_t shstrName = names.size();
    names += std::string(".shstrtab") + '\0';

    std::string image(64, '\0');
    image.replace(0, 4,
                  "\x7f"
                  "ELF");
    image[4] = 2; // 64-bit
    image[5] = 1; // little-endian
    image[6] = 1;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> placed; // offset, size
    for (const auto& [name, data] : sections) {
        placed.emplace_back(image.size(), data.size());
        image += data;
    }
    const std::uint64_t namesOffset = image.size();
    image += names;
    while (image.size() % 8)
        image += '\0';
    const std::uint64_t shoff = image.size();
    const std::uint64_t count = sections.size() + 2; // the null section, the sections, the names
    image.append(count * 64, '\0');
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::uint64_t h = shoff + (i + 1) * 64;
        put(image, h, nameOffsets[i], 4);
        put(image, h + 4, 1, 4); // PROGBITS
        put(image, h + 0x18, placed[i].first, 8);
        put(image, h + 0x20, placed[i].second, 8);
    }
    const std::uint64_t h = shoff + (count - 1) * 64;
    put(image, h, shstrName, 4);
    put(image, h + 4, 3, 4); // STRTAB
    put(image, h + 0x18, namesOffset, 8);
    put(image, h + 0x20, names.size(), 8);
    put(image, 0x28, shoff, 8);
    put(image, 0x3A, 64, 2);
    put(image, 0x3C, count, 2);
    put(image, 0x3E, count - 1, 2);
    return image;
}

} // namespace testing_support
