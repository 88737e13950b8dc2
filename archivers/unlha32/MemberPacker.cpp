#include "archivers/unlha32/MemberPacker.h"

#include <cerrno>
#include <sys/stat.h>

#include "ArchiverContract.h"
#include "OrderedWork.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha {
namespace {

// Failures of one file that leave the rest of the command going.
bool FileFailure(int32_t code) {
    return code == ARC_ERROR_FILE_OPEN || code == ARC_ERROR_NOT_EXIST ||
           code == ARC_ERROR_LONG_FILE_NAME;
}

// Encoded data travel from a worker in pieces of at most this size.
constexpr std::size_t kPieceSize = std::size_t{1} << 18;
// Files that may be encoded ahead of the writer, per thread, and pieces waiting per file:
// a few MiB per thread at most.
constexpr std::size_t kAheadPerThread = 4;
constexpr std::size_t kPiecesPerFile = 4;

// One step of a file's encoding, as a worker hands it to the writer.
struct EncodedPiece {
    enum class Kind { Opened, Data, Restart, Done };
    Kind kind = Kind::Data;
    struct stat st {};          // Opened
    std::vector<uint8_t> bytes; // Data
    uint64_t read = 0;          // Data (bytes of the file read when it was made), Done
    uint16_t crc = 0;           // Done
    bool stored = false;        // Done
};

using Work = vmarc::OrderedWork<EncodedPiece>;

// Raised in a worker when the writer no longer wants the file's data.
struct Abandoned {};

// A worker's sink: gathers the data into pieces and passes them on.
class PieceSink : public EncodedSink {
public:
    explicit PieceSink(Work::Outlet& out) : out_(out) {}

    void Opened(const struct stat& st) override {
        EncodedPiece p;
        p.kind = EncodedPiece::Kind::Opened;
        p.st = st;
        Put(std::move(p));
    }
    void Write(const uint8_t* data, std::size_t size) override {
        while (size > 0) {
            if (pending_.capacity() == 0)
                pending_.reserve(kPieceSize);
            const std::size_t n = std::min(size, kPieceSize - pending_.size());
            pending_.insert(pending_.end(), data, data + n);
            data += n;
            size -= n;
            if (pending_.size() == kPieceSize)
                Flush();
        }
    }
    void Restart() override {
        pending_.clear();
        EncodedPiece p;
        p.kind = EncodedPiece::Kind::Restart;
        Put(std::move(p));
    }
    void Read(uint64_t bytes) override { read_ = bytes; }
    void Done(uint64_t read, uint16_t crc, bool stored) override {
        Flush();
        EncodedPiece p;
        p.kind = EncodedPiece::Kind::Done;
        p.read = read;
        p.crc = crc;
        p.stored = stored;
        Put(std::move(p));
    }

private:
    void Flush() {
        if (pending_.empty())
            return;
        EncodedPiece p;
        p.bytes.swap(pending_);
        p.read = read_;
        Put(std::move(p));
    }
    void Put(EncodedPiece p) {
        if (!out_.Put(std::move(p)))
            throw Abandoned{};
    }

    Work::Outlet& out_;
    std::vector<uint8_t> pending_;
    uint64_t read_ = 0;
};

// The writer's sink: the member's header, its data and progress, straight into the archive.
class ArchiveSink : public EncodedSink {
public:
    ArchiveSink(ArchiveWriter& writer, Progress& progress, Report& report,
                const std::string& method, const SourceFile& file)
        : writer_(writer), progress_(progress), report_(report), method_(method), file_(file) {}

    void Opened(const struct stat& st) override {
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        h_.path = file_.memberName;
        h_.method = Compresses(method_, size) ? method_ : "-lh0-";
        h_.mtime = st.st_mtime;
        h_.unixMode = static_cast<uint16_t>(0100000 | (st.st_mode & 07777));
        h_.originalSize = size;
        large_ = NeedsLargeSizes(size);
        headerAt_ = writer_.Position();
        writer_.Write(BuildLevel2Header(h_, large_));
        dataAt_ = writer_.Position();
        progress_.Begin(file_.path, file_.memberName, size);
    }
    void Write(const uint8_t* data, std::size_t size) override { writer_.Write(data, size); }
    void Restart() override { writer_.Rewind(dataAt_); }
    void Read(uint64_t bytes) override { progress_.Written(bytes); }
    void Done(uint64_t read, uint16_t crc, bool stored) override {
        if (stored)
            h_.method = "-lh0-";
        h_.originalSize = read;
        h_.compressedSize = writer_.Position() - dataAt_;
        h_.crc = crc;
        writer_.Patch(headerAt_, BuildLevel2Header(h_, large_));
        progress_.Written(read);
        report_.Line(file_.memberName + " - " + h_.method);
    }

private:
    ArchiveWriter& writer_;
    Progress& progress_;
    Report& report_;
    const std::string& method_;
    const SourceFile& file_;
    MemberHeader h_;
    bool large_ = false;
    uint64_t headerAt_ = 0;
    uint64_t dataAt_ = 0;
};

// Ends a claimed job however the member's packing ends.
class Claim {
public:
    explicit Claim(Work& work) : work_(work) {}
    ~Claim() { work_.Release(); }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

private:
    Work& work_;
};

} // namespace

