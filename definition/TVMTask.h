// One backup item: source directories, destination, file patterns, filters and history rules,
// with its binary stream form.
#pragma once

#include "definition/TarnStream.h"

#include <cstdint>
#include <string>

namespace definition {

class TVMTask {
public:
    // The item with every default; TSModeDate is the moment of construction.
    TVMTask();

    // Copies every field, the legacy strings included.
    void Assign(const TVMTask& source);

    // Writes the current form (0.05).
    void WriteToStream(TMemoryStream& stream) const;
    // Reads any of the forms 0.01 to 0.05 into a freshly constructed item. On a failure the
    // item keeps what was read so far and the exception passes on.
    void ReadFromStream(TMemoryStream& stream);

    std::string SrcDirs;
    std::string DstDir;
    std::string TargetFiles = "*.*";
    std::string SkipFiles;
    bool SubDir = true;
    bool RegExp = false;
    bool NoDeleteFiles = false;
    bool SaveDeletedFiles = true;
    bool SaveModifiedFiles = true;
    bool DirNameAsLzhName = true;
    bool MsgBeforeExecution = false;
    std::string MsgBeforeExecutionText;
    bool IncludeHidden = false;
    bool IncludeSystem = false;
    bool EnableLzhCache = true;
    std::int32_t TSMode = 0; // 0 every file, 1 on or after TSModeDate, 2 within TSModeDays days
    double TSModeDate = 0;
    std::int32_t TSModeDays = 1;
    bool NoCompressFiles = false;
    std::string NoCompress = "*.lzh;*.zip;*.jpg;*.tif;*.mp3;*.wav;*.wma;*.avi";
    // Read from the forms 0.01 to 0.03 only; never written, never used.
    std::string LegacyTargetFiles = "*";
    std::string LegacySkipFiles;

    bool operator==(const TVMTask&) const = default;
};

} // namespace definition
