#include "FileSource.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include <zlib.h>

namespace vmzip {

namespace {

constexpr std::size_t kNoJob = std::numeric_limits<std::size_t>::max();
constexpr zip_uint64_t kNoIndex = std::numeric_limits<zip_uint64_t>::max();
// Jobs that may be done ahead of the writer, per thread, and pieces waiting per job: with
// pieces of 256 KiB (a whole small file's at most 1 MiB) a few MiB per thread at most.
constexpr std::size_t kAheadPerThread = 4;
constexpr std::size_t kPiecesPerJob = 4;

} // namespace

class FileSource {
public:
    FileSource(PackState& state, std::string path, std::string member, uint64_t size, time_t mtime,
               int level)
        : state_(state), path_(std::move(path)), member_(std::move(member)), size_(size),
          mtime_(mtime), level_(level), method_(level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE) {
        zip_error_init(&error_);
    }
    ~FileSource() { zip_error_fini(&error_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    static zip_int64_t Callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* src = static_cast<FileSource*>(self);
        if (cmd == ZIP_SOURCE_FREE)
            return 0; // the pack state owns the object
        return src->Handle(data, len, cmd);
    }

    // What the workers read; fixed once the source is made.
    const std::string& path() const { return path_; }
    uint64_t size() const { return size_; }
    int level() const { return level_; }

    zip_uint64_t index = kNoIndex; // the archive entry, once added
    std::size_t job = kNoJob;      // the workers' job making the data, when there is one

private:
    zip_int64_t Failed(int zipError, int err, const char* what) {
        zip_error_set(&error_, zipError, err);
        state_.failures.push_back(
            SourceFailure{member_, std::string(what) + " " + path_ + ": " + std::strerror(err)});
        return -1;
    }

    zip_int64_t Cancelled() {
        zip_error_set(&error_, ZIP_ER_CANCELLED, 0);
        return -1;
    }

    void Stop() {
        deflater_.reset();
        if (claimed_)
            state_.work->Release();
        claimed_ = false;
        piece_ = DeflatedPiece();
        pos_ = 0;
    }

    // Takes the next piece of the member's data; -1 on failure or cancel.
    zip_int64_t Fetch() {
        DeflatedPiece next;
        try {
            if (!claimed_)
                next = deflater_->Next();
            else if (!state_.work->Next(next))
                next.zipError = ZIP_ER_INTERNAL;
        } catch (const std::bad_alloc&) {
            next = DeflatedPiece();
            next.zipError = ZIP_ER_MEMORY;
        }
        piece_ = std::move(next);
        pos_ = 0;
        if (piece_.failed()) {
            if (piece_.what != nullptr)
                return Failed(piece_.zipError, piece_.sysError, piece_.what);
            zip_error_set(&error_, piece_.zipError, 0);
            return -1;
        }
        done_ = piece_.rawDone;
        crc_ = piece_.crc;
        state_.progress.Advance(done_, false);
        if (state_.progress.Cancelled())
            return Cancelled();
        return 0;
    }

    zip_int64_t Open() {
        Stop(); // left by an earlier attempt that failed
        done_ = 0;
        crc_ = crc32_z(0, nullptr, 0);
        method_ = level_ == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        state_.progress.Begin(path_, member_, size_);
        if (state_.progress.Cancelled())
            return Cancelled();
        claimed_ = state_.work && job != kNoJob && state_.work->Claim(job);
        if (!claimed_) {
            try {
                deflater_ = std::make_unique<MemberDeflater>(path_, size_, level_);
            } catch (const std::bad_alloc&) {
                zip_error_set(&error_, ZIP_ER_MEMORY, 0);
                return -1;
            }
        }
        const zip_int64_t r = Fetch();
        if (r < 0)
            return r;
        method_ = piece_.method;
        return 0;
    }

    zip_int64_t Read(void* data, zip_uint64_t len) {
        auto* out = static_cast<char*>(data);
        zip_uint64_t given = 0;
        while (given < len) {
            if (pos_ == piece_.data.size()) {
                if (piece_.last)
                    break;
                if (Fetch() < 0)
                    return -1;
                continue;
            }
            const std::size_t n = static_cast<std::size_t>(
                std::min<zip_uint64_t>(len - given, piece_.data.size() - pos_));
            std::memcpy(out + given, piece_.data.data() + pos_, n);
            pos_ += n;
            given += n;
        }
        return static_cast<zip_int64_t>(given);
    }

    zip_int64_t Stat(void* data, zip_uint64_t len) {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error_);
        if (st == nullptr)
            return -1;
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
        st->mtime = mtime_;
        st->comp_method = static_cast<zip_uint16_t>(method_);
        st->size = size_;
        if (read_) {
            // After the data was read: the real size, the CRC and the method used.
            st->valid |= ZIP_STAT_CRC;
            st->size = done_;
            st->crc = static_cast<zip_uint32_t>(crc_);
        }
        return sizeof(zip_stat_t);
    }

    zip_int64_t Handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        case ZIP_SOURCE_STAT:
            return Stat(data, len);
        case ZIP_SOURCE_OPEN: {
            read_ = false;
            const zip_int64_t r = Open();
            opened_ = r == 0;
            return r;
        }
        case ZIP_SOURCE_READ:
            return Read(data, len);
        case ZIP_SOURCE_CLOSE:
            // The buffers go now: a command may hold thousands of sources until it ends.
            Stop();
            read_ = opened_;
            state_.progress.Advance(done_, true);
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, len);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    PackState& state_;
    const std::string path_;
    const std::string member_;
    const uint64_t size_; // as selected
    const time_t mtime_;
    const int level_;
    bool opened_ = false;
    bool read_ = false; // opened, read and closed: done_ and crc_ are the member's
    uint64_t done_ = 0;
    uLong crc_ = 0;
    int32_t method_;
    std::unique_ptr<MemberDeflater> deflater_; // making the data here
    bool claimed_ = false;                     // or taking them from the workers
    DeflatedPiece piece_;
    std::size_t pos_ = 0;
    zip_error_t error_;
};

PackState::PackState(Progress& p) : progress(p) {}
PackState::~PackState() = default;

zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, int level, zip_error_t* error) {
    auto src = std::make_unique<FileSource>(state, std::move(path), std::move(memberName), size,
                                            mtime, level);
    zip_source_t* zs = zip_source_function_create(&FileSource::Callback, src.get(), error);
    if (zs != nullptr)
        state.sources.push_back(std::move(src));
    return zs;
}

void NoteArchiveIndex(PackState& state, zip_uint64_t index) {
    if (!state.sources.empty())
        state.sources.back()->index = index;
}

void StartWorkers(PackState& state, unsigned threads) {
    if (threads < 2 || state.work)
        return;
    std::vector<FileSource*> order;
    for (const std::unique_ptr<FileSource>& s : state.sources)
        if (s->index != kNoIndex)
            order.push_back(s.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const FileSource* a, const FileSource* b) { return a->index < b->index; });
    for (std::size_t j = 0; j < order.size(); ++j)
        order[j]->job = j;
    if (order.empty())
        return;
    using Work = vmarc::OrderedWork<DeflatedPiece>;
    state.work = std::make_unique<Work>(
        order.size(), threads, kAheadPerThread * threads, kPiecesPerJob,
        [order](std::size_t job, unsigned, Work::Outlet& out) {
            const FileSource& source = *order[job];
            MemberDeflater deflater(source.path(), source.size(), source.level());
            for (;;) {
                DeflatedPiece piece = deflater.Next();
                const bool end = piece.last || piece.failed();
                if (!out.Put(std::move(piece)) || end)
                    return;
            }
        });
}

} // namespace vmzip
