#include "forms/Interrupt.h"

#include "forms/Form.h"
#include "forms/TerminalRescue.h"
#include "vb/Descriptor.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Pumps until `done` or a second has gone by.
template <typename Done> void PumpUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!done() && std::chrono::steady_clock::now() < end) {
        forms::EventLoop::instance().waitEvents();
    }
}

class InterruptTest : public testing::Test {
protected:
    void SetUp() override { forms::EventLoop::instance().reset(); }
    void TearDown() override { forms::EventLoop::instance().reset(); }
};

TEST_F(InterruptTest, CtrlCClicksTheCloseBoxOfTheTopmostVisibleWindow) {
    const forms::InterruptAsCloseBox interrupt;
    forms::Form below(u"below");
    forms::Form top(u"top");
    forms::Form hiddenAbove(u"hiddenAbove");
    int belowClicks = 0;
    int topClicks = 0;
    int hiddenClicks = 0;
    below.CloseBox = [&] { ++belowClicks; };
    top.CloseBox = [&] { ++topClicks; };
    hiddenAbove.CloseBox = [&] { ++hiddenClicks; };
    below.Show();
    top.Show();

    std::raise(SIGINT);
    PumpUntil([&] { return topClicks > 0; });
    EXPECT_EQ(topClicks, 1);
    EXPECT_EQ(belowClicks, 0);
    EXPECT_EQ(hiddenClicks, 0);

    // A pump that does not wait (a copy's) sees it too.
    top.Hide();
    std::raise(SIGINT);
    forms::DoEvents();
    EXPECT_EQ(belowClicks, 1);
    EXPECT_EQ(topClicks, 1);
}

TEST_F(InterruptTest, WithoutAVisibleWindowCtrlCKeepsItsDefaultEffect) {
    EXPECT_EXIT(
        {
            const forms::InterruptAsCloseBox interrupt;
            forms::Form hidden(u"hidden");
            hidden.CloseBox = [] { std::_Exit(5); };
            std::raise(SIGINT);
            std::_Exit(6);
        },
        testing::KilledBySignal(SIGINT), "");
}

TEST_F(InterruptTest, AVisibleWindowWithoutCloseBoxLeavesCtrlCItsDefaultEffect) {
    EXPECT_EXIT(
        {
            const forms::InterruptAsCloseBox interrupt;
            forms::Form shown(u"shown");
            shown.Show();
            std::raise(SIGINT);
            forms::EventLoop::instance().waitEvents();
            std::_Exit(6);
        },
        testing::KilledBySignal(SIGINT), "");
}

// Ended from the signal's handler: nothing need pump messages, no window need be shown (the
// splash gone, the window not yet there), and the terminal's modes are undone first.
TEST_F(InterruptTest, AProgramWhoseWindowsHaveNoCloseBoxEndsAtOnceByCtrlC) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    const vb::Descriptor terminal(fds[0]);
    const vb::Descriptor written(fds[1]);
    EXPECT_EXIT(
        {
            forms::KeepUndo(forms::TerminalMode::Cursor, written.get(), "\x1b[?25h");
            const forms::InterruptAsCloseBox interrupt(7);
            std::raise(SIGINT);
            std::_Exit(6);
        },
        testing::ExitedWithCode(7), "");
    char undone[16] = {};
    EXPECT_EQ(::read(terminal.get(), undone, sizeof undone), 6);
    EXPECT_STREQ(undone, "\x1b[?25h");
}

TEST_F(InterruptTest, ASigintIgnoredAtStartStaysIgnored) {
    EXPECT_EXIT(
        {
            std::signal(SIGINT, SIG_IGN);
            const forms::InterruptAsCloseBox interrupt;
            forms::Form shown(u"shown");
            shown.CloseBox = [] { std::_Exit(5); };
            shown.Show();
            std::raise(SIGINT);
            forms::EventLoop::instance().doEvents();
            std::_Exit(6);
        },
        testing::ExitedWithCode(6), "");
}

TEST_F(InterruptTest, OnceGoneSigintIsHandledAsBefore) {
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    { const forms::InterruptAsCloseBox interrupt; }
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
