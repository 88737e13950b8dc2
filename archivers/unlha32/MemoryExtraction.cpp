#include <cstring>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/MemberData.h"
#include "archivers/unlha32/MemberMatcher.h"
#include "archivers/unlha32/MemberRecord.h"

namespace unlha {
namespace {

// Fills the caller's buffer and counts what did not fit.
class BufferSink : public ByteSink {
public:
    BufferSink(uint8_t* buffer, uint32_t size) : buffer_(buffer), size_(size) {}
    void Write(const uint8_t* data, std::size_t n) override {
        const std::size_t room = size_ - written_;
        const std::size_t take = std::min(room, n);
        if (take > 0)
            std::memcpy(buffer_ + written_, data, take);
        written_ += static_cast<uint32_t>(take);
        overflow_ |= take < n;
    }
    uint32_t Written() const { return written_; }
    bool Overflow() const { return overflow_; }

private:
    uint8_t* buffer_;
    uint32_t size_;
    uint32_t written_ = 0;
    bool overflow_ = false;
};

} // namespace

MemoryResult ExtractToMemory(const Command& command, Progress& progress, uint8_t* buffer,
                             uint32_t size) {
    if (command.names.empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no member name");
    MemberMatcher matcher({command.names.front()}, command.switches.Excludes());
    ResolveNames(matcher, command.archive);
    ArchiveReader reader(command.archive);
    progress.Open(command.archive);
    MemberHeader h;
    while (reader.Next(h)) {
        if (h.IsDirectory() || !matcher.Matches(h.path))
            continue;
        progress.Member(h);
        BufferSink sink(buffer, buffer == nullptr ? 0 : size);
        progress.Begin(h.path, h.path, h.originalSize, &h);
        ReadMemberData(reader, h, &sink, &progress);
        MemoryResult result{sink.Written(), h.mtime, MemberAttributes(h),
                            sink.Overflow() ? ARC_ERROR_ENOUGH_MEMORY : ARC_OK};
        progress.Finished();
        return result;
    }
    Fail(ARC_ERROR_NOT_EXIST, "no such member: " + command.names.front());
}

} // namespace unlha
