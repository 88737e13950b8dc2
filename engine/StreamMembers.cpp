#include "engine/StreamMembers.h"

#include "archives/NamedStreams.h"

#include <algorithm>

namespace engine {

using selection::TVMFileInfo;
using selection::TVMFiles;

namespace {

bool Contains(const TVMFiles& sorted, const std::string& name) {
    const auto it =
        std::lower_bound(sorted.begin(), sorted.end(), name,
                         [](const TVMFileInfo& f, const std::string& n) { return f.Name < n; });
    return it != sorted.end() && it->Name == name;
}

} // namespace

TStreamMembers TStreamMembers::SplitOff(TVMFiles& members, const TVMFiles& files,
                                        const std::string& separator) {
    TStreamMembers result;
    std::vector<std::string> bases(static_cast<std::size_t>(members.Count()));
    std::string stream;
    for (int i = 0; i < members.Count(); ++i) {
        std::string& base = bases[static_cast<std::size_t>(i)];
        if (!archives::SplitStreamMemberName(members[i].Name, separator, base, stream) ||
            Contains(files, members[i].Name) || !(Contains(members, base) || Contains(files, base)))
            base.clear();
    }
    TVMFiles kept;
    for (int i = 0; i < members.Count(); ++i) {
        const std::string& base = bases[static_cast<std::size_t>(i)];
        if (base.empty())
            kept.Add(std::move(members[i]));
        else
            result.byFile_[base].push_back(std::move(members[i]));
    }
    members = std::move(kept);
    return result;
}

const std::vector<TVMFileInfo>& TStreamMembers::Of(const std::string& file) const {
    static const std::vector<TVMFileInfo> none;
    const auto it = byFile_.find(file);
    return it == byFile_.end() ? none : it->second;
}

std::vector<std::string> TStreamMembers::WithStreams(const std::vector<std::string>& names) const {
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const std::string& name : names) {
        out.push_back(name);
        for (const TVMFileInfo& s : Of(name))
            out.push_back(s.Name);
    }
    return out;
}

std::vector<std::string> TStreamMembers::StreamsOf(const std::vector<std::string>& names) const {
    std::vector<std::string> out;
    for (const std::string& name : names)
        for (const TVMFileInfo& s : Of(name))
            out.push_back(s.Name);
    return out;
}

} // namespace engine
