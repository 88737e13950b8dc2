#include "archives/NamedStreams.h"

namespace archives {

void ExportNamedStreams(const std::string&, const std::string&, const std::string&, TFileItems&,
                        std::vector<std::string>&) {
    // No volume supports named streams: nothing to export.
}

bool RestoreNamedStream(const std::string&, const std::string&) {
    // Without stream support the extracted member stays an ordinary file, so nothing is lost.
    return false;
}

} // namespace archives
