#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <utime.h>
#include <vector>

#include "ArchiverContract.h"
#include "WorkerCount.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/ArchiveTarget.h"
#include "archivers/unlha32/ArchiveWriter.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/FileSelection.h"
#include "archivers/unlha32/MemberPacker.h"

namespace unlha {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// True when the file is newer than the member, compared at the member's precision.
bool FileIsNewer(const SourceFile& file, const MemberHeader& member) {
    struct stat st {};
    if (::stat(file.path.c_str(), &st) != 0)
        return true; // let packing report the problem
    if (member.level == 2)
        return st.st_mtime > member.mtime;
    const DosStamp s = ToDosStamp(st.st_mtime);
    const DosStamp m = member.dosStamp;
    return s.date > m.date || (s.date == m.date && s.time > m.time);
}

} // namespace

void PackFiles(const Command& original, Progress& progress, Report& report) {
    Command command = original;
    if (command.names.empty())
        command.names.push_back("*");
    const bool always = command.kind == CommandKind::Add || command.switches.Number("c", 0) >= 1;
    const bool freshen = command.kind == CommandKind::Freshen;

    const ArchiveTarget target = ExamineTarget(command.archive);
    if (freshen && !target.exists)
        Fail(ARC_ERROR_ARC_FILE_OPEN, "no such archive: " + command.archive);
    std::optional<ArchiveReader> reader;
    if (target.exists)
        reader.emplace(command.archive);
    ArchiveWriter writer(command.archive);

    std::vector<std::pair<dev_t, ino_t>> skip{{writer.Device(), writer.Inode()}};
    if (reader)
        skip.emplace_back(reader->Device(), reader->Inode());
    const Selection selection = SelectFiles(command, skip);
    for (const SelectionProblem& problem : selection.problems)
        report.Error(problem.code, problem.message);
    std::map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < selection.files.size(); ++i)
        byName.emplace(selection.files[i].memberName, i);
    std::vector<bool> handled(selection.files.size(), false);

    progress.Open(command.archive);
    // Which file each existing member is to be replaced by, decided up front so that the
    // files can be encoded ahead, in the order they are packed.
    std::vector<std::size_t> replacement; // per existing member; kNone: copied as it is
    std::vector<const SourceFile*> order;
    if (reader) {
        ArchiveReader scan(command.archive);
        MemberHeader h;
        while (scan.Next(h)) {
            const auto it = byName.find(h.path);
            std::size_t file = kNone;
            if (it != byName.end() && !handled[it->second]) {
                handled[it->second] = true;
                if (always || FileIsNewer(selection.files[it->second], h)) {
                    file = it->second;
                    order.push_back(&selection.files[file]);
                }
            }
            replacement.push_back(file);
        }
    }
    if (!freshen)
        for (std::size_t i = 0; i < selection.files.size(); ++i)
            if (!handled[i])
                order.push_back(&selection.files[i]);

    MemberPacker packer(writer, progress, report, PackingMethod(command.switches));
    packer.Plan(order, vmarc::WorkerCount(command.switches.Number("jt", 0)));
    bool changed = false;
    std::set<std::string> replaced;
    int64_t newest = 0;
    if (reader) {
        MemberHeader h;
        std::size_t member = 0;
        while (reader->Next(h)) {
            const std::size_t file = member < replacement.size() ? replacement[member] : kNone;
            ++member;
            if (file != kNone) {
                progress.Member(h);
                if (packer.Pack(selection.files[file])) {
                    changed = true;
                    replaced.insert(h.path);
                    continue;
                }
            } else if (replaced.count(h.path) != 0) {
                continue; // a second member of a name that was just replaced
            }
            newest = std::max(newest, h.mtime);
            reader->CopyMember(h, writer);
        }
    }
    if (!freshen) {
        for (std::size_t i = 0; i < selection.files.size(); ++i) {
            if (handled[i])
                continue;
            if (packer.Pack(selection.files[i]))
                changed = true;
        }
    }
    if (!changed)
        return; // nothing to write: the archive stays as it is, the work file goes
    writer.Write(std::string(1, '\0'));
    progress.Copying(command.archive);
    writer.Commit(target.mode);
    if (command.switches.Number("t", 0) >= 1) {
        // The archive takes the time of its newest member.
        ArchiveReader check(writer.Target());
        MemberHeader h;
        while (check.Next(h))
            newest = std::max(newest, h.mtime);
        struct utimbuf times {
            static_cast<time_t>(newest), static_cast<time_t>(newest)
        };
        ::utime(writer.Target().c_str(), &times);
    }
}

} // namespace unlha
