#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "select/TFileNameCompare.h"

#include <cmath>

namespace engine {

using selection::TVMFileInfo;
using selection::TVMFiles;

int CompareTimes(platform::TDateTime t1, platform::TDateTime t2) {
    constexpr double tolerance = 10.0 / 86400.0;
    if (std::fabs(t1 - t2) < tolerance)
        return 0;
    return t1 > t2 ? 1 : -1;
}

namespace {

// Removes, visiting from last to first, every item for which remove is true.
template <typename Pred> void RemoveWhere(TVMFiles& list, Pred remove) {
    for (int i = list.Count() - 1; i >= 0; --i)
        if (remove(list[i]))
            list.Delete(i);
}

// What a pass does at each step of the walk.
struct PassRules {
    bool start;                                               // Candidate of every item first
    std::function<void(TVMFileInfo& f, TVMFileInfo& s)> pair; // names equal
    bool unpairedS;                                           // S item without partner
    bool unpairedF;                                           // F item without partner
    bool resultIsF;                                           // which list the result reads
    const char* title;
    bool showScreen;
};

} // namespace

void TVMEngine::ListChosen(const TVMFiles& files) {
    state_.ShowDebugScreen();
    state_.AddStampedLine("TFrmMainWnd.ChooseFiles - chosen files = " +
                          std::to_string(files.Count()));
    for (const auto& f : files)
        state_.AddLine("  " + f.Name);
}

void TVMEngine::ChooseFiles(TVMFiles& files, const definition::TVMTask& item) {
    selection::TFileNameCompare targets;
    targets.SetUseRegExp(item.RegExp);
    targets.SetFilePatterns(platform::LowerCase(item.TargetFiles));
    selection::TFileNameCompare skips;
    skips.SetUseRegExp(item.RegExp);
    skips.SetFilePatterns(platform::LowerCase(item.SkipFiles));

    if (!item.TargetFiles.empty())
        RemoveWhere(files, [&](const TVMFileInfo& f) {
            return !targets.MatchName(platform::LowerCase(f.Name));
        });
    if (!item.SkipFiles.empty())
        RemoveWhere(files, [&](const TVMFileInfo& f) {
            return skips.MatchName(platform::LowerCase(f.Name));
        });
    if (!item.IncludeHidden)
        RemoveWhere(files,
                    [](const TVMFileInfo& f) { return (f.Attr & selection::faHidden) != 0; });
    if (!item.IncludeSystem)
        RemoveWhere(files,
                    [](const TVMFileInfo& f) { return (f.Attr & selection::faSysFile) != 0; });
    if (item.TSMode == 1) {
        RemoveWhere(files, [&](const TVMFileInfo& f) { return f.Time < item.TSModeDate; });
    } else if (item.TSMode == 2) {
        const platform::TDateTime limit = platform::Now() - item.TSModeDays;
        RemoveWhere(files, [&](const TVMFileInfo& f) { return f.Time < limit; });
    }
    if (state_.DebugMode)
        ListChosen(files);
}

void TVMEngine::ChooseDirs(TVMFiles& dirs, const definition::TVMTask& item) {
    selection::TFileNameCompare targets;
    targets.SetUseRegExp(item.RegExp);
    targets.SetDirPatterns(platform::LowerCase(item.TargetFiles));
    selection::TFileNameCompare skips;
    skips.SetUseRegExp(item.RegExp);
    skips.SetDirPatterns(platform::LowerCase(item.SkipFiles));

    // Without any directory pattern every directory stays a target.
    if (!item.TargetFiles.empty() && !targets.Items().empty())
        RemoveWhere(dirs, [&](const TVMFileInfo& d) {
            return !targets.MatchName(platform::LowerCase(d.Name));
        });
    if (!item.SkipFiles.empty() && !skips.Items().empty())
        RemoveWhere(dirs, [&](const TVMFileInfo& d) {
            return skips.MatchName(platform::LowerCase(d.Name));
        });
    if (!item.IncludeHidden)
        RemoveWhere(dirs, [](const TVMFileInfo& d) { return (d.Attr & selection::faHidden) != 0; });
    if (!item.IncludeSystem)
        RemoveWhere(dirs,
                    [](const TVMFileInfo& d) { return (d.Attr & selection::faSysFile) != 0; });
    if (state_.DebugMode)
        ListChosen(dirs);
}

namespace {

// Walks two name-sorted lists side by side (names compared by the platform's key) and applies
// a pass's rules; marks every candidate; returns whether the result list has a candidate.
bool Walk(TVMFiles& f, TVMFiles& s, const PassRules& rules, const engine::TRunState& state) {
    for (auto& item : f)
        item.Candidate = rules.start;
    for (auto& item : s)
        item.Candidate = rules.start;
    int i = 0, j = 0;
    while (i < f.Count() && j < s.Count()) {
        const std::string fk = platform::FileNameKey(f[i].Name);
        const std::string sk = platform::FileNameKey(s[j].Name);
        if (fk == sk) {
            rules.pair(f[i], s[j]);
            ++i;
            ++j;
        } else if (fk > sk) {
            s[j].Candidate = rules.unpairedS;
            ++j;
        } else {
            f[i].Candidate = rules.unpairedF;
            ++i;
        }
    }
    for (auto& item : f)
        if (item.Candidate)
            item.Marked = true;
    for (auto& item : s)
        if (item.Candidate)
            item.Marked = true;
    const TVMFiles& result = rules.resultIsF ? f : s;
    bool any = false;
    for (const auto& item : result)
        any = any || item.Candidate;
    if (state.DebugMode) {
        if (rules.showScreen)
            state.ShowDebugScreen();
        state.AddStampedLine(rules.title);
        for (const auto& item : result)
            if (item.Candidate)
                state.AddLine("  " + item.Name);
    }
    return any;
}

void BothFalse(TVMFileInfo& a, TVMFileInfo& b) {
    a.Candidate = b.Candidate = false;
}

} // namespace

bool TVMEngine::CheckBackupFiles(TVMFiles& source, TVMFiles& members) {
    PassRules rules{true,
                    [](TVMFileInfo& f, TVMFileInfo& s) {
                        if (CompareTimes(f.Time, s.Time) == 0)
                            BothFalse(f, s);
                    },
                    false,
                    true,
                    true,
                    "TFrmMainWindow.CheckBackupFiles - chosen files to be backed up.",
                    true};
    return Walk(source, members, rules, state_);
}

bool TVMEngine::CheckDeleteFiles(TVMFiles& f, TVMFiles& s) {
    PassRules rules{true,  BothFalse, true,
                    false, false,     "TFrmMainWnd.CheckDeleteFiles - files which will be deleted.",
                    false};
    return Walk(f, s, rules, state_);
}

bool TVMEngine::CheckDeleteBackupFiles(TVMFiles& source, TVMFiles& members) {
    PassRules rules{false,
                    [](TVMFileInfo& f, TVMFileInfo& s) {
                        if (CompareTimes(f.Time, s.Time) != 0)
                            f.Candidate = s.Candidate = true;
                    },
                    false,
                    false,
                    false,
                    "TFrmMainWnd.CheckDeleteBackupFiles - files which has been modified.",
                    true};
    return Walk(source, members, rules, state_);
}

bool TVMEngine::CheckRestoreFiles(TVMFiles& dest, TVMFiles& members, bool onlyIfNewer) {
    PassRules rules{true,
                    [onlyIfNewer](TVMFileInfo& f, TVMFileInfo& s) {
                        const int c = CompareTimes(f.Time, s.Time);
                        if (c == 0 || (onlyIfNewer && c == 1))
                            BothFalse(f, s);
                    },
                    true,
                    false,
                    false,
                    "TFrmMainWindow.CheckRestoreFiles - chosen files to be restored.",
                    true};
    return Walk(dest, members, rules, state_);
}

} // namespace engine
