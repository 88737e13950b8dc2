#include "Recovery.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sys/stat.h>

#include <zip.h>
#include <zlib.h>

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmzip {

namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr uint32_t kSpanMarker = 0x30304b50; // "PK00": a split archive that fit on one disk

bool IsEndOfMembers(uint32_t sig) {
    return sig == kCentralSignature || sig == kEndSignature || sig == kZip64EndSignature;
}

struct Signature {
    uint64_t pos;
    uint32_t sig;
};

// The next local header or central directory record at or after from.
std::optional<Signature> FindSignature(const RawFile& file, uint64_t from) {
    std::vector<unsigned char> buf(kChunk + 3);
    uint64_t pos = from;
    while (pos < file.size()) {
        const std::size_t got = file.ReadAt(pos, buf.data(), buf.size());
        if (got < 4)
            return std::nullopt;
        for (std::size_t i = 0; i + 4 <= got; ++i) {
            if (buf[i] != 'P' || buf[i + 1] != 'K')
                continue;
            const uint32_t sig = Le32(buf.data() + i);
            if (sig == kLocalSignature || IsEndOfMembers(sig))
                return Signature{pos + i, sig};
        }
        if (got < buf.size())
            return std::nullopt;
        pos += kChunk; // the last three bytes are looked at again with the next chunk
    }
    return std::nullopt;
}

// Inflates raw deflate data from offset to the end of its stream; the compressed length, or
// nullopt when the data is damaged or the file ends first.
std::optional<uint64_t> DeflateLength(const RawFile& file, uint64_t offset) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
    std::vector<unsigned char> in(kChunk);
    std::vector<unsigned char> out(kChunk);
    uint64_t pos = offset;
    std::optional<uint64_t> length;
    for (;;) {
        if (z.avail_in == 0) {
            const std::size_t got = file.ReadAt(pos, in.data(), in.size());
            if (got == 0)
                break;
            pos += got;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(got);
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int r = inflate(&z, Z_NO_FLUSH);
        if (r == Z_STREAM_END) {
            length = z.total_in;
            break;
        }
        if (r != Z_OK && r != Z_BUF_ERROR)
            break;
    }
    inflateEnd(&z);
    return length;
}

struct Descriptor {
    uint32_t crc = 0;
    uint64_t size = 0;
    uint64_t length = 0; // bytes of the descriptor itself
};

// The data descriptor at pos whose compressed size is compressed: with or without its
// signature, with 4- or 8-byte sizes.
std::optional<Descriptor> ReadDescriptor(const RawFile& file, uint64_t pos, uint64_t compressed,
                                         bool zip64, bool signatureNeeded = false) {
    unsigned char b[24] = {};
    const std::size_t got = file.ReadAt(pos, b, sizeof b);
    const bool signed_ = got >= 4 && Le32(b) == kDescriptorSignature;
    if (signatureNeeded && !signed_)
        return std::nullopt;
    for (const bool withSig : {signed_, false}) {
        const unsigned char* p = b + (withSig ? 4 : 0);
        const std::size_t base = withSig ? 4 : 0;
        for (const bool wide : {zip64, !zip64}) {
            const std::size_t len = base + (wide ? 20 : 12);
            if (got < len)
                continue;
            const uint64_t csize = wide ? Le64(p + 4) : Le32(p + 4);
            if (csize != compressed)
                continue;
            return Descriptor{Le32(p), wide ? Le64(p + 12) : Le32(p + 8), len};
        }
        if (!withSig)
            break;
    }
    return std::nullopt;
}

// A recovered member's data from its byte range: stored bytes or raw deflate, with its
// size and CRC checked at the end.
class RecoveredData : public MemberData {
public:
    RecoveredData(const RawFile& file, const RecoveredMember& m)
        : file_(file), name_(m.info.name), pos_(m.dataOffset), left_(m.info.compressedSize),
          size_(m.info.size), crc_(m.info.crc), deflated_(m.info.method == ZIP_CM_DEFLATE) {
        if (deflated_) {
            if (inflateInit2(&z_, -MAX_WBITS) != Z_OK)
                Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
            in_.resize(kChunk);
        }
        running_ = crc32_z(0, nullptr, 0);
    }
    ~RecoveredData() override {
        if (deflated_)
            inflateEnd(&z_);
    }
    RecoveredData(const RecoveredData&) = delete;
    RecoveredData& operator=(const RecoveredData&) = delete;

    std::size_t Read(void* buffer, std::size_t len) override {
        const std::size_t n = deflated_ ? Inflate(buffer, len) : Copy(buffer, len);
        done_ += n;
        running_ = crc32_z(running_, static_cast<const Bytef*>(buffer), n);
        if (done_ > size_)
            Fail(ARC_ERROR_FILE_CRC, "damaged member " + name_ + ": longer than recorded");
        if (n == 0 && len > 0 && (done_ != size_ || running_ != crc_))
            Fail(ARC_ERROR_FILE_CRC, "damaged member " + name_ + ": CRC error");
        return n;
    }

private:
    std::size_t Copy(void* buffer, std::size_t len) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(len, left_));
        const std::size_t got = file_.ReadAt(pos_, buffer, want);
        if (got < want)
            Fail(ARC_ERROR_EOF, "damaged member " + name_ + ": the archive ends inside it");
        pos_ += got;
        left_ -= got;
        return got;
    }

    std::size_t Inflate(void* buffer, std::size_t len) {
        if (ended_ || len == 0)
            return 0;
        z_.next_out = static_cast<Bytef*>(buffer);
        z_.avail_out = static_cast<uInt>(std::min<std::size_t>(len, UINT32_MAX));
        while (z_.avail_out > 0) {
            if (z_.avail_in == 0) {
                const std::size_t want =
                    static_cast<std::size_t>(std::min<uint64_t>(in_.size(), left_));
                const std::size_t got = want == 0 ? 0 : file_.ReadAt(pos_, in_.data(), want);
                if (got == 0)
                    Fail(ARC_ERROR_HUFFMAN_CODE,
                         "damaged member " + name_ + ": compressed data ends too early");
                pos_ += got;
                left_ -= got;
                z_.next_in = in_.data();
                z_.avail_in = static_cast<uInt>(got);
            }
            const int r = inflate(&z_, Z_NO_FLUSH);
            if (r == Z_STREAM_END) {
                ended_ = true;
                break;
            }
            if (r != Z_OK)
                Fail(ARC_ERROR_HUFFMAN_CODE,
                     "damaged member " + name_ + ": broken compressed data");
        }
        return static_cast<std::size_t>(z_.next_out - static_cast<Bytef*>(buffer));
    }

    const RawFile& file_;
    std::string name_;
    uint64_t pos_;
    uint64_t left_;
    uint64_t size_;
    uint32_t crc_;
    bool deflated_;
    z_stream z_{};
    std::vector<unsigned char> in_;
    bool ended_ = false;
    uint64_t done_ = 0;
    uLong running_ = 0;
};

