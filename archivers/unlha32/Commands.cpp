#include "archivers/unlha32/Commands.h"

namespace unlha {

const char* PackingMethod(const Switches& switches) {
    switch (switches.Number("jm")) {
    case 0:
        return "-lh0-";
    case 5:
        return "-lh5-";
    case 6:
        return "-lh6-";
    default:
        return "-lh7-";
    }
}

void RunCommand(const Command& command, Progress& progress, Report& report) {
    switch (command.kind) {
    case CommandKind::Extract:
    case CommandKind::ExtractFlat:
        ExtractMembers(command, progress, report, false);
        break;
    case CommandKind::Test:
        ExtractMembers(command, progress, report, true);
        break;
    case CommandKind::List:
        ListMembers(command, report);
        break;
    case CommandKind::Add:
    case CommandKind::Update:
    case CommandKind::Freshen:
        PackFiles(command, progress, report);
        break;
    case CommandKind::Delete:
        DeleteMembers(command, progress, report);
        break;
    case CommandKind::None:
        break;
    }
    progress.Finished();
}

} // namespace unlha
