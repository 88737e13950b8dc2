// Packs one file as a member into a new archive: header, data (compressed, or stored when
// compression would not make it smaller, or asked to), then the header again with the sizes
// and the CRC.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "archivers/unlha32/ArchiveWriter.h"
#include "archivers/unlha32/FileSelection.h"
#include "archivers/unlha32/LzhEncoder.h"
#include "archivers/unlha32/Progress.h"
#include "archivers/unlha32/Report.h"

namespace unlha {

class MemberPacker {
public:
    MemberPacker(ArchiveWriter& writer, Progress& progress, Report& report, std::string method,
                 const EncoderTuning& tuning = {});

    // Appends the file as a member. A file that cannot be read leaves the archive as it was,
    // goes into the report and gives false; a full disk, a cancel and the like raise
    // ArchiveError.
    bool Pack(const SourceFile& file);

private:
    // Writes the data compressed; false (nothing written) when it would not be smaller.
    bool Compress(int fd, uint64_t size, uint64_t& read, uint16_t& crc);
    void Store(int fd, uint64_t size, uint64_t& read, uint16_t& crc);
    void ReadChunk(int fd, uint64_t remaining, std::size_t& n);

    ArchiveWriter& writer_;
    Progress& progress_;
    Report& report_;
    std::string method_;
    EncoderTuning tuning_;
    std::string path_; // the file being packed, for messages
    std::vector<uint8_t> buffer_;
    std::unique_ptr<LzhEncoder> encoder_; // made on first use, then reset for each file
};

} // namespace unlha
