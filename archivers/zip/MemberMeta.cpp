#include "MemberMeta.h"

#include <cstring>
#include <sys/stat.h>

namespace vmzip {

namespace {

constexpr zip_uint16_t kExtendedTimeId = 0x5455;

} // namespace

void SetExtendedTime(zip_t* za, zip_uint64_t index, time_t mtime) {
    // A replaced member keeps its old fields; the old time must not stay beside the new.
    zip_file_extra_field_delete_by_id(za, index, kExtendedTimeId, ZIP_EXTRA_FIELD_ALL,
                                      ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    if (mtime < 0 || mtime > INT32_MAX)
        return;
    const auto v = static_cast<uint32_t>(mtime);
    const zip_uint8_t data[5] = {1, static_cast<zip_uint8_t>(v), static_cast<zip_uint8_t>(v >> 8),
                                 static_cast<zip_uint8_t>(v >> 16),
                                 static_cast<zip_uint8_t>(v >> 24)};
    zip_file_extra_field_set(za, index, kExtendedTimeId, ZIP_EXTRA_FIELD_NEW, data, sizeof data,
                             ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

std::optional<time_t> ExtendedTime(zip_t* za, zip_uint64_t index) {
    zip_uint16_t len = 0;
    const zip_uint8_t* data =
        zip_file_extra_field_get_by_id(za, index, kExtendedTimeId, 0, &len, ZIP_FL_CENTRAL);
    if (data == nullptr || len < 5 || (data[0] & 1) == 0)
        return std::nullopt;
    const uint32_t v = static_cast<uint32_t>(data[1]) | (static_cast<uint32_t>(data[2]) << 8) |
                       (static_cast<uint32_t>(data[3]) << 16) |
                       (static_cast<uint32_t>(data[4]) << 24);
    return static_cast<time_t>(static_cast<int32_t>(v));
}

uint32_t ExternalAttributes(mode_t mode) {
    uint32_t dos = 0;
    if (S_ISDIR(mode))
        dos |= ARC_ATTR_DIRECTORY;
    else
        dos |= ARC_ATTR_ARCHIVE;
    if ((mode & S_IWUSR) == 0)
        dos |= ARC_ATTR_READONLY;
    return (static_cast<uint32_t>(mode & 0xFFFF) << 16) | dos;
}

mode_t MemberMode(uint8_t opsys, uint32_t external, bool isDir) {
    if (opsys == ZIP_OPSYS_UNIX) {
        const mode_t mode = static_cast<mode_t>(external >> 16);
        if ((mode & S_IFMT) != 0)
            return mode;
        if ((mode & 07777) != 0)
            return mode | (isDir ? S_IFDIR : S_IFREG);
    }
    mode_t mode = isDir ? (S_IFDIR | 0755) : (S_IFREG | 0644);
    if (external & ARC_ATTR_READONLY)
        mode &= ~static_cast<mode_t>(0222);
    return mode;
}

std::string MethodName(int32_t method) {
    switch (method) {
    case ZIP_CM_STORE:
        return "stored";
    case ZIP_CM_DEFLATE:
        return "deflate";
    case ZIP_CM_DEFLATE64:
        return "defl64";
    case ZIP_CM_BZIP2:
        return "bzip2";
    case ZIP_CM_LZMA:
        return "lzma";
    case ZIP_CM_XZ:
        return "xz";
    case ZIP_CM_PPMD:
        return "ppmd";
    case 93:
        return "zstd";
    default:
        return "m" + std::to_string(method);
    }
}

} // namespace vmzip
