#include "ArchiveReader.h"

#include <archive_entry.h>
#include <cerrno>
#include <sys/stat.h>

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmla {

using vmzip::Fail;

namespace {

std::string ErrorText(archive* a) {
    const char* text = archive_error_string(a);
    return text != nullptr ? text : "unknown error";
}

// The member name of a lone compressed file: the archive's own name without its last
// extension, as gunzip would name it.
std::string RawMemberName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.empty() ? "data" : name;
}

} // namespace

ArchiveReader::ArchiveReader(Kind kind, const std::string& path)
    : kind_(kind), path_(path), a_(NewReader(kind)) {
    if (!a_)
        Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        Fail(errno == ENOENT ? ARC_ERROR_NOT_FIND_ARC_FILE : ARC_ERROR_ARC_FILE_OPEN,
             vmzip::WithErrno("cannot open archive " + path, errno));
    if (!S_ISREG(st.st_mode))
        Fail(ARC_ERROR_ARC_FILE_OPEN, "not a regular file: " + path);
    if (archive_read_open_filename(a_.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
        Fail(ARC_ERROR_ARC_FILE_OPEN, "cannot open archive " + path + ": " + ErrorText(a_.get()));
}

void ArchiveReader::Describe(archive_entry* entry, Member& m) const {
    const bool utf8 = NamesInUtf8(kind_);
    const char* name = utf8 ? archive_entry_pathname_utf8(entry) : archive_entry_pathname(entry);
    if (name == nullptr)
        name = utf8 ? archive_entry_pathname(entry) : archive_entry_pathname_utf8(entry);
    m.name = name != nullptr ? name : "";
    if ((archive_format(a_.get()) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAW)
        m.name = RawMemberName(path_);
    m.sizeKnown = archive_entry_size_is_set(entry) != 0;
    m.size = m.sizeKnown ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
    m.mtime = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
    m.mode = archive_entry_perm(entry);
    m.encrypted = archive_entry_is_encrypted(entry) != 0;
    m.linkTarget.clear();
    if (const char* target = archive_entry_hardlink(entry)) {
        m.type = MemberType::Hardlink;
        m.linkTarget = target;
        return;
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        m.type = MemberType::File;
        break;
    case AE_IFDIR:
        m.type = MemberType::Directory;
        break;
    case AE_IFLNK:
        m.type = MemberType::Symlink;
        break;
    case 0:
        // Formats without file types (raw streams, some CAB and RAR members) hold files.
        m.type = MemberType::File;
        break;
    default:
        m.type = MemberType::Special;
        break;
    }
    if (m.type == MemberType::File && m.mode == 0)
        m.mode = 0644;
    if (m.type == MemberType::Directory && m.mode == 0)
        m.mode = 0755;
}

bool ArchiveReader::Next(Member& member) {
    if (eof_)
        return false;
    archive_entry* entry = nullptr;
    const int r = archive_read_next_header(a_.get(), &entry);
    const bool wasFirst = first_;
    first_ = false;
    if (r == ARCHIVE_EOF) {
        eof_ = true;
        return false;
    }
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
        eof_ = true;
        if (wasFirst)
            Fail(ARC_ERROR_NOT_ARC_FILE,
                 "not a readable archive: " + path_ + ": " + ErrorText(a_.get()));
        Fail(ARC_ERROR_HEADER_BROKEN, "broken header after " +
                                          (current_.empty() ? std::string("the start") : current_) +
                                          ": " + ErrorText(a_.get()));
    }
    if (wasFirst && (archive_format(a_.get()) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAW &&
        archive_filter_code(a_.get(), 0) == ARCHIVE_FILTER_NONE) {
        eof_ = true;
        Fail(ARC_ERROR_NOT_ARC_FILE, "not an archive: " + path_);
    }
    Describe(entry, member);
    entry_ = entry;
    current_ = member.name;
    declared_ = member.size;
    declaredKnown_ = member.sizeKnown;
    delivered_ = 0;
    return true;
}

std::size_t ArchiveReader::Read(void* buffer, std::size_t size) {
    const la_ssize_t n = archive_read_data(a_.get(), buffer, size);
    if (n < 0)
        Fail(ARC_ERROR_HUFFMAN_CODE,
             "cannot read the data of " + current_ + ": " + ErrorText(a_.get()));
    delivered_ += static_cast<uint64_t>(n);
    if (declaredKnown_ && delivered_ > declared_)
        Fail(ARC_ERROR_HEADER_BROKEN, "more data than its header declares: " + current_);
    return static_cast<std::size_t>(n);
}

} // namespace vmla