MemberInfo InfoFrom(const LocalHeader& h, const CentralEntry* hint) {
    MemberInfo m;
    m.name = h.name;
    m.size = h.size;
    m.compressedSize = h.compressedSize;
    m.crc = h.crc;
    m.method = h.method;
    m.flags = h.flags;
    m.encrypted = (h.flags & kFlagEncrypted) != 0;
    m.mtime = FromDosStamp(DosStamp{h.dosDate, h.dosTime});
    if (const auto ext = ExtraModificationTime(h.extra))
        m.mtime = *ext;
    m.stamp = ToDosStamp(m.mtime);
    m.isDir = !m.name.empty() && m.name.back() == '/';
    uint32_t external = 0;
    if (hint != nullptr) {
        m.opsys = hint->opsys;
        external = hint->external;
        m.size = hint->size;
    }
    m.mode = MemberMode(m.opsys, external, m.isDir);
    // A member that holds data is no directory, whatever its mode says.
    if (S_ISDIR(m.mode) && m.size == 0)
        m.isDir = true;
    m.isLink = S_ISLNK(m.mode);
    m.attributes = DosAttributes(m.mode, m.name);
    return m;
}

std::string At(uint64_t pos) {
    return "offset " + std::to_string(pos);
}

} // namespace

bool StartsWithLocalHeader(const std::string& path) {
    const RawFile file(path);
    unsigned char b[8];
    if (!file.ok() || !file.ReadExact(0, b, sizeof b))
        return false;
    return Le32(b) == kLocalSignature ||
           ((Le32(b) == kDescriptorSignature || Le32(b) == kSpanMarker) &&
            Le32(b + 4) == kLocalSignature);
}

RecoveredArchive::RecoveredArchive(const std::string& path,
                                   const std::unordered_map<uint64_t, CentralEntry>* hints)
    : file_(path) {
    if (!file_.ok())
        Fail(ARC_ERROR_ARC_FILE_OPEN, WithErrno("cannot open archive " + path, file_.openErrno()));
    Walk(hints);
    for (uint64_t i = 0; i < members_.size(); ++i)
        index_.emplace(members_[i].info.name, i); // the first of two equal names wins
}

int64_t RecoveredArchive::Find(const std::string& name) {
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : static_cast<int64_t>(it->second);
}

std::unique_ptr<MemberData> RecoveredArchive::Open(uint64_t index) {
    const RecoveredMember& m = members_[index];
    if (m.problemCode != 0)
        Fail(m.problemCode, "member " + m.info.name + " cannot be recovered: " + m.problem);
    return std::make_unique<RecoveredData>(file_, m);
}

