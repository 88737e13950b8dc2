// Window handles for the archiver libraries: an ArcWindow whose messages reach a C++ handler,
// and the process-wide registry of message names ("wm_arcextract").
#pragma once

#include "archives/ArchiverTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace archives {

// The number of a registered message name: the same for the same name within the process, from
// 0xC000 up; 0 for an empty name.
std::uint32_t RegisterWindowMessage(const std::string& name);

// A window that the libraries can send messages to. Messages are delivered synchronously on the
// sending thread; a window without a handler answers 0 (the default handling).
class TArcWindow {
public:
    using THandler = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam,
                                                 std::intptr_t lParam)>;

    explicit TArcWindow(THandler handler = {});
    TArcWindow(const TArcWindow&) = delete;
    TArcWindow& operator=(const TArcWindow&) = delete;

    HWND Handle() { return &window_; }
    void SetHandler(THandler handler) { handler_ = std::move(handler); }

    // What the library's send function does: the handler's reply, or 0.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    static std::intptr_t SendThunk(ArcWindow* wnd, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);
    static std::uint32_t RegisterThunk(const char* name);

    ArcWindow window_{};
    THandler handler_;
};

// The facade's hidden window: answers "wm_arcextract" by copying the library's progress record
// (names cut to their fields) and calling the handler with (state, record, abort). The reply is 1
// when the handler set abort, else 0. Other messages get the default answer 0.
class TProgressWindow {
public:
    using TProgressHandler = std::function<void(int state, TExtractingInfoEx* info, bool& abort)>;

    explicit TProgressWindow(TProgressHandler handler);
    HWND Handle() { return window_.Handle(); }

private:
    std::intptr_t WndProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    TArcWindow window_;
    TProgressHandler handler_;
    std::uint32_t arcExtract_;
};

} // namespace archives
