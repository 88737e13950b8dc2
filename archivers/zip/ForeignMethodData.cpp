#include "ForeignMethodData.h"

#include <archive.h>
#include <archive_entry.h>
#include <zip.h>
#include <zlib.h>

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmzip {

namespace {

struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};

class ForeignData : public MemberData {
public:
    ForeignData(const std::string& path, uint64_t index, const MemberInfo& m)
        : a_(archive_read_new()), member_(m) {
        if (!a_)
            Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
        // The seekable reader follows the central directory, in libzip's order.
        archive_read_support_format_zip_seekable(a_.get());
        if (archive_read_open_filename(a_.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
            Unreadable();
        archive_entry* entry = nullptr;
        for (uint64_t i = 0; i <= index; ++i) {
            if (archive_read_next_header(a_.get(), &entry) < ARCHIVE_WARN)
                Unreadable();
        }
        const char* name = archive_entry_pathname(entry);
        if (name == nullptr || member_.name != name)
            Fail(ARC_ERROR_HEADER_BROKEN, "the members disagree about " + member_.name);
    }

    std::size_t Read(void* buffer, std::size_t len) override {
        if (done_)
            return 0;
        const la_ssize_t n = archive_read_data(a_.get(), buffer, len);
        if (n < 0)
            Fail(ARC_ERROR_HUFFMAN_CODE, "damaged member " + member_.name + ": " + Text());
        if (n == 0) {
            done_ = true;
            if (size_ != member_.size || crc_ != member_.crc)
                Fail(ARC_ERROR_FILE_CRC, "CRC mismatch: " + member_.name);
            return 0;
        }
        size_ += static_cast<uint64_t>(n);
        if (size_ > member_.size)
            Fail(ARC_ERROR_HEADER_BROKEN, "more data than its header declares: " + member_.name);
        crc_ = static_cast<uint32_t>(
            crc32(crc_, static_cast<const Bytef*>(buffer), static_cast<uInt>(n)));
        return static_cast<std::size_t>(n);
    }

private:
    std::string Text() const {
        const char* text = archive_error_string(a_.get());
        return text != nullptr ? text : "unknown error";
    }
    [[noreturn]] void Unreadable() const {
        Fail(ARC_ERROR_METHOD, "cannot read " + member_.name + ": " + Text());
    }

    std::unique_ptr<archive, ReaderDeleter> a_;
    MemberInfo member_;
    uint64_t size_ = 0;
    uint32_t crc_ = 0;
    bool done_ = false;
};

} // namespace

bool NeedsForeignDecoder(int32_t method) {
    return method != ZIP_CM_STORE && zip_compression_method_supported(method, 0) == 0;
}

std::unique_ptr<MemberData> OpenForeignMember(const std::string& path, uint64_t index,
                                              const MemberInfo& member) {
    // The methods libarchive decodes (besides those libzip does).
    if (member.method != ZIP_CM_BZIP2 && member.method != ZIP_CM_LZMA &&
        member.method != ZIP_CM_XZ && member.method != ZIP_CM_PPMD)
        Fail(ARC_ERROR_METHOD,
             "method " + std::to_string(member.method) + " is not supported: " + member.name);
    return std::make_unique<ForeignData>(path, index, member);
}

} // namespace vmzip
