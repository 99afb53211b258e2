#include "forms/EventLoop.h"

#include "vb/Clock.h"
#include "vb/Descriptor.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Id = forms::EventLoop::Id;

class EventLoopTest : public testing::Test {
protected:
    void SetUp() override { loop.reset(); }
    void TearDown() override { loop.reset(); }

    forms::EventLoop& loop = forms::EventLoop::instance();
    vb::ManualClock clock;
    vb::ScopedClock scoped{clock};
};

// A pipe whose read end is ready once a byte is written; reads never block.
struct Pipe {
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        in.reset(fds[0]);
        out.reset(fds[1]);
    }
    void put() const { EXPECT_EQ(::write(out.get(), "x", 1), 1); }
    // Reads what is there: 1 for a byte, 0 when there was nothing to read.
    int take() const {
        char byte = 0;
        return ::read(in.get(), &byte, 1) == 1 ? 1 : 0;
    }
    vb::Descriptor in;
    vb::Descriptor out;
};

TEST_F(EventLoopTest, TimersTickOnTheManualClockAndRearmFromTheirTick) {
    std::vector<std::string> ticks;
    loop.addTimer(1000ms, [&] { ticks.emplace_back("a"); });
    loop.addTimer(2000ms, [&] { ticks.emplace_back("b"); });
    EXPECT_FALSE(loop.doEvents());
    clock.advance(999ms);
    EXPECT_FALSE(loop.doEvents());
    clock.advance(1ms);
    EXPECT_TRUE(loop.doEvents());
    EXPECT_EQ(ticks, (std::vector<std::string>{"a"}));
    // A late pump ticks once, and the next tick is one interval after it.
    clock.advance(1500ms);
    loop.doEvents();
    EXPECT_EQ(ticks, (std::vector<std::string>{"a", "a", "b"}));
    clock.advance(999ms);
    loop.doEvents();
    EXPECT_EQ(ticks.size(), 3U);
}

TEST_F(EventLoopTest, ATimerRemovedFromItsOwnTickOrByAnEarlierOneNeverTicksAgain) {
    int own = 0;
    int other = 0;
    Id self = 0;
    Id victim = 0;
    self = loop.addTimer(100ms, [&] {
        ++own;
        loop.removeTimer(self);
        loop.removeTimer(victim);
    });
    victim = loop.addTimer(100ms, [&] { ++other; });
    clock.advance(100ms);
    loop.doEvents();
    clock.advance(100ms);
    loop.doEvents();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(other, 0);
}

TEST_F(EventLoopTest, AHandlerThatPumpsAgainRunsTheOthersButNeverItself) {
    int ticks = 0;
    int posted = 0;
    int nestedTicks = 0;
    const Id timer = loop.addTimer(100ms, [&] {
        ++ticks;
        loop.post([&] { ++posted; });
        clock.advance(100ms); // due again while it runs
        loop.doEvents();
        nestedTicks = ticks;
    });
    clock.advance(100ms);
    loop.doEvents();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(posted, 1);
    loop.removeTimer(timer);
    // An event posted by a handler waits for the pump after the one that ran it.
    int later = 0;
    loop.post([&] { loop.post([&] { ++later; }); });
    loop.doEvents();
    EXPECT_EQ(later, 0);
    loop.doEvents();
    EXPECT_EQ(later, 1);
}

TEST_F(EventLoopTest, AWatchRemovedOrQuietenedWhileBeingPolledIsNotCalled) {
    const Pipe first;
    const Pipe second;
    const Pipe third;
    int secondCalls = 0;
    int thirdCalls = 0;
    Id secondWatch = 0;
    Id thirdWatch = 0;
    loop.watch(first.in.get(), POLLIN, [&](short) {
        first.take();
        loop.unwatch(secondWatch);
        loop.setWatchEvents(thirdWatch, 0);
    });
    secondWatch = loop.watch(second.in.get(), POLLIN, [&](short) { secondCalls += 1; });
    thirdWatch = loop.watch(third.in.get(), POLLIN, [&](short) { thirdCalls += 1; });
    first.put();
    second.put();
    third.put();
    loop.doEvents();
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(thirdCalls, 0);
}

TEST_F(EventLoopTest, ReadinessServedByANestedPumpIsNotServedAgain) {
    const Pipe first;
    const Pipe second;
    std::vector<int> secondReads;
    loop.watch(first.in.get(), POLLIN, [&](short) {
        first.take();
        loop.doEvents(); // the nested pump serves the second pipe
    });
    loop.watch(second.in.get(), POLLIN, [&](short) { secondReads.push_back(second.take()); });
    first.put();
    second.put();
    loop.doEvents();
    // Called once with its byte; never again on the readiness the outer poll saw.
    EXPECT_EQ(secondReads, (std::vector<int>{1}));
}

TEST_F(EventLoopTest, AWaitInsideTheOnlyTimerEndsAtOnceInsteadOfSpinning) {
    bool waited = true;
    loop.addTimer(100ms, [&] { waited = loop.waitEvents(); });
    clock.advance(100ms);
    loop.doEvents();
    EXPECT_FALSE(waited);
}

} // namespace
