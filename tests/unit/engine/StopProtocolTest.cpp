#include "engine/EVMError.h"
#include "tests/unit/engine/EngineFixture.h"

using namespace engine;
using testing_support::EngineFixture;

namespace {

class StopProtocolTest : public EngineFixture {};

TEST_F(StopProtocolTest, NoCheckWithoutAStop) {
    eng.CheckUserBreak();
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(StopProtocolTest, AnsweredNoTheRunGoesOnAndAsksAgainNextTime) {
    eng.AtnVMStop();
    EXPECT_TRUE(state.Stopped);
    EXPECT_FALSE(host.IsEnabled(host::TAction::VMStop));
    host.Answers = {host::TMsgAnswer::No};
    eng.CheckUserBreak();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "処理を中断しますか?[Y/N]");
    EXPECT_EQ(host.Messages[0].Buttons, host::TMsgButtons::YesNo);
    EXPECT_FALSE(state.Stopped);
    EXPECT_TRUE(host.IsEnabled(host::TAction::VMStop));
    eng.CheckUserBreak(); // no new stop: no question
    EXPECT_EQ(host.Messages.size(), 1u);
    eng.AtnVMStop();
    host.Answers = {host::TMsgAnswer::No};
    eng.CheckUserBreak();
    EXPECT_EQ(host.Messages.size(), 2u);
    EXPECT_TRUE(state.RunLog.Lines().empty());
}

TEST_F(StopProtocolTest, AnsweredYesTheRunEndsWithOneLogLine) {
    eng.AtnVMStop();
    host.Answers = {host::TMsgAnswer::Yes};
    try {
        eng.CheckUserBreak();
        FAIL() << "no break";
    } catch (const EVMError& e) {
        EXPECT_EQ(e.Code(), EVMError::UserBreakCode);
        EXPECT_STREQ(e.what(), "ユーザーによる中断．");
    }
    ASSERT_EQ(state.RunLog.Lines().size(), 1u);
    EXPECT_NE(state.RunLog.Lines()[0].find("] ユーザーによる中断．"), std::string::npos);
    EXPECT_TRUE(state.UserBreakOccurred);
    EXPECT_TRUE(host.DebugLines.empty()); // debug mode off: nothing on the debug screen
    state.DebugMode = true;
    EXPECT_THROW(eng.UserBreak(), EVMError);
    EXPECT_EQ(host.DebugLines, std::vector<std::string>{"<>User break."});
}

TEST_F(StopProtocolTest, UnattendedTheQuestionIsAnsweredYes) {
    // No scripted answer: the unattended answer of the break question applies.
    state.Stopped = true;
    EXPECT_THROW(eng.CheckUserBreak(), EVMError);
}

} // namespace
