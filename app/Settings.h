// The program's settings, kept per user in $XDG_CONFIG_HOME/Tarn/Velmoran.conf with a
// read-only system fallback for the working directory.
#pragma once

#include <string>

namespace app {

class TMainWndModel;

// Paths of the user's settings file and of the system fallback file.
std::string UserSettingsFile();
std::string SystemSettingsFile();
// The default log file: $XDG_STATE_HOME/Tarn/Velmoran/Velmoran.LOG.
std::string DefaultLogFile();
// The support web page opened from the help menu unless the settings name another.
inline constexpr const char* DefaultSupportPage = "https://velmoran.org/support/";

// Reads every value with its default and check; reports nothing (an unusable working
// directory silently falls back to the private temporary directory).
void LoadSettings(TMainWndModel& model);
// Writes every value; raises platform::EFileError when the file cannot be written.
void SaveSettings(TMainWndModel& model);

} // namespace app
