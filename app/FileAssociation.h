// The association of backup definition files (*.vmp) with the program on a freedesktop
// desktop: a desktop entry in the user's applications directory (open, and a "バックアップ実行"
// action that runs a backup) and a shared-mime-info type recognised by name and signature.
#pragma once

#include "host/RunHost.h"

#include <functional>
#include <string>
#include <vector>

namespace app {

inline constexpr const char* DefinitionMimeType = "application/x-velmoran-definition";
inline constexpr const char* DesktopEntryName = "velmoran.desktop";
inline constexpr const char* MimePackageName = "velmoran.xml";

// How a cache refresh went: done, the tool is not installed (nothing to refresh), or it failed
// (Detail says how).
struct TCommandOutcome {
    enum { Done, NotFound, Failed } Result = Done;
    std::string Detail;
};
// Runs a desktop tool named `name` (looked up on PATH) with `args`.
using TCommandRunner =
    std::function<TCommandOutcome(const std::string& name, const std::vector<std::string>& args)>;
// The runner that looks the tool up on PATH and runs it without a shell.
TCommandOutcome RunDesktopTool(const std::string& name, const std::vector<std::string>& args);

// Where the two files go below an XDG data directory.
std::string DesktopEntryPath(const std::string& dataHome);
std::string MimePackagePath(const std::string& dataHome);

// One argument of a desktop entry's Exec key, quoted as the freedesktop Desktop Entry format
// requires (the string-value escapes included), so that it reaches the program unchanged.
std::string QuoteExecArgument(const std::string& argument);
// The desktop entry for the program at `programPath` (UTF-8), and the MIME package. The user's
// association carries a marker so that unregistering removes only what registering wrote; the
// installed files (association false) carry none, and share the entry's name, so that the
// user's entry replaces the installed one instead of standing beside it.
std::string DesktopEntryText(const std::string& programPath, bool association = true);
std::string MimePackageText(bool association = true);

// Asks, writes the desktop entry and the MIME package, refreshes the desktop's caches and
// reports; true when the association was written.
bool RegisterFileType(host::TRunHost& host);
bool RegisterFileType(host::TRunHost& host, const std::string& programPath,
                      const std::string& dataHome, const TCommandRunner& run);

// Asks, removes the two files that registration wrote (and nothing else), refreshes the
// caches and reports; true when they are gone.
bool UnRegisterFileType(host::TRunHost& host);
bool UnRegisterFileType(host::TRunHost& host, const std::string& dataHome,
                        const TCommandRunner& run);

} // namespace app
