#include "forms/Interrupt.h"

#include "forms/Form.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

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

TEST_F(InterruptTest, AProgramWhoseWindowsHaveNoCloseBoxMayEndByCtrlC) {
    int closings = 0;
    const forms::InterruptAsCloseBox interrupt([&] { ++closings; });
    forms::Form boxless(u"boxless");
    boxless.Show();
    std::raise(SIGINT);
    PumpUntil([&] { return closings > 0; });
    EXPECT_EQ(closings, 1);
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