// The worker threads and each one's encoder.
class EncodingWork {
public:
    EncodingWork(std::vector<const SourceFile*> files, unsigned threads, const std::string& method,
                 const EncoderTuning& tuning)
        : files_(std::move(files)) {
        for (unsigned t = 0; t < threads; ++t)
            encoders_.push_back(std::make_unique<FileEncoder>(method, tuning));
        work_ = std::make_unique<Work>(files_.size(), threads, kAheadPerThread * threads,
                                       kPiecesPerFile,
                                       [this](std::size_t job, unsigned worker, Work::Outlet& out) {
                                           PieceSink sink(out);
                                           try {
                                               encoders_[worker]->Encode(files_[job]->path, sink);
                                           } catch (const Abandoned&) {
                                           }
                                       });
    }

    Work& work() { return *work_; }

private:
    std::vector<const SourceFile*> files_;
    std::vector<std::unique_ptr<FileEncoder>> encoders_;
    std::unique_ptr<Work> work_; // last: its threads use the encoders
};

MemberPacker::MemberPacker(ArchiveWriter& writer, Progress& progress, Report& report,
                           std::string method, const EncoderTuning& tuning)
    : writer_(writer), progress_(progress), report_(report), method_(std::move(method)),
      tuning_(tuning), encoder_(method_, tuning_) {}

MemberPacker::~MemberPacker() = default;

void MemberPacker::Plan(const std::vector<const SourceFile*>& files, unsigned threads) {
    if (threads < 2 || work_)
        return;
    std::vector<const SourceFile*> regular;
    for (const SourceFile* file : files) {
        if (file->directory || jobs_.count(file) != 0)
            continue;
        jobs_.emplace(file, regular.size());
        regular.push_back(file);
    }
    if (!regular.empty())
        work_ = std::make_unique<EncodingWork>(std::move(regular), threads, method_, tuning_);
}

void MemberPacker::PackDirectory(const SourceFile& file) {
    struct stat st {};
    if (::stat(file.path.c_str(), &st) != 0)
        Fail(ARC_ERROR_NOT_EXIST, WithErrno("cannot read " + file.path, errno));
    MemberHeader h;
    h.path = file.memberName;
    h.method = "-lhd-";
    h.mtime = st.st_mtime;
    h.unixMode = static_cast<uint16_t>(0040000 | (st.st_mode & 07777));
    progress_.Begin(file.path, file.memberName, 0);
    writer_.Write(BuildLevel2Header(h, false));
    progress_.Written(0);
    report_.Line(file.memberName + " - directory added");
}

bool MemberPacker::Pack(const SourceFile& file) {
    const uint64_t headerAt = writer_.Position();
    try {
        if (file.directory) {
            PackDirectory(file);
            return true;
        }
        ArchiveSink sink(writer_, progress_, report_, method_, file);
        const auto job = jobs_.find(&file);
        if (work_ && job != jobs_.end() && work_->work().Claim(job->second)) {
            Work& work = work_->work();
            const Claim claim(work);
            EncodedPiece piece;
            uint64_t reported = 0;
            while (work.Next(piece)) {
                switch (piece.kind) {
                case EncodedPiece::Kind::Opened:
                    sink.Opened(piece.st);
                    break;
                case EncodedPiece::Kind::Data:
                    sink.Write(piece.bytes.data(), piece.bytes.size());
                    if (piece.read > reported) {
                        reported = piece.read;
                        sink.Read(piece.read);
                    }
                    break;
                case EncodedPiece::Kind::Restart:
                    sink.Restart();
                    break;
                case EncodedPiece::Kind::Done:
                    sink.Done(piece.read, piece.crc, piece.stored);
                    return true;
                }
            }
            Fail(ARC_ERROR_FILE_OPEN, "cannot read " + file.path); // the worker gave up
        }
        encoder_.Encode(file.path, sink);
        return true;
    } catch (const ArchiveError& e) {
        if (!FileFailure(e.code()))
            throw;
        writer_.Rewind(headerAt);
        report_.Error(e.code(), e.what());
        return false;
    }
}

} // namespace unlha
