#include "archivers/unlha32/MemberHeader.h"

#include <cstring>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/NameCodePage.h"

namespace unlha {
namespace {

// Level 1 keeps extended headers outside the base header; more than this is not a header.
constexpr std::size_t kMaxExtendedBytes = std::size_t{1} << 20;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t U64(const uint8_t* p) {
    return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
}

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
void Put64(std::string& s, uint64_t v) {
    Put32(s, static_cast<uint32_t>(v));
    Put32(s, static_cast<uint32_t>(v >> 32));
}
void Set16(std::string& s, std::size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

[[noreturn]] void Broken(const std::string& what) {
    Fail(ARC_ERROR_HEADER_BROKEN, "broken member header: " + what);
}

// Names written on MS-DOS and Windows separate parts by '\' (never inside a Shift_JIS
// character); names from Unix only by '/', where '\' is an ordinary character. 0xFF separates
// the parts of directory names and of the names in level-0 and level-1 base headers
// (ffSeparates); in a file-name extension it is a byte of the name (the Latin-1 letter y with
// diaeresis, say), as the other readers take it.
std::string ConvertSeparators(std::string name, uint8_t osId, bool ffSeparates) {
    const bool dosNames = osId != 'U';
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == 0xFF && ffSeparates) {
            name[i] = '/';
        } else if (dosNames && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) {
            ++i;
        } else if (dosNames && c == '\\') {
            name[i] = '/';
        }
    }
    return name;
}

struct Extensions {
    std::optional<std::string> fileName;
    std::string directory;
    std::optional<uint32_t> unixTime;
    std::optional<uint64_t> compressed64, original64;
    std::size_t headerCrcAt = 0; // offset of the stored header CRC inside raw, 0 when none
};

// One extended header: type byte, data, then the size of the next one (not part of data):
// two bytes wide up to level 2, four bytes at level 3.
void ParseExtension(const uint8_t* e, std::size_t size, std::size_t offsetInRaw, MemberHeader& h,
                    Extensions& x, std::size_t sizeWidth = 2) {
    const uint8_t type = e[0];
    const uint8_t* d = e + 1;
    const std::size_t n = size - 1 - sizeWidth;
    switch (type) {
    case 0x00:
        if (n >= 2)
            x.headerCrcAt = offsetInRaw + 1;
        break;
    case 0x01:
        x.fileName = std::string(reinterpret_cast<const char*>(d), n);
        break;
    case 0x02:
        x.directory.assign(reinterpret_cast<const char*>(d), n);
        break;
    case 0x40:
        if (n >= 2)
            h.dosAttributes = d[0];
        break;
    case 0x41:
        if (n >= 24) {
            h.creationTime = U64(d);
            h.writeTime = U64(d + 8);
            h.accessTime = U64(d + 16);
        }
        break;
    case 0x42:
        if (n >= 16) {
            x.compressed64 = U64(d);
            x.original64 = U64(d + 8);
        }
        break;
    case 0x50:
        if (n >= 2)
            h.unixMode = U16(d);
        break;
    case 0x54:
        if (n >= 4)
            x.unixTime = U32(d);
        break;
    default:
        break;
    }
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    std::string dir = directory;
    // Directory parts end in 0xFF (or '/', '\' after conversion); drop empty tails.
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    std::string file = name;
    while (!file.empty() && file.back() == '/')
        file.pop_back();
    if (dir.empty())
        return file;
    if (file.empty())
        return dir;
    return dir + "/" + file;
}

void ReadExact(FileReader& in, std::string& raw, std::size_t n, const char* what) {
    const std::size_t old = raw.size();
    raw.resize(old + n);
    if (in.Read(raw.data() + old, n) != n)
        Broken(std::string("truncated ") + what);
}

} // namespace

