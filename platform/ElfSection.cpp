#include "platform/ElfSection.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace platform {

namespace {

// Little-endian fields read with bounds checks.
class Reader {
public:
    explicit Reader(std::string_view image) : image_(image) {}
    bool Has(std::uint64_t offset, std::uint64_t size) const {
        return offset <= image_.size() && size <= image_.size() - offset;
    }
    std::uint64_t Get(std::uint64_t offset, int size) const {
        std::uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = (value << 8) |
                    static_cast<unsigned char>(image_[offset + static_cast<unsigned>(i)]);
        return value;
    }
    std::string_view Slice(std::uint64_t offset, std::uint64_t size) const {
        return image_.substr(offset, size);
    }

private:
    std::string_view image_;
};

struct Layout {
    int Word; // 4 or 8: size of addresses and offsets
    std::uint64_t ShOff, ShEntSize, ShNum, ShStrNdx;
    std::uint64_t NameAt = 0, OffsetAt, SizeAt; // field offsets within a section header
    int SizeWidth;
};

} // namespace

std::optional<std::string> FindElfSection(std::string_view image, std::string_view name) {
    const Reader r(image);
    if (!r.Has(0, 52) ||
        image.substr(0, 4) != "\x7f"
                              "ELF" ||
        image[5] != 1)
        return std::nullopt; // not ELF, or not little-endian
    Layout l{};
    if (image[4] == 2) {
        if (!r.Has(0, 64))
            return std::nullopt;
        l = {8, r.Get(0x28, 8), r.Get(0x3A, 2), r.Get(0x3C, 2), r.Get(0x3E, 2), 0, 0x18, 0x20, 8};
    } else if (image[4] == 1) {
        l = {4, r.Get(0x20, 4), r.Get(0x2E, 2), r.Get(0x30, 2), r.Get(0x32, 2), 0, 0x10, 0x14, 4};
    } else {
        return std::nullopt;
    }
    const std::uint64_t minEntry = l.SizeAt + static_cast<std::uint64_t>(l.SizeWidth);
    if (l.ShNum == 0 || l.ShEntSize < minEntry || l.ShStrNdx >= l.ShNum ||
        !r.Has(l.ShOff, l.ShNum * l.ShEntSize))
        return std::nullopt;
    auto header = [&](std::uint64_t index) { return l.ShOff + index * l.ShEntSize; };
    const std::uint64_t strings = header(l.ShStrNdx);
    const std::uint64_t strOffset = r.Get(strings + l.OffsetAt, l.Word);
    const std::uint64_t strSize = r.Get(strings + l.SizeAt, l.SizeWidth);
    if (!r.Has(strOffset, strSize))
        return std::nullopt;
    const std::string_view names = r.Slice(strOffset, strSize);
    for (std::uint64_t i = 0; i < l.ShNum; ++i) {
        const std::uint64_t h = header(i);
        const std::uint64_t nameOffset = r.Get(h + l.NameAt, 4);
        if (nameOffset >= names.size())
            continue;
        const std::string_view rest = names.substr(nameOffset);
        const std::string_view sectionName = rest.substr(0, rest.find('\0'));
        if (sectionName != name || rest.find('\0') == std::string_view::npos)
            continue;
        const std::uint64_t offset = r.Get(h + l.OffsetAt, l.Word);
        const std::uint64_t size = r.Get(h + l.SizeAt, l.SizeWidth);
        if (!r.Has(offset, size))
            return std::nullopt;
        return std::string(r.Slice(offset, size));
    }
    return std::nullopt;
}

std::optional<std::string> ReadElfSection(const std::string& path, std::string_view name,
                                          std::size_t maxSize) {
    // Only a regular file: opening a FIFO would wait for a writer that never comes.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > maxSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > maxSize)
        return std::nullopt;
    std::string image(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(image.data(), size))
        return std::nullopt;
    return FindElfSection(image, name);
}

} // namespace platform
