// The texts of a backup item's row in the main window's list, and the shortening of a path to a
// width. Free of the toolkit: the width of a text comes from a callback.
#pragma once

#include "definition/TVMTask.h"

#include <functional>
#include <string>

namespace ui {

// Source column before shortening: the first line trimmed and "+" when there are several.
std::string SourceColumnText(const definition::TVMTask& task);
// Conditions column: "Target='...' ; Exception='...'".
std::string ConditionColumnText(const definition::TVMTask& task);

// Shortens a path to fit maxWidth by replacing leading directories with "...", as
// "/home/ann/docs/a.txt" -> "/.../docs/a.txt" -> "/.../a.txt" -> ".../a.txt".
std::string MinimizeName(const std::string& path, int maxWidth,
                         const std::function<int(const std::string&)>& width);

} // namespace ui