bool RecoveredArchive::MeasureDeflated(const LocalHeader& header, RecoveredMember& m,
                                       uint64_t& next) {
    const auto length = DeflateLength(file_, header.dataOffset);
    if (!length) {
        m.problemCode = ARC_ERROR_HUFFMAN_CODE;
        m.problem = "its compressed data is damaged or cut off";
        return false;
    }
    next = header.dataOffset + *length;
    const auto d = ReadDescriptor(file_, next, *length, header.zip64);
    if (!d) {
        m.problemCode = ARC_ERROR_HEADER_BROKEN;
        m.problem = "no data descriptor follows its data";
        return false;
    }
    m.info.compressedSize = *length;
    m.info.size = d->size;
    m.info.crc = d->crc;
    next += d->length;
    return true;
}

void RecoveredArchive::Walk(const std::unordered_map<uint64_t, CentralEntry>* hints) {
    uint64_t pos = 0;
    unsigned char first[4];
    if (file_.ReadExact(0, first, sizeof first) &&
        (Le32(first) == kDescriptorSignature || Le32(first) == kSpanMarker))
        pos = 4;
    while (pos + 4 <= file_.size()) {
        LocalHeader h;
        const HeaderRead r = ReadLocalHeader(file_, pos, h);
        if (r == HeaderRead::Cut) {
            notes_.push_back("the archive ends inside a member's header at " + At(pos));
            return;
        }
        if (r == HeaderRead::NoSignature) {
            unsigned char sig[4];
            if (file_.ReadExact(pos, sig, sizeof sig) && IsEndOfMembers(Le32(sig)))
                return; // the central directory starts here
            const auto found = FindSignature(file_, pos + 1);
            if (!found) {
                notes_.push_back("no member found after " + At(pos));
                return;
            }
            notes_.push_back("damaged bytes skipped from " + At(pos) + " to " + At(found->pos));
            if (found->sig != kLocalSignature)
                return;
            pos = found->pos;
            continue;
        }

        const CentralEntry* hint = nullptr;
        if (hints != nullptr) {
            const auto it = hints->find(pos);
            if (it != hints->end() && it->second.name == h.name)
                hint = &it->second;
        }
        RecoveredMember m;
        m.info = InfoFrom(h, hint);
        m.dataOffset = h.dataOffset;
        bool endKnown = true;
        uint64_t next = 0;
        if (hint != nullptr) {
            // A central entry that agrees with this header knows the sizes and the CRC.
            m.info.compressedSize = hint->compressedSize;
            m.info.size = hint->size;
            m.info.crc = hint->crc;
            next = h.dataOffset + hint->compressedSize;
            if (h.flags & kFlagDescriptor) {
                if (const auto d = ReadDescriptor(file_, next, hint->compressedSize, h.zip64))
                    next += d->length;
            }
        } else if ((h.flags & kFlagDescriptor) == 0) {
            next = h.dataOffset + h.compressedSize;
        } else if (const auto d = ReadDescriptor(file_, h.dataOffset + h.compressedSize,
                                                 h.compressedSize, h.zip64, h.compressedSize == 0);
                   d && (h.size == 0 || d->size == h.size)) {
            // Some writers put the sizes into the header as well; the descriptor right
            // behind that many bytes confirms them.
            m.info.size = d->size;
            m.info.crc = d->crc;
            next = h.dataOffset + h.compressedSize + d->length;
        } else if (h.method == ZIP_CM_DEFLATE && (h.flags & kFlagEncrypted) == 0) {
            endKnown = MeasureDeflated(h, m, next);
        } else {
            endKnown = false;
            m.problemCode = ARC_ERROR_HEADER_BROKEN;
            m.problem = "its size is only given after its data";
        }

        if (m.problemCode == 0) {
            if (m.info.encrypted) {
                m.problemCode = ARC_ERROR_PASSWORD_FILE;
                m.problem = "it is encrypted";
            } else if (m.info.method != ZIP_CM_STORE && m.info.method != ZIP_CM_DEFLATE) {
                m.problemCode = ARC_ERROR_METHOD;
                m.problem =
                    "its compression method " + MethodName(m.info.method) + " is not supported";
            } else if (m.info.method == ZIP_CM_STORE && m.info.compressedSize != m.info.size) {
                m.problemCode = ARC_ERROR_HEADER_BROKEN;
                m.problem = "its stored size does not agree with its size";
            }
        }
        if (endKnown && (next > file_.size() || m.dataOffset > next)) {
            m.problemCode = ARC_ERROR_EOF;
            m.problem = "the archive ends inside it";
            members_.push_back(std::move(m));
            notes_.push_back("the archive ends inside member " + h.name);
            return;
        }
        members_.push_back(std::move(m));
        if (endKnown) {
            pos = next;
            continue;
        }
        // Look for the next member after this one's header.
        const auto found = FindSignature(file_, h.dataOffset);
        if (!found || found->sig != kLocalSignature)
            return;
        pos = found->pos;
    }
    if (pos < file_.size())
        notes_.push_back("the archive ends inside a member's header at " + At(pos));
}

} // namespace vmzip
