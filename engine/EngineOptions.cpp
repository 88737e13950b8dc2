#include "engine/EngineOptions.h"

namespace engine {

void SetEngineOptionDefaults(archives::TArchiverOptions& o) {
    o.Clear();
    for (const char* on :
         {"a", "c", "m", "n", "y", "jsc", "jss", "jsz", "jyc", "jyd", "jyo", "gm", "go"})
        o.Switch(on) = 1;
    for (const char* off : {"e", "jsb", "jse", "jsf", "jsl", "jso", "jst", "jsv", "gp"})
        o.Switch(off) = 0;
    // Every other numeric switch stays -1 (not given).
    for (const char* text : {"w", "jo", "job", "jz", "gr"})
        o.Text(text) = archives::NulString;
    o.jx.clear();
    o.UserOptions = "-- ";
    o.UserFileList.clear();
    o.PackFilter = archives::pfComponent;
    o.ResFileName.clear();
    o.ResFileUsage = archives::TResFileUsage{};
}

} // namespace engine
