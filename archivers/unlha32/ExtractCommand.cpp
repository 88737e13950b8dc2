#include <sys/stat.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/MemberData.h"
#include "archivers/unlha32/MemberMatcher.h"
#include "archivers/unlha32/OutputDirectory.h"

namespace unlha {
namespace {

// Failures after which nothing else can be extracted. Every other failure belongs to its
// member alone: it is reported and the others are still extracted.
bool EndsCommand(int32_t code) {
    return code == ARC_ERROR_USER_CANCEL || code == ARC_ERROR_DISK_SPACE ||
           code == ARC_ERROR_ENOUGH_MEMORY;
}

// Unix file types other than regular files and directories (links, devices) are not made.
bool SpecialFile(const MemberHeader& h) {
    if (!h.unixMode)
        return false;
    const unsigned type = *h.unixMode & 0170000;
    return type != 0 && type != 0100000 && type != 0040000;
}

} // namespace

void ExtractMembers(const Command& command, Progress& progress, Report& report, bool test) {
    const bool flat =
        command.kind == CommandKind::ExtractFlat || command.switches.Number("e", 0) >= 1;
    const bool overwrite = command.switches.Number("c", 0) >= 1;
    MemberMatcher matcher(command.names, command.switches.Excludes());
    ResolveNames(matcher, command.archive);
    ArchiveReader reader(command.archive);
    std::optional<OutputDirectory> output;
    if (!test)
        output.emplace(command.directory);
    progress.Open(command.archive);

    // Damage is reported where it is met, and extraction goes on with the intact members behind
    // it.
    const auto damaged = [&](const ArchiveError& e) {
        report.Error(e.code(), std::string(e.what()) + " (at byte " +
                                   std::to_string(reader.HeaderOffset()) + ")");
    };
    MemberHeader h;
    while (reader.NextIntact(h, damaged)) {
        if (!matcher.Matches(h.path))
            continue;
        progress.Member(h);
        try {
            if (SpecialFile(h)) {
                report.Error(ARC_ERROR_NOT_SUPPORT,
                             "links and device files are not extracted: " + h.path);
                continue;
            }
            if (h.IsDirectory()) {
                if (test || flat)
                    continue;
                const auto parts = SafeParts(h.path);
                if (!parts) {
                    report.Error(ARC_ERROR_FILE_STYLE, "unsafe member name: " + h.path);
                    continue;
                }
                output->MakeDirectory(*parts, h.unixMode, h.mtime);
                continue;
            }
            if (test) {
                progress.Begin(h.path, h.path, h.originalSize, &h);
                ReadMemberData(reader, h, nullptr, &progress);
                report.Line(h.path + " - OK");
                continue;
            }
            auto parts = SafeParts(h.path);
            if (!parts) {
                report.Error(ARC_ERROR_FILE_STYLE, "unsafe member name: " + h.path);
                continue;
            }
            if (flat)
                parts = std::vector<std::string>{parts->back()};
            if (!overwrite) {
                const auto existing = output->ExistingTime(*parts);
                if (existing && *existing >= h.mtime) {
                    report.Line(h.path + " - skipped, the file is not older");
                    continue;
                }
            }
            const bool readOnly = !h.unixMode && (h.dosAttributes & ARC_ATTR_READONLY) != 0;
            std::unique_ptr<OutputFile> file = output->Create(*parts, readOnly);
            progress.Begin(h.path, output->Display(*parts), h.originalSize, &h);
            ReadMemberData(reader, h, file.get(), &progress);
            file->Commit(h.unixMode, h.mtime);
            report.Line(h.path + " - extracted");
        } catch (const ArchiveError& e) {
            if (EndsCommand(e.code()))
                throw;
            // Every failure names its member.
            const std::string message = e.what();
            report.Error(e.code(), message.find(h.path) == std::string::npos
                                       ? h.path + ": " + message
                                       : message);
        }
    }
    for (const std::string& name : matcher.Unmatched())
        report.Error(ARC_ERROR_NOT_EXIST, "no such member: " + name);
    if (output)
        output->Finish();
}

} // namespace unlha
