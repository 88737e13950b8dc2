// The finished data of one member, made from its file in pieces: the file opened and checked
// to be a regular file, read up to the size it had when it was selected, and deflated (zlib,
// raw deflate). A file of up to 1 MiB is compressed whole, and stored instead when deflating
// does not make it smaller; larger files are deflated as a stream. Level 0 passes the bytes
// through. The pieces are the same whichever thread makes them, so an archive's content does
// not depend on the number of threads. Nothing here reports progress: the caller does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zip.h>
#include <zlib.h>

namespace vmzip {

struct DeflatedPiece {
    std::vector<char> data;
    uint64_t rawDone = 0; // bytes of the file read so far
    uint32_t crc = 0;     // CRC-32 of those bytes
    int32_t method = ZIP_CM_DEFLATE;
    bool last = false; // the member's data end with this piece
    // A failure ends the pieces: libzip's error code; for a failure of the file itself also
    // the errno and what failed ("cannot open", "cannot read", "no longer a regular file:").
    int zipError = ZIP_ER_OK;
    int sysError = 0;
    const char* what = nullptr;

    bool failed() const { return zipError != ZIP_ER_OK; }
};

class MemberDeflater {
public:
    MemberDeflater(std::string path, uint64_t size, int level);
    ~MemberDeflater();
    MemberDeflater(const MemberDeflater&) = delete;
    MemberDeflater& operator=(const MemberDeflater&) = delete;

    // The next piece (at most 256 KiB of data, a whole small file's at most 1 MiB). After a
    // piece that is the last or failed, there are no more.
    DeflatedPiece Next();

private:
    DeflatedPiece Open();
    DeflatedPiece Whole();
    DeflatedPiece Stream();
    DeflatedPiece Failure(int zipError, int sysError, const char* what);
    // Reads up to len bytes (never past the selected size); false on a read error.
    bool ReadFile(char* buf, std::size_t len, std::size_t& got);
    bool StartDeflate();
    DeflatedPiece Piece(std::vector<char> data, bool last);

    std::string path_;
    uint64_t size_;
    int level_;
    int fd_ = -1;
    bool opened_ = false;
    uint64_t done_ = 0;
    uLong crc_ = 0;
    z_stream z_{};
    bool deflating_ = false;
    std::vector<char> in_;
};

} // namespace vmzip
