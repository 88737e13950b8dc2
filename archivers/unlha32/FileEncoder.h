// Reads one file and encodes it as a member's data: compressed by the archive's method, or
// stored when compression would not make it smaller (decided after the first 512 KiB and at
// the end). What it makes goes to an EncodedSink in order; the encoder itself reports no
// progress and writes no archive, so it runs on the calling thread and on worker threads
// alike, and gives the same bytes on either.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/LzhEncoder.h"

namespace unlha {

class EncodedSink : public ByteSink {
public:
    // The file is open: its status (a regular file).
    virtual void Opened(const struct stat& st) = 0;
    // Member data: Write (from ByteSink). Restart drops what was written: the member is
    // stored instead, and the data start again.
    virtual void Restart() = 0;
    // Bytes of the file read so far (about every MiB).
    virtual void Read(uint64_t bytes) = 0;
    // The data are complete: the bytes read, their CRC-16 and whether they were stored.
    virtual void Done(uint64_t read, uint16_t crc, bool stored) = 0;
};

// Whether a file of this size is packed with a method other than -lh0-.
inline bool Compresses(const std::string& method, uint64_t size) {
    return size != 0 && method != "-lh0-";
}

class FileEncoder {
public:
    FileEncoder(std::string method, const EncoderTuning& tuning);
    ~FileEncoder();
    FileEncoder(const FileEncoder&) = delete;
    FileEncoder& operator=(const FileEncoder&) = delete;

    // Encodes the file. A file that cannot be opened or read raises ArchiveError
    // (ARC_ERROR_NOT_EXIST, ARC_ERROR_FILE_OPEN); so may the sink.
    void Encode(const std::string& path, EncodedSink& sink);

private:
    class Counter;

    // Writes the data compressed; false when they would not be smaller.
    bool Compress(int fd, uint64_t size, uint64_t& read, uint16_t& crc);
    void Store(int fd, uint64_t size, uint64_t& read, uint16_t& crc);
    // Reads the next chunk of the file into buffer_ and adds it to read and crc (reporting
    // every MiB); returns its size, 0 at the end.
    std::size_t NextChunk(int fd, uint64_t size, uint64_t& read, uint16_t& crc);

    std::string method_;
    EncoderTuning tuning_;
    std::string path_; // the file being encoded, for messages
    std::vector<uint8_t> buffer_;
    uint64_t reported_ = 0;               // bytes read when the sink last heard of it
    std::unique_ptr<Counter> counter_;    // passes the encoder's output on to the sink
    std::unique_ptr<LzhEncoder> encoder_; // made on first use, then reset for each file
};

} // namespace unlha
