// The stream members of one archive directory's listing (a file's extended attributes, carried
// as extra members), kept apart from the files they belong to: every pass compares files only,
// and a stream member goes wherever its file goes.
#pragma once

#include "select/TVMFiles.h"

#include <map>
#include <string>
#include <vector>

namespace engine {

class TStreamMembers {
public:
    // Takes every stream member out of members: a name of the stream form whose file is among
    // the members or the source files, and that is no source file itself (a file of the user's
    // that only looks like one stays a file). Both lists sorted by name.
    static TStreamMembers SplitOff(selection::TVMFiles& members, const selection::TVMFiles& files,
                                   const std::string& separator);

    bool Empty() const { return byFile_.empty(); }
    // The stream members of a file; empty when it has none.
    const std::vector<selection::TVMFileInfo>& Of(const std::string& file) const;
    // The names, each followed by the names of its file's stream members.
    std::vector<std::string> WithStreams(const std::vector<std::string>& names) const;
    // The stream member names of the given files.
    std::vector<std::string> StreamsOf(const std::vector<std::string>& names) const;

private:
    std::map<std::string, std::vector<selection::TVMFileInfo>> byFile_;
};

} // namespace engine
