#include "ZipArchive.h"

#include <cerrno>
#include <sys/stat.h>
#include <vector>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "ForeignMethodData.h"

namespace vmzip {

namespace {

// Code for a libzip error met while reading an archive.
int32_t ReadErrorCode(const zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return ARC_ERROR_NOT_ARC_FILE;
    case ZIP_ER_CRC:
        return ARC_ERROR_FILE_CRC;
    case ZIP_ER_MEMORY:
        return ARC_ERROR_ENOUGH_MEMORY;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        return ARC_ERROR_METHOD;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return ARC_ERROR_PASSWORD_FILE;
    case ZIP_ER_MULTIDISK:
        return ARC_ERROR_FILE_STYLE;
    case ZIP_ER_CANCELLED:
        return ARC_ERROR_USER_CANCEL;
    case ZIP_ER_EOF:
        return ARC_ERROR_EOF;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return ARC_ERROR_CANNOT_READ;
    case ZIP_ER_OPEN:
        return ARC_ERROR_ARC_FILE_OPEN;
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return ARC_ERROR_HUFFMAN_CODE;
    default:
        return ARC_ERROR_HEADER_BROKEN;
    }
}

// libzip's reading of one member; the member is closed on every path.
class LibzipData : public MemberData {
public:
    LibzipData(zip_t* za, zip_uint64_t index, std::string name) : name_(std::move(name)) {
        file_ = zip_fopen_index(za, index, 0);
        if (file_ == nullptr) {
            zip_error_t* error = zip_get_error(za);
            Fail(ReadErrorCode(error), "cannot read " + name_ + ": " + zip_error_strerror(error));
        }
    }
    ~LibzipData() override {
        if (file_ != nullptr)
            zip_fclose(file_);
    }
    LibzipData(const LibzipData&) = delete;
    LibzipData& operator=(const LibzipData&) = delete;

    std::size_t Read(void* buffer, std::size_t len) override {
        const zip_int64_t n = zip_fread(file_, buffer, len);
        if (n < 0) {
            zip_error_t* error = zip_file_get_error(file_);
            Fail(ReadErrorCode(error),
                 "damaged member " + name_ + ": " + zip_error_strerror(error));
        }
        return static_cast<std::size_t>(n);
    }

private:
    zip_file_t* file_ = nullptr;
    std::string name_;
};

} // namespace

ZipArchive::ZipArchive(const std::string& path, OpenMode mode)
    : file_(std::make_unique<ArchiveFile>(path, mode != OpenMode::Read)) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (mode != OpenMode::Write)
            Fail(ARC_ERROR_NOT_FIND_ARC_FILE, WithErrno("cannot find archive " + path, errno));
    } else if (S_ISDIR(st.st_mode)) {
        Fail(ARC_ERROR_ARC_FILE_OPEN, "the archive " + path + " is a directory");
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = file_->MakeSource(&error);
    if (src == nullptr) {
        zip_error_fini(&error);
        Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
    }
    const int flags = mode == OpenMode::Write ? ZIP_CREATE : 0;
    za_ = zip_open_from_source(src, flags, &error);
    if (za_ == nullptr) {
        zip_source_free(src);
        const int32_t code = zip_error_code_zip(&error) == ZIP_ER_NOENT
                                 ? ARC_ERROR_NOT_FIND_ARC_FILE
                             : zip_error_code_zip(&error) == ZIP_ER_OPEN ? ARC_ERROR_ARC_FILE_OPEN
                                                                         : ReadErrorCode(&error);
        const std::string text =
            std::string("cannot open archive ") + path + ": " + zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail(code, text);
    }
    zip_error_fini(&error);
}

ZipArchive::~ZipArchive() {
    if (za_ != nullptr)
        zip_discard(za_);
}

uint64_t ZipArchive::count() const {
    const zip_int64_t n = zip_get_num_entries(za_, 0);
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

std::string ZipArchive::NameOf(uint64_t index) const {
    const char* name = zip_get_name(za_, index, ZIP_FL_ENC_RAW);
    return name == nullptr ? std::string() : std::string(name);
}

MemberInfo ZipArchive::Describe(uint64_t index) const {
    MemberInfo m;
    m.name = NameOf(index);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za_, index, ZIP_FL_ENC_RAW, &st) == 0) {
        m.size = st.size;
        m.compressedSize = st.comp_size;
        m.crc = st.crc;
        m.method = st.comp_method;
        m.mtime = st.mtime;
        m.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != 0;
        if (st.valid & ZIP_STAT_FLAGS)
            m.flags = static_cast<uint16_t>(st.flags);
    }
    if (auto ext = ExtendedTime(za_, index))
        m.mtime = *ext;
    m.stamp = ToDosStamp(m.mtime);
    uint32_t external = 0;
    zip_file_get_external_attributes(za_, index, 0, &m.opsys, &external);
    m.isDir = !m.name.empty() && m.name.back() == '/';
    m.mode = MemberMode(m.opsys, external, m.isDir);
    // A member that holds data is no directory, whatever its mode says.
    if (S_ISDIR(m.mode) && m.size == 0)
        m.isDir = true;
    m.isLink = S_ISLNK(m.mode);
    m.attributes = DosAttributes(m.mode, m.name);
    return m;
}

void ZipArchive::BuildIndex() {
    if (indexed_)
        return;
    const uint64_t n = count();
    index_.reserve(n);
    for (uint64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(za_, i, ZIP_FL_ENC_RAW);
        if (name != nullptr)
            index_.emplace(name, i); // the first of two equal names wins
    }
    indexed_ = true;
}

int64_t ZipArchive::Find(const std::string& name) {
    BuildIndex();
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : static_cast<int64_t>(it->second);
}

void ZipArchive::Remember(const std::string& name, zip_uint64_t index) {
    BuildIndex();
    index_[name] = index;
}

void ZipArchive::Forget(const std::string& name) {
    BuildIndex();
    index_.erase(name);
}

std::unique_ptr<MemberData> ZipArchive::Open(uint64_t index) {
    const MemberInfo m = Describe(index);
    if (NeedsForeignDecoder(m.method) && !m.encrypted)
        return OpenForeignMember(path(), index, m);
    return std::make_unique<LibzipData>(za_, index, NameOf(index));
}

const ArchiveCheck& ZipArchive::Check() {
    if (!check_) {
        std::vector<std::string> names;
        const uint64_t n = count();
        names.reserve(n);
        for (uint64_t i = 0; i < n; ++i)
            names.push_back(NameOf(i));
        check_ = std::make_unique<ArchiveCheck>(CheckArchiveMembers(path(), names));
    }
    return *check_;
}

void ZipArchive::Commit(bool cancelled) {
    zip_error_clear(za_);
    if (zip_close(za_) == 0) {
        za_ = nullptr;
        return;
    }
    zip_error_t* error = zip_get_error(za_);
    const std::string reason = zip_error_strerror(error);
    if (cancelled || zip_error_code_zip(error) == ZIP_ER_CANCELLED)
        Fail(ARC_ERROR_USER_CANCEL, "cancelled; the archive is unchanged");
    const int err = file_->writeErrno();
    if (err != 0) {
        int32_t code = WriteErrorCode(err);
        if (err == EACCES || err == EPERM || err == EROFS)
            code = ARC_ERROR_ARC_READ_ONLY;
        Fail(code, "cannot write archive " + path() + ": " + reason);
    }
    Fail(ReadErrorCode(error), "cannot write archive " + path() + ": " + reason);
}

} // namespace vmzip
