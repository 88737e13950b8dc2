#include "app/ConsoleHost.h"

#include "app/MainWndModel.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

using namespace app;

namespace {

TEST(ConsoleHostTest, MessagesGoToStandardErrorLineByLineWithTheUnattendedAnswer) {
    std::ostringstream err;
    TConsoleHost host(err);
    EXPECT_EQ(host.MessageBox(host::TMsgKind::Information, "one\r\ntwo", host::TMsgButtons::Ok),
              host::TMsgAnswer::Ok);
    EXPECT_EQ(host.MessageBox(host::TMsgKind::Confirmation, "go?", host::TMsgButtons::OkCancel),
              host::TMsgAnswer::Ok);
    EXPECT_EQ(host.MessageBox(host::TMsgKind::Confirmation, "sure?", host::TMsgButtons::YesNo),
              host::TMsgAnswer::Yes);
    EXPECT_EQ(host.ShowMessage(host::TMsgKind::Information, "library?", host::TMsgButtons::YesNo,
                               host::TMsgAnswer::No),
              host::TMsgAnswer::No);
    host.OpenDocument("/var/log/v.log");
    EXPECT_EQ(err.str(), "one\ntwo\ngo?\nsure?\nlibrary?\n/var/log/v.log\n");
    EXPECT_EQ(host.WindowState(), host::TWindowState::None); // bounds are never saved headless
}

TEST(ConsoleHostTest, StopSignalActsAsTheStopAction) {
    std::ostringstream err;
    TConsoleHost host(err);
    TMainWndModel model(host);
    host.OnStopRequested = [&model] { model.Stopped = true; };
    host.ProcessEvents();
    EXPECT_FALSE(model.Stopped);
    std::raise(SIGTERM);
    EXPECT_TRUE(TConsoleHost::StopSignalled());
    host.ProcessEvents();
    EXPECT_TRUE(model.Stopped);
}

TEST(ConsoleHostTest, ErrorLinesOfTheRunLogGoToStandardErrorAndProgressLinesDoNot) {
    std::ostringstream err;
    TConsoleHost host(err);
    TMainWndModel model(host);
    model.AddLogLine("バックアップ開始(/d.vmp)");
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(model.ErrorOccurred);
    model.AddErrorLine("コピー元ディレクトリが存在しません。");
    EXPECT_TRUE(model.ErrorOccurred);
    ASSERT_EQ(model.RunLog.Lines().size(), 2u);
    // The line as the log holds it, stamp included.
    EXPECT_EQ(err.str(), model.RunLog.Lines()[1] + "\n");
    EXPECT_EQ(model.RunLog.Lines()[1].front(), '[');
    model.AddRawErrorLine("コピー先ディレクトリを作成できない。");
    EXPECT_EQ(model.RunLog.Lines().back(), "コピー先ディレクトリを作成できない。");
    EXPECT_EQ(err.str(), model.RunLog.Lines()[1] + "\nコピー先ディレクトリを作成できない。\n");
}

TEST(ConsoleHostTest, DebugLinesOnlyInDebugMode) {
    std::ostringstream err;
    TConsoleHost host(err);
    TMainWndModel model(host);
    model.AddLine("hidden");
    model.AddStampedLine("hidden");
    EXPECT_EQ(err.str(), "");
    model.DebugMode = true;
    model.AddLine("shown");
    EXPECT_EQ(err.str(), "shown\n");
}

} // namespace

namespace {

TEST(ConsoleHostTest, ProgressLineOnATerminalIsRedrawnAndClearedAtTheEnd) {
    std::ostringstream err;
    TConsoleHost host(err);
    host.SetProgressLine(true);
    host.SetStatusText(1, "/src/docs");
    EXPECT_EQ(err.str(), ""); // idle: no progress line
    host.SetBusy(true);
    host.SelectRow(2);
    host.SetStatusText(0, "1.0 kBytes - a.txt");
    EXPECT_EQ(err.str(), "\r\x1b[K[2] /src/docs  1.0 kBytes - a.txt");
    host.SetStatusText(0, "2.0 kBytes - a.txt"); // within 400 ms: not redrawn
    EXPECT_EQ(err.str(), "\r\x1b[K[2] /src/docs  1.0 kBytes - a.txt");
    host.MessageBox(host::TMsgKind::Error, "boom",
                    host::TMsgButtons::Ok); // a message clears the line first
    host.SetBusy(false);
    EXPECT_EQ(err.str(), "\r\x1b[K[2] /src/docs  1.0 kBytes - a.txt\r\x1b[Kboom\n");

    std::ostringstream cron;
    TConsoleHost quiet(cron); // not a terminal: only the messages
    quiet.SetBusy(true);
    quiet.SetStatusText(0, "x");
    EXPECT_EQ(cron.str(), "");
}

} // namespace
