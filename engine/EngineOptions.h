// The switch set of the engine's archive operations with the presets it starts with.
#pragma once

#include "archives/ArchiverOptions.h"

namespace engine {

// Sets the presets of the engine's switch set (the window's option set, separate from the
// facade's own).
void SetEngineOptionDefaults(archives::TArchiverOptions& options);

} // namespace engine
