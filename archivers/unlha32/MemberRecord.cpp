#include "archivers/unlha32/MemberRecord.h"

#include <cstring>

#include "archivers/unlha32/DosTime.h"

namespace unlha {

uint16_t MemberAttributes(const MemberHeader& h) {
    uint16_t a = 0;
    if (h.unixMode) {
        if ((*h.unixMode & 0200) == 0)
            a |= ARC_ATTR_READONLY;
    } else {
        a |= h.dosAttributes & (ARC_ATTR_READONLY | ARC_ATTR_HIDDEN | ARC_ATTR_SYSTEM);
    }
    const std::size_t slash = h.path.rfind('/');
    const std::string_view base = slash == std::string::npos
                                      ? std::string_view(h.path)
                                      : std::string_view(h.path).substr(slash + 1);
    if (!base.empty() && base[0] == '.')
        a |= ARC_ATTR_HIDDEN;
    a |= h.IsDirectory() ? ARC_ATTR_DIRECTORY : ARC_ATTR_ARCHIVE;
    return a;
}

std::string AttributeLetters(uint16_t a) {
    std::string s = "------";
    if (a & ARC_ATTR_DIRECTORY)
        s[0] = 'd';
    if (a & ARC_ATTR_ARCHIVE)
        s[1] = 'a';
    if (a & ARC_ATTR_SYSTEM)
        s[2] = 's';
    if (a & ARC_ATTR_READONLY)
        s[3] = 'o';
    if (a & ARC_ATTR_HIDDEN)
        s[4] = 'h';
    return s;
}

void CopyName(char* field, const std::string& name) {
    std::size_t n = name.size();
    if (n > ARC_NAME_MAX) {
        n = ARC_NAME_MAX;
        // Do not end inside a UTF-8 sequence.
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(field, name.data(), n);
    std::memset(field + n, 0, ARC_NAME_MAX + 1 - n);
}

void FillMemberRecord(const MemberHeader& h, ArcMemberRecord& r) {
    std::memset(&r, 0, sizeof r);
    r.originalSize =
        h.originalSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(h.originalSize);
    r.compressedSize =
        h.compressedSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(h.compressedSize);
    r.crc = h.crc;
    r.osType = h.osId;
    r.ratio = h.originalSize == 0 ? 0
                                  : static_cast<uint16_t>(std::min<uint64_t>(
                                        h.compressedSize * 1000 / h.originalSize, 0xFFFF));
    r.dosDate = h.dosStamp.date;
    r.dosTime = h.dosStamp.time;
    CopyName(r.fileName, h.path);
    const std::string letters = AttributeLetters(MemberAttributes(h));
    std::memcpy(r.attribute, letters.c_str(), letters.size() + 1);
    std::memcpy(r.method, h.method.c_str(), std::min<std::size_t>(h.method.size(), 7));
    // The record is packed: plain values only, no references to its fields.
    const uint64_t written = h.writeTime.value_or(ToFileTime(h.mtime));
    r.lastWriteTime = written;
    r.lastAccessTime = h.accessTime.value_or(written);
    r.creationTime = h.creationTime.value_or(written);
    r.originalSize64 = h.originalSize;
    r.compressedSize64 = h.compressedSize;
}

} // namespace unlha
