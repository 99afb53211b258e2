#pragma once
// A headless desk for the window controls: an empty screen, a clean event loop on a manual
// clock, a Windows folder of the test's own, and a borderless form at the screen's corner.

#include "forms/EventLoop.h"
#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/Clock.h"
#include "win32/Input.h"

#include <chrono>
#include <gtest/gtest.h>

class Desk : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
        form.Move(0, 0, 9840, 7635);
        form.Show();
    }
    void TearDown() override { forms::EventLoop::instance().reset(); }

    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }
    // Runs the timers due within `span`, one step at a time.
    void Advance(std::chrono::milliseconds span, std::chrono::milliseconds step) {
        for (auto done = std::chrono::milliseconds(0); done < span; done += step) {
            clock.advance(step);
            Pump();
        }
    }
    static void MoveTo(std::int32_t x, std::int32_t y) {
        win32::QueueMouseMove(win32::Point{x, y});
        Pump();
    }
    static void Click(int button = forms::LeftButton) {
        win32::QueueButtonDown(button);
        win32::QueueButtonUp(button);
        Pump();
    }

    vb::ManualClock clock;
    vb::ScopedClock scopedClock{clock};
    testsupport::TempFolder folder;
    testsupport::ScopedEnv windir{"WINDIR", folder.path().string()};
    forms::Form form{u"Form1"};
};
