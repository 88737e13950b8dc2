// A run host for tests: records everything shown and answers messages from a script.
#pragma once

#include "host/RunHost.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct RecordedMessage {
    host::TMsgKind Kind;
    std::string Text;
    host::TMsgButtons Buttons;
};

class RecordingHost : public host::TRunHost {
public:
    std::vector<RecordedMessage> Messages;
    std::vector<std::string> Exceptions;
    std::vector<std::string> DebugLines;
    std::vector<std::string> ErrorLines; // run-log lines shown as errors
    std::vector<std::string> Opened;
    std::deque<host::TMsgAnswer> Answers;             // answers in order; empty: the unattended one
    std::deque<std::optional<std::string>> FileNames; // answers of the file dialogs
    std::map<host::TAction, bool> Enabled;
    std::string Title;
    std::string Status[2];
    bool ListEnabled = false;
    int Selected = -1;
    int Refreshes = 0;
    int Beeps = 0;
    bool Closed = false;
    bool DebugScreenShown = false;
    bool Busy = false;
    bool RestoreAsked = false;
    bool DeleteHistoryAsked = false;
    std::optional<std::pair<bool, bool>> RestoreAnswer;
    struct DeleteHistoryChoice {
        std::int32_t Mode;
        std::int32_t Days;
        double Before;
    };
    std::optional<DeleteHistoryChoice> DeleteHistoryAnswer;
    bool Minimized = false;
    host::TWindowState State = host::TWindowState::Normal;
    host::TBounds Bounds{10, 20, 400, 300};
    host::TBounds Screen{0, 0, 1280, 1024};

    host::TMsgAnswer ShowMessage(host::TMsgKind kind, const std::string& text,
                                 host::TMsgButtons buttons, host::TMsgAnswer unattended) override {
        Messages.push_back({kind, text, buttons});
        if (Answers.empty())
            return unattended;
        const host::TMsgAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void ShowException(const std::string& message) override { Exceptions.push_back(message); }
    void ShowErrorLine(const std::string& line) override { ErrorLines.push_back(line); }
    void AddStampedLine(const std::string& text) override { DebugLines.push_back("<>" + text); }
    void AddLine(const std::string& text) override { DebugLines.push_back(text); }
    void ShowDebugScreen() override { DebugScreenShown = true; }
    void ClearDebugScreen() override { DebugLines.clear(); }
    void SetBusy(bool busy) override { Busy = busy; }
    bool AskRestoreOptions(bool& overwrite, bool& deleteNotContained) override {
        RestoreAsked = true;
        if (!RestoreAnswer)
            return false;
        overwrite = RestoreAnswer->first;
        deleteNotContained = RestoreAnswer->second;
        return true;
    }
    bool AskDeleteHistory(std::int32_t& mode, std::int32_t& days, double& before) override {
        DeleteHistoryAsked = true;
        if (!DeleteHistoryAnswer)
            return false;
        mode = DeleteHistoryAnswer->Mode;
        days = DeleteHistoryAnswer->Days;
        before = DeleteHistoryAnswer->Before;
        return true;
    }
    void SetStatusText(int panel, const std::string& text) override { Status[panel] = text; }
    void ProcessEvents() override {}
    void SetTitle(const std::string& title) override { Title = title; }
    void SetActionEnabled(host::TAction action, bool enabled) override {
        Enabled[action] = enabled;
    }
    void SetListEnabled(bool enabled) override { ListEnabled = enabled; }
    void RefreshList() override { ++Refreshes; }
    int SelectedRow() const override { return Selected; }
    void SelectRow(int row) override { Selected = row; }
    std::optional<std::string> AskOpenFileName() override { return NextFileName(); }
    std::optional<std::string> AskSaveFileName() override { return NextFileName(); }
    void OpenDocument(const std::string& path) override { Opened.push_back(path); }
    void Beep() override { ++Beeps; }
    host::TWindowState WindowState() const override { return State; }
    void SetMinimized() override { Minimized = true; }
    host::TBounds WindowBounds() const override { return Bounds; }
    void SetWindowBounds(const host::TBounds& bounds) override { Bounds = bounds; }
    host::TBounds ScreenBounds() const override { return Screen; }
    void CloseMainWindow() override { Closed = true; }

    bool IsEnabled(host::TAction action) const {
        const auto it = Enabled.find(action);
        return it != Enabled.end() && it->second;
    }

private:
    std::optional<std::string> NextFileName() {
        if (FileNames.empty())
            return std::nullopt;
        auto name = FileNames.front();
        FileNames.pop_front();
        return name;
    }
};

} // namespace testing_support
