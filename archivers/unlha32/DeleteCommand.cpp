#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/ArchiveTarget.h"
#include "archivers/unlha32/ArchiveWriter.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/MemberMatcher.h"

namespace unlha {

void DeleteMembers(const Command& command, Progress& progress, Report& report) {
    if (command.names.empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no member names to delete");
    const ArchiveTarget target = ExamineTarget(command.archive);
    if (!target.exists)
        Fail(ARC_ERROR_ARC_FILE_OPEN, "no such archive: " + command.archive);
    MemberMatcher matcher(command.names, command.switches.Excludes());
    ResolveNames(matcher, command.archive);
    ArchiveReader reader(command.archive);
    ArchiveWriter writer(command.archive);
    progress.Open(command.archive);
    bool changed = false;
    MemberHeader h;
    while (reader.Next(h)) {
        if (matcher.Matches(h.path)) {
            progress.Member(h);
            report.Line(h.path + " - deleted");
            changed = true;
            continue;
        }
        reader.CopyMember(h, writer);
    }
    if (!changed)
        return;
    writer.Write(std::string(1, '\0'));
    progress.Copying(command.archive);
    writer.Commit(target.mode);
}

} // namespace unlha