bool ReadMemberHeader(FileReader& in, MemberHeader& h) {
    h = MemberHeader{};
    h.offset = in.Position();
    uint8_t first = 0;
    if (in.Read(&first, 1) == 0) {
        // Every archive ends with a zero byte; without it the archive was cut off after a
        // member, and members after the cut would go unnoticed.
        if (h.offset == 0)
            Fail(ARC_ERROR_NOT_ARC_FILE, "empty file");
        Broken("the archive has no end mark (cut off)");
    }
    if (first == 0)
        return false;
    std::string& raw = h.raw;
    raw.assign(1, static_cast<char>(first));
    ReadExact(in, raw, 20, "base header");
    auto* b = reinterpret_cast<const uint8_t*>(raw.data());
    h.level = b[20];
    if (b[2] != '-' || b[6] != '-')
        Broken("no method");
    h.method.assign(raw, 2, 5);
    Extensions x;

    if (h.level == 0 || h.level == 1) {
        const std::size_t total = std::size_t{b[0]} + 2;
        const std::size_t minimum = h.level == 0 ? 24 : 27;
        if (total < minimum)
            Broken("base header too short");
        ReadExact(in, raw, total - 21, "base header");
        b = reinterpret_cast<const uint8_t*>(raw.data());
        unsigned sum = 0;
        for (std::size_t i = 2; i < total; ++i)
            sum += b[i];
        if ((sum & 0xFF) != b[1])
            Fail(ARC_ERROR_HEADER_CRC, "member header checksum mismatch");
        h.checked = true;
        const std::size_t nameLength = b[21];
        if (22 + nameLength + 2 + (h.level == 1 ? 3 : 0) > total)
            Broken("name longer than the header");
        uint64_t packed = U32(b + 7);
        h.originalSize = U32(b + 11);
        h.dosStamp.time = U16(b + 15);
        h.dosStamp.date = U16(b + 17);
        h.dosAttributes = b[19];
        std::string name(raw, 22, nameLength);
        h.crc = U16(b + 22 + nameLength);
        h.osId = 'M';
        std::optional<uint32_t> unixTime;
        if (h.level == 0) {
            // Optional Unix area: OS id, minor version, time, mode, uid, gid.
            const std::size_t ext = 24 + nameLength;
            if (total > ext) {
                h.osId = b[ext];
                if (h.osId == 'U' && total >= ext + 12) {
                    unixTime = U32(b + ext + 2);
                    h.unixMode = U16(b + ext + 6);
                }
            }
        } else {
            h.osId = b[24 + nameLength];
            std::size_t next = U16(b + total - 2);
            std::size_t extBytes = 0;
            while (next != 0) {
                if (next < 3)
                    Broken("extended header too short");
                extBytes += next;
                if (extBytes > kMaxExtendedBytes || extBytes > packed)
                    Broken("extended headers larger than the member");
                const std::size_t at = raw.size();
                ReadExact(in, raw, next, "extended header");
                const auto* e = reinterpret_cast<const uint8_t*>(raw.data()) + at;
                ParseExtension(e, next, at, h, x);
                next = U16(e + next - 2);
            }
            packed -= extBytes;
            unixTime = x.unixTime;
        }
        h.compressedSize = packed;
        h.path = JoinPath(ConvertSeparators(x.directory, h.osId, true),
                          x.fileName ? ConvertSeparators(*x.fileName, h.osId, false)
                                     : ConvertSeparators(name, h.osId, true));
        h.mtime = unixTime ? static_cast<int64_t>(*unixTime) : FromDosStamp(h.dosStamp);
        if (unixTime)
            h.dosStamp = ToDosStamp(h.mtime);
    } else if (h.level == 2) {
        const std::size_t total = U16(b);
        if (total < 26)
            Broken("base header too short");
        ReadExact(in, raw, total - 21, "header");
        b = reinterpret_cast<const uint8_t*>(raw.data());
        h.compressedSize = U32(b + 7);
        h.originalSize = U32(b + 11);
        h.mtime = U32(b + 15);
        h.crc = U16(b + 21);
        h.osId = b[23];
        std::size_t next = U16(b + 24);
        std::size_t at = 26;
        while (next != 0) {
            if (next < 3 || at + next > total)
                Broken("extended header outside the header");
            ParseExtension(b + at, next, at, h, x);
            at += next;
            next = U16(b + at - 2);
        }
        if (x.headerCrcAt != 0) {
            const uint16_t stored = U16(b + x.headerCrcAt);
            std::string copy = raw;
            Set16(copy, x.headerCrcAt, 0);
            if (Crc16(copy.data(), copy.size()) != stored)
                Fail(ARC_ERROR_HEADER_CRC, "member header CRC mismatch");
            h.checked = true;
        }
        if (x.compressed64 && x.original64) {
            h.compressedSize = *x.compressed64;
            h.originalSize = *x.original64;
        }
        h.path =
            JoinPath(ConvertSeparators(x.directory, h.osId, true),
                     ConvertSeparators(x.fileName ? *x.fileName : std::string(), h.osId, false));
        h.dosStamp = ToDosStamp(h.mtime);
    } else if (h.level == 3) {
        // As level 2, with every size field four bytes wide: the base header holds the width
        // (4) where the others hold a length, and the whole header's length follows the OS id.
        if (U16(b) != 4)
            Broken("level-3 header with a size width other than 4");
        ReadExact(in, raw, 32 - 21, "base header");
        b = reinterpret_cast<const uint8_t*>(raw.data());
        const std::size_t total = U32(b + 24);
        if (total < 32 || total > kMaxExtendedBytes)
            Broken("level-3 header of an impossible length");
        ReadExact(in, raw, total - 32, "header");
        b = reinterpret_cast<const uint8_t*>(raw.data());
        h.compressedSize = U32(b + 7);
        h.originalSize = U32(b + 11);
        h.mtime = U32(b + 15);
        h.crc = U16(b + 21);
        h.osId = b[23];
        std::size_t next = U32(b + 28);
        std::size_t at = 32;
        while (next != 0) {
            if (next < 5 || next > total || at + next > total)
                Broken("extended header outside the header");
            ParseExtension(b + at, next, at, h, x, 4);
            at += next;
            next = U32(b + at - 4);
        }
        if (x.headerCrcAt != 0) {
            const uint16_t stored = U16(b + x.headerCrcAt);
            std::string copy = raw;
            Set16(copy, x.headerCrcAt, 0);
            if (Crc16(copy.data(), copy.size()) != stored)
                Fail(ARC_ERROR_HEADER_CRC, "member header CRC mismatch");
            h.checked = true;
        }
        if (x.compressed64 && x.original64) {
            h.compressedSize = *x.compressed64;
            h.originalSize = *x.original64;
        }
        h.path =
            JoinPath(ConvertSeparators(x.directory, h.osId, true),
                     ConvertSeparators(x.fileName ? *x.fileName : std::string(), h.osId, false));
        h.dosStamp = ToDosStamp(h.mtime);
    } else {
        Broken("unknown header level");
    }
    if (h.path.empty())
        Broken("member without a name");
    return true;
}

