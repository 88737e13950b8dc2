// The program's message boxes, which tests replace with a hook that answers them.
#pragma once

#include "host/RunHost.h"

#include <functional>
#include <string>

class QWidget;

namespace ui {

using TMessageHook =
    std::function<host::TMsgAnswer(host::TMsgKind, const std::string&, host::TMsgButtons)>;

// A modal box titled "Velmoran" with the text (in the program's code page) and the buttons; the
// hook answers instead when it is set.
host::TMsgAnswer ShowMessageBox(QWidget* parent, host::TMsgKind kind, const std::string& text,
                                host::TMsgButtons buttons, const TMessageHook& hook = {});

} // namespace ui
