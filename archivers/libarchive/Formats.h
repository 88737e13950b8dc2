// The archive formats each library over libarchive reads and writes.
#pragma once

#include <archive.h>
#include <locale.h>
#include <memory>
#include <string>

namespace vmla {

enum class Kind { Tar, SevenZip, Cab, Rar };

struct ArchiveDeleter {
    void operator()(archive* a) const;
};
using ArchivePtr = std::unique_ptr<archive, ArchiveDeleter>;

// A reader of the formats of kind (tar: also a lone gzip, bzip2 or compress stream), not yet
// opened.
ArchivePtr NewReader(Kind kind);

// Format number for GetArchiveType: 1 tar, 2 tar+gzip, 3 tar+compress, 4 gzip, 5 compress,
// 6 tar+bzip2, 7 bzip2; 0 anything else or unreadable.
int ArchiveTypeOf(const std::string& path);

// Whether member names are exchanged with libarchive as UTF-8: for the formats that store
// Unicode names (7z, CAB, RAR) unless the locale's code page is Shift_JIS, whose names are
// converted by the locale. Under the C locale this keeps the UTF-8 names Linux uses, which the
// locale's conversion would refuse. Tar names are the stored bytes either way.
bool NamesInUtf8(Kind kind);

// While it lives, libarchive converts names as UTF-8 (on this thread) for a kind whose names
// are exchanged as UTF-8 and a locale whose code page is not UTF-8 already.
class NameLocale {
public:
    explicit NameLocale(Kind kind);
    ~NameLocale();
    NameLocale(const NameLocale&) = delete;
    NameLocale& operator=(const NameLocale&) = delete;

private:
    locale_t utf8_ = nullptr;
    locale_t previous_ = nullptr;
};

// Short method text of the member record for the archive's format ("tar", "7z", ...).
std::string MethodText(Kind kind, archive* a);

} // namespace vmla
