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
    EXPECT_EQ(host.MessageBox(TMsgKind::Information, "one\r\ntwo", TMsgButtons::Ok),
              TMsgAnswer::Ok);
    EXPECT_EQ(host.MessageBox(TMsgKind::Confirmation, "go?", TMsgButtons::OkCancel),
              TMsgAnswer::Ok);
    EXPECT_EQ(host.MessageBox(TMsgKind::Confirmation, "sure?", TMsgButtons::YesNo),
              TMsgAnswer::Yes);
    EXPECT_EQ(
        host.ShowMessage(TMsgKind::Information, "library?", TMsgButtons::YesNo, TMsgAnswer::No),
        TMsgAnswer::No);
    host.OpenDocument("/var/log/v.log");
    EXPECT_EQ(err.str(), "one\ntwo\ngo?\nsure?\nlibrary?\n/var/log/v.log\n");
    EXPECT_EQ(host.WindowState(), TWindowState::None); // bounds are never saved headless
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
