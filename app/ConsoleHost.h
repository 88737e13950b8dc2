// The host of a headless run: messages go to standard error and are answered as an unattended
// run must answer them; nothing is opened for the user; SIGINT and SIGTERM ask the run to stop.
#pragma once

#include "app/RunHost.h"

#include <functional>
#include <ostream>

namespace app {

class TConsoleHost : public TRunHost {
public:
    explicit TConsoleHost(std::ostream& err);
    ~TConsoleHost() override;

    // Called from ProcessEvents once a stop signal has arrived (the stop action).
    std::function<void()> OnStopRequested;
    // True once SIGINT or SIGTERM arrived.
    static bool StopSignalled();

    TMsgAnswer ShowMessage(TMsgKind kind, const std::string& text, TMsgButtons buttons,
                           TMsgAnswer unattended) override;
    void ShowException(const std::string& message) override;
    void AddStampedLine(const std::string& text) override;
    void AddLine(const std::string& text) override;
    void ShowDebugScreen() override {}
    void SetStatusText(int, const std::string&) override {}
    void ProcessEvents() override;
    void SetTitle(const std::string&) override {}
    void SetActionEnabled(TAction, bool) override {}
    void SetListEnabled(bool) override {}
    void RefreshList() override {}
    int SelectedRow() const override { return -1; }
    void SelectRow(int) override {}
    std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName() override { return std::nullopt; }
    void OpenDocument(const std::string& path) override;
    void Beep() override {}
    TWindowState WindowState() const override { return TWindowState::None; }
    void SetMinimized() override {}
    TBounds WindowBounds() const override { return {}; }
    void SetWindowBounds(const TBounds&) override {}
    TBounds ScreenBounds() const override { return {}; }
    void CloseMainWindow() override { closed_ = true; }
    bool Closed() const { return closed_; }

private:
    void WriteLines(const std::string& text);

    std::ostream& err_;
    bool closed_ = false;
    bool stopDelivered_ = false;
};

} // namespace app
