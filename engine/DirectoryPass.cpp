#include "engine/DirectoryPass.h"

#include "platform/FileUtil.h"

namespace engine {

definition::TVMTask SubdirectoryItem(const definition::TVMTask& item, const std::string& src,
                                     const std::string& subdir, const std::string& archiveDir) {
    definition::TVMTask sub;
    sub.Assign(item);
    sub.DstDir = archiveDir;
    sub.SrcDirs = platform::IncludeTrailingPathDelimiter(src) + subdir;
    sub.MsgBeforeExecution = false;
    return sub;
}

} // namespace engine
