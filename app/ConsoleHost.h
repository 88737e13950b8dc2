// The host of a headless run: messages go to standard error and are answered as an unattended
// run must answer them; nothing is opened for the user; SIGINT and SIGTERM ask the run to stop.
#pragma once

#include "host/RunHost.h"

#include <functional>
#include <ostream>

namespace app {

class TConsoleHost : public host::TRunHost {
public:
    explicit TConsoleHost(std::ostream& err);
    ~TConsoleHost() override;

    // Called from ProcessEvents once a stop signal has arrived (the stop action).
    std::function<void()> OnStopRequested;
    // True once SIGINT or SIGTERM arrived.
    static bool StopSignalled();

    host::TMsgAnswer ShowMessage(host::TMsgKind kind, const std::string& text,
                                 host::TMsgButtons buttons, host::TMsgAnswer unattended) override;
    void ShowException(const std::string& message) override;
    // Error lines of the run log go to standard error as they are written.
    void ShowErrorLine(const std::string& line) override;
    void AddStampedLine(const std::string& text) override;
    void AddLine(const std::string& text) override;
    void ShowDebugScreen() override {}
    void ClearDebugScreen() override {}
    void SetBusy(bool busy) override;
    bool AskRestoreOptions(bool&, bool&) override { return false; }
    bool AskDeleteHistory(std::int32_t&, std::int32_t&, double&) override { return false; }
    // Status panels become one progress line on a terminal.
    void SetStatusText(int panel, const std::string& text) override;
    void ProcessEvents() override;
    void SetTitle(const std::string&) override {}
    void SetActionEnabled(host::TAction, bool) override {}
    void SetListEnabled(bool) override {}
    void RefreshList() override {}
    int SelectedRow() const override { return row_; }
    void SelectRow(int row) override { row_ = row; }
    std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName() override { return std::nullopt; }
    void OpenDocument(const std::string& path) override;
    void Beep() override {}
    host::TWindowState WindowState() const override { return host::TWindowState::None; }
    void SetMinimized() override {}
    host::TBounds WindowBounds() const override { return {}; }
    void SetWindowBounds(const host::TBounds&) override {}
    host::TBounds ScreenBounds() const override { return {}; }
    void CloseMainWindow() override { closed_ = true; }
    bool Closed() const { return closed_; }

    // Whether the progress line is drawn (standard error is a terminal); tests can force it.
    void SetProgressLine(bool enabled) { progressLine_ = enabled; }

private:
    void WriteLines(const std::string& text);
    void DrawProgress(bool force);
    void ClearProgress();

    std::ostream& err_;
    bool closed_ = false;
    bool stopDelivered_ = false;
    bool progressLine_ = false;
    bool busy_ = false;
    bool progressShown_ = false;
    std::uint64_t lastDraw_ = 0;
    int row_ = -1;
    std::string panels_[2];
};

} // namespace app
