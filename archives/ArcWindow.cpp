#include "archives/ArcWindow.h"

#include <cstring>
#include <map>
#include <mutex>

namespace archives {

std::uint32_t RegisterWindowMessage(const std::string& name) {
    if (name.empty())
        return 0;
    static std::mutex lock;
    static std::map<std::string, std::uint32_t> messages;
    std::lock_guard<std::mutex> guard(lock);
    auto [it, added] =
        messages.emplace(name, 0xC000u + static_cast<std::uint32_t>(messages.size()));
    return it->second;
}

TArcWindow::TArcWindow(THandler handler) : handler_(std::move(handler)) {
    window_.structSize = sizeof(ArcWindow);
    window_.send = &TArcWindow::SendThunk;
    window_.registerMessage = &TArcWindow::RegisterThunk;
    window_.context = this;
}

std::intptr_t TArcWindow::Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return handler_ ? handler_(message, wParam, lParam) : 0;
}

std::intptr_t TArcWindow::SendThunk(ArcWindow* wnd, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    if (!wnd || !wnd->context)
        return 0;
    return static_cast<TArcWindow*>(wnd->context)->Send(message, wParam, lParam);
}

std::uint32_t TArcWindow::RegisterThunk(const char* name) {
    return name ? RegisterWindowMessage(name) : 0;
}

TProgressWindow::TProgressWindow(TProgressHandler handler)
    : window_(
          [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return WndProc(m, w, l); }),
      handler_(std::move(handler)), arcExtract_(RegisterWindowMessage(ARC_WM_ARCEXTRACT)) {}

std::intptr_t TProgressWindow::WndProc(std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    if (message != arcExtract_)
        return 0;
    // The handlers see a copy whose names end inside their fields, whatever the library sent.
    TExtractingInfoEx info{};
    TExtractingInfoEx* infoPtr = nullptr;
    if (lParam != 0) {
        std::memcpy(&info, reinterpret_cast<const void*>(lParam), sizeof info);
        info.sourceName[sizeof info.sourceName - 1] = '\0';
        info.destName[sizeof info.destName - 1] = '\0';
        info.attribute[sizeof info.attribute - 1] = '\0';
        info.method[sizeof info.method - 1] = '\0';
        infoPtr = &info;
    }
    bool abort = false;
    if (handler_)
        handler_(static_cast<int>(wParam), infoPtr, abort);
    return abort ? 1 : 0;
}

} // namespace archives