std::string BuildLevel2Header(const MemberHeader& h, bool largeSizes) {
    std::string dir;
    std::string name = h.path;
    if (h.IsDirectory()) {
        dir = h.path;
        name.clear();
    } else if (const auto slash = h.path.rfind('/'); slash != std::string::npos) {
        dir = h.path.substr(0, slash);
        name = h.path.substr(slash + 1);
    }
    if (dir.find('\xFF') != std::string::npos) {
        // 0xFF would separate parts in the directory extension: the whole path goes into the
        // file-name extension, with '/' between its parts (which every reader splits there).
        name = h.path;
        dir.clear();
    }
    for (char& c : dir)
        if (c == '/')
            c = '\xFF';
    if (!dir.empty())
        dir += '\xFF';

    std::string s;
    Put16(s, 0); // total size, set below
    s += h.method;
    Put32(s, static_cast<uint32_t>(h.compressedSize));
    Put32(s, static_cast<uint32_t>(h.originalSize));
    const int64_t t = h.mtime < 0 ? 0 : (h.mtime > 0xFFFFFFFFll ? 0xFFFFFFFFll : h.mtime);
    Put32(s, static_cast<uint32_t>(t));
    s += '\x20';
    s += '\x02';
    Put16(s, h.crc);
    s += 'U';
    auto extension = [&s](uint8_t type, const std::string& data) {
        Put16(s, static_cast<uint32_t>(data.size() + 3)); // the previous "next size" field
        s += static_cast<char>(type);
        s += data;
    };
    extension(0x00, std::string(2, '\0'));
    const std::size_t crcAt = s.size() - 2;
    extension(0x01, name);
    if (!dir.empty())
        extension(0x02, dir);
    if (const uint32_t codePage = AnnouncedCodePage(h.path); codePage != 0) {
        std::string page;
        Put32(page, codePage);
        extension(0x46, page);
    }
    if (h.unixMode) {
        std::string mode;
        Put16(mode, *h.unixMode);
        extension(0x50, mode);
    }
    if (largeSizes) {
        std::string sizes;
        Put64(sizes, h.compressedSize);
        Put64(sizes, h.originalSize);
        extension(0x42, sizes);
    }
    Put16(s, 0);
    // A total size with a zero low byte would read as the end of the archive.
    if ((s.size() & 0xFF) == 0)
        s += '\0';
    if (s.size() > 0xFFFF)
        Fail(ARC_ERROR_LONG_FILE_NAME, "name too long for a member header: " + h.path);
    Set16(s, 0, static_cast<uint32_t>(s.size()));
    Set16(s, crcAt, Crc16(s.data(), s.size()));
    return s;
}

} // namespace unlha
