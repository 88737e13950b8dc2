// Exceptions of the archiver layer.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace archives {

class EArchiver : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The archiver library could not be loaded.
class ENoArchiverDLL : public EArchiver {
public:
    using EArchiver::EArchiver;
};

// A required entry is missing from the library.
class EEntryNotFound : public EArchiver {
public:
    using EArchiver::EArchiver;
};

// A file needed for a self-extracting archive is missing.
class ESfxNoRequiredFile : public EArchiver {
public:
    ESfxNoRequiredFile(std::string format, std::string kind, std::string file)
        : EArchiver(format + " 書庫からの" + kind + "自己解凍書庫の作成には '" + file +
                    "' ファイルが必要です。"),
          format_(std::move(format)), kind_(std::move(kind)), file_(std::move(file)) {}
    const std::string& Format() const { return format_; }
    const std::string& Kind() const { return kind_; }
    const std::string& File() const { return file_; }

private:
    std::string format_;
    std::string kind_;
    std::string file_;
};

// A builder was called without a switch it cannot do without (a programming error).
class EAssertionFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

} // namespace archives
