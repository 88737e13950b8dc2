#include "Formats.h"

#include <archive_entry.h>
#include <langinfo.h>
#include <string_view>
#include <sys/stat.h>

#include "TextBytes.h"

namespace vmla {

void ArchiveDeleter::operator()(archive* a) const {
    archive_read_free(a);
}

ArchivePtr NewReader(Kind kind) {
    ArchivePtr a(archive_read_new());
    if (!a)
        return a;
    switch (kind) {
    case Kind::Tar:
        archive_read_support_filter_gzip(a.get());
        archive_read_support_filter_bzip2(a.get());
        archive_read_support_filter_compress(a.get());
        archive_read_support_format_tar(a.get());
        // A lone compressed file (.gz, .bz2, .Z) reads as one member; its bid is the lowest,
        // so a tar inside the stream is always taken as tar.
        archive_read_support_format_raw(a.get());
        break;
    case Kind::SevenZip:
        archive_read_support_format_7zip(a.get());
        break;
    case Kind::Cab:
        archive_read_support_format_cab(a.get());
        break;
    case Kind::Rar:
        archive_read_support_format_rar(a.get());
        archive_read_support_format_rar5(a.get());
        break;
    }
    return a;
}

int ArchiveTypeOf(const std::string& path) {
    // Only regular files: opening a FIFO would wait for a writer.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    ArchivePtr a = NewReader(Kind::Tar);
    if (!a || archive_read_open_filename(a.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
        return 0;
    archive_entry* entry = nullptr;
    const int r = archive_read_next_header(a.get(), &entry);
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN && r != ARCHIVE_EOF)
        return 0;
    const int filter = archive_filter_code(a.get(), 0);
    const int format = archive_format(a.get()) & ARCHIVE_FORMAT_BASE_MASK;
    if (format == ARCHIVE_FORMAT_TAR) {
        switch (filter) {
        case ARCHIVE_FILTER_NONE:
            return 1;
        case ARCHIVE_FILTER_GZIP:
            return 2;
        case ARCHIVE_FILTER_COMPRESS:
            return 3;
        case ARCHIVE_FILTER_BZIP2:
            return 6;
        default:
            return 0;
        }
    }
    if (format == ARCHIVE_FORMAT_RAW && r != ARCHIVE_EOF) {
        switch (filter) {
        case ARCHIVE_FILTER_GZIP:
            return 4;
        case ARCHIVE_FILTER_COMPRESS:
            return 5;
        case ARCHIVE_FILTER_BZIP2:
            return 7;
        default:
            return 0;
        }
    }
    return 0;
}

bool NamesInUtf8(Kind kind) {
    return kind != Kind::Tar && vmzip::LocaleEncoding() != vmzip::TextEncoding::ShiftJis;
}

NameLocale::NameLocale(Kind kind) {
    if (!NamesInUtf8(kind) || std::string_view(nl_langinfo(CODESET)) == "UTF-8")
        return;
    utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (utf8_ != nullptr)
        previous_ = uselocale(utf8_);
}

NameLocale::~NameLocale() {
    if (utf8_ == nullptr)
        return;
    uselocale(previous_);
    freelocale(utf8_);
}

std::string MethodText(Kind kind, archive* a) {
    switch (kind) {
    case Kind::Tar: {
        switch (archive_filter_code(a, 0)) {
        case ARCHIVE_FILTER_GZIP:
            return "-tgz-";
        case ARCHIVE_FILTER_BZIP2:
            return "-tbz-";
        case ARCHIVE_FILTER_COMPRESS:
            return "-taz-";
        default:
            return "-tar-";
        }
    }
    case Kind::SevenZip:
        return "7z";
    case Kind::Cab:
        return "cab";
    case Kind::Rar:
        return "rar";
    }
    return "";
}

} // namespace vmla
