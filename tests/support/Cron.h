// What cron does with a crontab line, for tests that run scheduled lines themselves.
#pragma once

#include <string>

namespace testing_support {

// The command of a crontab line as cron hands it to the shell (crontab(5)): the five time fields
// dropped, "\%" read as "%", and a bare "%" ending the command.
inline std::string CronCommand(const std::string& line) {
    std::size_t pos = 0;
    for (int field = 0; field < 5; ++field)
        pos = line.find(' ', pos) + 1;
    std::string command;
    for (std::size_t i = pos; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '%') {
            command += '%';
            ++i;
        } else if (line[i] == '%') {
            break;
        } else {
            command += line[i];
        }
    }
    return command;
}

} // namespace testing_support
