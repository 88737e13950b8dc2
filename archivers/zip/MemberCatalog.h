// The members of an archive as the reading commands see them, whoever found them: libzip
// through the central directory, or the recovery through the local headers. Members are
// numbered in archive order; names are the stored bytes, never converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>

#include "MemberMeta.h"

namespace vmzip {

struct MemberInfo {
    std::string name;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
    uint32_t crc = 0;
    int32_t method = 0;
    uint16_t flags = 0;
    uint8_t opsys = 0;
    time_t mtime = 0;
    DosStamp stamp;
    mode_t mode = 0;
    uint16_t attributes = 0;
    bool isDir = false;
    bool isLink = false;
    bool encrypted = false;
};

// The data of one member being read: its bytes, 0 at the end, when the CRC has been checked.
// Damaged data throws ArcError naming the member.
class MemberData {
public:
    virtual ~MemberData() = default;
    virtual std::size_t Read(void* buffer, std::size_t len) = 0;
};

class MemberCatalog {
public:
    virtual ~MemberCatalog() = default;
    virtual uint64_t count() const = 0;
    // The stored name of member index (raw bytes).
    virtual std::string NameOf(uint64_t index) const = 0;
    virtual MemberInfo Describe(uint64_t index) const = 0;
    // Member index by stored name, or -1.
    virtual int64_t Find(const std::string& name) = 0;
    // Opens the data of a member for reading. Throws ArcError naming the member.
    virtual std::unique_ptr<MemberData> Open(uint64_t index) = 0;
};

} // namespace vmzip
