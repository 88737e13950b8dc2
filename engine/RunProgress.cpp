// The share of a run that is done, counted in the directories it visits: counted before the
// items run (only when the host shows it) and advanced as each directory pass begins.
#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/TVMEngine.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"

namespace engine {

namespace {

// Keeps the window responsive while a large tree is counted.
constexpr int kEventsEvery = 256;

} // namespace

int TVMEngine::CountDirectories(const std::string& dir, const definition::TVMTask& item,
                                bool chooseByItem) {
    if (++progressCounted_ % kEventsEvery == 0)
        state_.Host().ProcessEvents();
    int count = 1;
    if (!item.SubDir)
        return count;
    selection::TVMFiles dirs;
    selection::ScanDirs(dirs, dir, false);
    if (chooseByItem)
        ChooseDirs(dirs, item);
    const std::string prefix = platform::IncludeTrailingPathDelimiter(dir);
    for (const auto& d : dirs)
        count += CountDirectories(prefix + d.Name, item, chooseByItem);
    return count;
}

void TVMEngine::StartProgress(const std::vector<std::unique_ptr<definition::TVMTask>>& items,
                              bool sourceTrees) {
    progressDone_ = 0;
    progressTotal_ = 0;
    progressCounted_ = 0;
    if (!state_.Host().ShowsRunProgress())
        return;
    for (const auto& item : items)
        for (const auto& src : SourceLines(item->SrcDirs))
            progressTotal_ += CountDirectories(sourceTrees ? src : ArchiveDirFor(src, item->DstDir),
                                               *item, sourceTrees);
    state_.Host().SetRunProgress(0, progressTotal_, "");
}

void TVMEngine::AdvanceProgress(const std::string& dir) {
    if (progressTotal_ == 0)
        return;
    // A tree that grew since it was counted keeps the bar at its end.
    if (progressDone_ < progressTotal_)
        ++progressDone_;
    state_.Host().SetRunProgress(progressDone_, progressTotal_, dir);
}

} // namespace engine
