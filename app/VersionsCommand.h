// The command-line operations on one file's kept versions: listing them and bringing one back.
#pragma once

#include "app/MainWndModel.h"
#include "engine/FileVersions.h"

#include <ostream>
#include <string>

namespace app {

// One line of the listing: "yyyy/mm/dd hh:nn:ss<TAB>size<TAB>archive path".
std::string VersionLine(const engine::TFileVersion& version);

// Writes the versions of path to out, newest first; archives that could not be read and a path
// that no item backs up are error lines of the host. True when there is any version.
bool ListVersions(TMainWndModel& model, const std::string& path, std::ostream& out);

// Restores the version of path whose time is `stamp` (yyyymmddhhnnss) into `to`, or into the
// file's own directory when `to` is empty. True when it was restored.
bool RestoreVersion(TMainWndModel& model, const std::string& path, const std::string& stamp,
                    const std::string& to);

} // namespace app
