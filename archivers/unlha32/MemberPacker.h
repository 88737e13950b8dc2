// Packs files as members into a new archive: header, data (compressed, or stored when
// compression would not make it smaller, or asked to), then the header again with the sizes
// and the CRC. With more than one thread, worker threads encode the files ahead of the
// writer, in the order they are to be packed (see Plan); the members, their order and their
// bytes are the same as with one. Headers, progress and the report are made on the calling
// thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archivers/unlha32/ArchiveWriter.h"
#include "archivers/unlha32/FileEncoder.h"
#include "archivers/unlha32/FileSelection.h"
#include "archivers/unlha32/LzhEncoder.h"
#include "archivers/unlha32/Progress.h"
#include "archivers/unlha32/Report.h"

namespace unlha {

class EncodingWork;

class MemberPacker {
public:
    MemberPacker(ArchiveWriter& writer, Progress& progress, Report& report, std::string method,
                 const EncoderTuning& tuning = {});
    ~MemberPacker();
    MemberPacker(const MemberPacker&) = delete;
    MemberPacker& operator=(const MemberPacker&) = delete;

    // The files that Pack will be given, in that order; with threads > 1 workers start
    // encoding them. Files packed but not named here, or out of this order, are encoded by
    // Pack itself. The files must outlive the packer.
    void Plan(const std::vector<const SourceFile*>& files, unsigned threads);

    // Appends the file as a member. A file that cannot be read leaves the archive as it was,
    // goes into the report and gives false; a full disk, a cancel and the like raise
    // ArchiveError.
    bool Pack(const SourceFile& file);

private:
    void PackDirectory(const SourceFile& file);

    ArchiveWriter& writer_;
    Progress& progress_;
    Report& report_;
    std::string method_;
    EncoderTuning tuning_;
    FileEncoder encoder_; // for the files no worker encodes
    std::unordered_map<const SourceFile*, std::size_t> jobs_;
    std::unique_ptr<EncodingWork> work_;
};

} // namespace unlha
