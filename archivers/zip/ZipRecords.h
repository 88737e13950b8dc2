// The ZIP records as they lie in the file, read straight from it without libzip: local file
// headers, data descriptors and the central directory with its end records (ZIP64 included).
// They serve to check what libzip reads against the local headers, and to find the members
// again by their local headers when the central directory is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vmzip {

// A file read by position, never written. Not copyable; closed on destruction.
class RawFile {
public:
    explicit RawFile(const std::string& path);
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    // errno of a failed open (0 when open).
    int openErrno() const { return openErrno_; }
    uint64_t size() const { return size_; }
    // Up to len bytes at offset; fewer only at the end of the file or on a read error.
    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t len) const;
    // Exactly len bytes at offset, or false.
    bool ReadExact(uint64_t offset, void* buffer, std::size_t len) const;

private:
    int fd_ = -1;
    int openErrno_ = 0;
    uint64_t size_ = 0;
};

inline constexpr uint32_t kLocalSignature = 0x04034b50;      // "PK\3\4"
inline constexpr uint32_t kCentralSignature = 0x02014b50;    // "PK\1\2"
inline constexpr uint32_t kEndSignature = 0x06054b50;        // "PK\5\6"
inline constexpr uint32_t kZip64EndSignature = 0x06064b50;   // "PK\6\6"
inline constexpr uint32_t kDescriptorSignature = 0x08074b50; // "PK\7\8"
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDescriptor = 0x0008; // sizes and CRC follow the data

uint16_t Le16(const unsigned char* p);
uint32_t Le32(const unsigned char* p);
uint64_t Le64(const unsigned char* p);

struct LocalHeader {
    uint64_t offset = 0; // of the signature
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    bool zip64 = false; // the sizes came from a ZIP64 field (its descriptor has 8-byte sizes)
    std::string name;
    std::string extra;
    uint64_t dataOffset = 0;
};

enum class HeaderRead { Ok, NoSignature, Cut };

// The local header at offset. Cut: the file ends inside it.
HeaderRead ReadLocalHeader(const RawFile& file, uint64_t offset, LocalHeader& header);

struct CentralEntry {
    uint8_t opsys = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint32_t external = 0;
    uint64_t offset = 0; // of the member's local header
    std::string name;
    std::string extra;
};

struct CentralDirectory {
    uint64_t offset = 0; // where the first entry starts; every member's data ends before it
    std::vector<CentralEntry> entries;
};

// The central directory named by the last end record that describes a readable one, or
// nullopt when there is none.
std::optional<CentralDirectory> ReadCentralDirectory(const RawFile& file);

// The data of one extra field (id) inside an extra block, or nullopt.
std::optional<std::string_view> ExtraField(std::string_view extra, uint16_t id);

// The modification time of the extended time-stamp field (0x5455) of an extra block.
std::optional<time_t> ExtraModificationTime(std::string_view extra);

} // namespace vmzip
