#include "forms/ControlArray.h"
#include "forms/EventLoop.h"
#include "forms/PictureBox.h"
#include "forms/Timer.h"
#include "vb/Clock.h"
#include "vb/Error.h"
#include "win32/Input.h"
#include "win32/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using win32::Point;

int ErrorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

// A form with a caption and a sizing border at 100, 100 pixels (client area from 104, 130),
// holding a bordered picture box at 10, 20 pixels of its client area.
class WindowModel : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
        form.SetStyle(forms::WS_CAPTION | forms::WS_THICKFRAME);
        form.Move(1500, 1500, 6000, 4500);
        form.Show();
        box.Move(150, 300, 3000, 1500);
    }
    void TearDown() override { forms::EventLoop::instance().reset(); }
    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }

    forms::Form form{u"fenetre"};
    forms::PictureBox box{form, u"box"};
};

TEST_F(WindowModel, ChildWindowsLieInTheirParentsClientAreaInItsScale) {
    win32::Rect r;
    ASSERT_EQ(win32::GetWindowRect(box.hwnd, r), 1);
    EXPECT_EQ(r.left, 114);
    EXPECT_EQ(r.top, 150);
    EXPECT_EQ(r.right, 314);
    Point p;
    win32::ClientToScreen(box.hwnd, p);
    EXPECT_EQ(p.x, 115);
    EXPECT_EQ(box.ScaleWidth(), 2970);

    int resized = 0;
    box.Resize = [&] { ++resized; };
    form.ScaleMode(forms::ScalePixels);
    EXPECT_EQ(box.Left, 10);
    box.Width = 100; // pixels
    EXPECT_EQ(box.Twips(forms::Axis::Width), 1500);
    EXPECT_EQ(resized, 1);
    win32::MoveWindow(box.hwnd, 20, 30, 50, 60, 1);
    EXPECT_EQ(box.Left, 20);
    EXPECT_EQ(box.Height, 60);
    EXPECT_EQ(resized, 1) << "the window alone moved";
    EXPECT_EQ(ErrorOf([&] { form.ScaleMode(2); }), vb::err::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { box.Width = -1; }), vb::err::InvalidPropertyValue);
    forms::Label label(form, u"label");
    EXPECT_EQ(ErrorOf([&] { forms::HwndOf(label); }), vb::err::ObjectDoesNotSupport);
    EXPECT_EQ(win32::GetWindowRect(0x7, r), 0);

    const auto style = win32::GetWindowLongA(form.hwnd, win32::GWL_STYLE);
    win32::SetWindowLongA(
        form.hwnd, win32::GWL_STYLE,
        static_cast<std::int32_t>(static_cast<std::uint32_t>(style) & ~win32::WS_THICKFRAME));
    EXPECT_EQ(form.frame.border, 4) << "until told the frame changed";
    win32::SetWindowPos(form.hwnd, 0, 0, 0, 0, 0, 0x37);
    EXPECT_EQ(form.frame.border, 1);
    EXPECT_EQ(win32::WindowManager::instance().windowRect(form).left, 100);
}

TEST_F(WindowModel, FormsResizeAndFillTheScreenWhenMaximised) {
    forms::Form other(u"autre");
    std::vector<std::string> events;
    other.Resize = [&] { events.emplace_back("resize"); };
    other.Move(0, 0, 3000, 3000);
    other.Move(150, 150);
    other.Show();
    other.WindowState(forms::Maximized);
    EXPECT_EQ(events.size(), 3U) << "size, first showing, state";
    EXPECT_EQ(other.Width, 15360);
    EXPECT_EQ(other.ScaleHeight(), 11520);
    other.Width = 4500; // applies once back to normal
    other.WindowState(forms::Normal);
    EXPECT_EQ(other.Left, 150);
    EXPECT_EQ(other.Width, 4500);
    EXPECT_EQ(ErrorOf([&] { other.WindowState(3); }), vb::err::InvalidPropertyValue);
}

TEST_F(WindowModel, MouseEventsReachTheTopmostObjectInItsOwnScale) {
    forms::PictureBox front(form, u"front");
    front.Move(150, 300, 1500, 1500); // over the box's left part
    forms::Label label(box, u"label", u"x");
    label.Move(150, 150, 1500, 300);
    std::vector<std::string> seen;
    const auto log = [&](const char* who) {
        return [&seen, who](int b, int, float x, float y) {
            seen.push_back(std::string(who) + " " + std::to_string(b) + " " +
                           std::to_string(static_cast<int>(x)) + "," +
                           std::to_string(static_cast<int>(y)));
        };
    };
    front.MouseDown = log("front");
    box.MouseDown = log("box");
    box.MouseMove = log("box-move");
    label.MouseDown = log("label");
    label.Click = [&] { seen.emplace_back("label click"); };
    label.DblClick = [&] { seen.emplace_back("label dblclick"); };

    const auto at = [](std::int32_t x, std::int32_t y) { win32::QueueMouseMove(Point{x, y}); };
    at(120, 170); // on both boxes: the later one lies in front
    win32::QueueButtonDown(forms::RightButton);
    win32::QueueButtonUp(forms::RightButton);
    Pump();
    front.ZOrder(1);
    box.ScaleMode(forms::ScalePixels);
    // The box's client area starts at 115, 151 and the label at 10, 10 pixels within it.
    at(126, 162);
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    win32::QueueDoubleClick(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    at(300, 230); // on the box, off the label
    win32::QueueButtonDown(forms::LeftButton);
    at(400, 400); // dragged off the box: the box keeps the mouse
    win32::QueueButtonUp(forms::LeftButton);
    Pump();
    EXPECT_EQ(seen, (std::vector<std::string>{"front 2 75,285", "label 1 1,1", "label click",
                                              "label dblclick", "box-move 0 185,79", "box 1 185,79",
                                              "box-move 1 285,249"}));
}

TEST_F(WindowModel, TimersAndControlArraysFollowTheirProperties) {
    vb::ManualClock clock;
    vb::ScopedClock scoped(clock);
    forms::Timer timer(form, u"Timer1", 100, false);
    int ticks = 0;
    timer.Tick = [&] { ++ticks; };
    const auto wait = [&](std::chrono::milliseconds span) {
        clock.advance(span);
        Pump();
    };
    wait(200ms);
    timer.Enabled(true);
    wait(60ms);
    timer.Interval(100); // counts again from here
    wait(60ms);
    EXPECT_EQ(ticks, 0);
    wait(40ms);
    EXPECT_EQ(ticks, 1);
    timer.Interval(0);
    wait(500ms);
    EXPECT_EQ(ticks, 1);

    std::vector<std::int16_t> clicked;
    forms::ControlArray<forms::Label> action(form, u"action", [&](forms::Label& l, std::int16_t i) {
        l.Move(120, 120, 2175, 660);
        l.Click = [&clicked, i] { clicked.push_back(i); };
    });
    action(0).Top = 500;
    action.Load(2);
    EXPECT_EQ(action(2).Top, 120);
    EXPECT_FALSE(action(2).Visible);
    EXPECT_EQ(action(2).Name(), u"action");
    EXPECT_EQ(action.UBound(), 2);
    action(2).Click();
    EXPECT_EQ(clicked, std::vector<std::int16_t>{2});
    EXPECT_EQ(ErrorOf([&] { action(1); }), vb::err::ControlArrayElementMissing);
    EXPECT_EQ(ErrorOf([&] { action.Load(2); }), vb::err::ObjectAlreadyLoaded);
}

} // namespace
