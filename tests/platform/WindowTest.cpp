#include "win32/Window.h"

#include "forms/EventLoop.h"
#include "win32/Input.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using win32::Point;

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
        form.Left = 1500; // 100 px
        form.Top = 1500;
        form.Width = 3000; // 200 px
        form.Height = 1500;
        form.Show();
    }
    void TearDown() override { forms::EventLoop::instance().reset(); }

    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }

    forms::Form form{u"fenetre"};
};

TEST_F(WindowTest, ADragOnTheBackgroundFollowsTheMouseUntilTheButtonIsReleased) {
    for (const int button : {forms::LeftButton, forms::RightButton}) {
        SetUp();
        std::optional<std::int32_t> result;
        int pressedWith = 0;
        form.MouseDown = [&](int b, int, float, float) {
            pressedWith = b;
            win32::ReleaseCapture();
            result = win32::SendMessageA(form.hwnd, win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, 0);
        };
        win32::QueueMouseMove(Point{150, 150});
        win32::QueueButtonDown(button);
        win32::QueueMouseMove(Point{170, 160});
        win32::QueueMouseMove(Point{250, 190});
        win32::QueueButtonUp(button);
        win32::QueueMouseMove(Point{600, 600}); // after the release: no longer followed
        Pump();

        EXPECT_EQ(pressedWith, button);
        ASSERT_TRUE(result.has_value()) << "button " << button;
        EXPECT_EQ(*result, 0);
        EXPECT_EQ(form.Left, 3000) << "button " << button;
        EXPECT_EQ(form.Top, 2100) << "button " << button;
        const win32::Rect r = win32::WindowManager::instance().windowRect(form);
        EXPECT_EQ(r.left, 200);
        EXPECT_EQ(r.top, 140);
        EXPECT_EQ(r.right, 400);
        EXPECT_EQ(r.bottom, 240);
        EXPECT_EQ(win32::WindowManager::instance().capture, 0);
    }
}

TEST_F(WindowTest, ADragWithoutAButtonHeldOrAnotherMessageLeavesTheWindowWhereItWas) {
    win32::WindowManager::instance().setCursor(Point{150, 150});
    win32::QueueMouseMove(Point{300, 300});
    EXPECT_EQ(win32::SendMessageA(form.hwnd, win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, 0), 0);
    win32::WindowManager::instance().buttons = forms::LeftButton;
    EXPECT_EQ(win32::SendMessageA(form.hwnd, 0x0112, win32::HTCAPTION, 0), 0);
    EXPECT_EQ(win32::SendMessageA(form.hwnd, win32::WM_NCLBUTTONDOWN, 1, 0), 0);
    Pump();
    EXPECT_EQ(form.Left, 1500);
    EXPECT_EQ(form.Top, 1500);
}

TEST_F(WindowTest, MouseDownGetsClientTwipsBelowTheBorderAndTitle) {
    win32::WindowManager::instance().setFrame(form.hwnd, win32::Frame{4, 26});
    std::optional<std::pair<float, float>> at;
    form.MouseDown = [&](int, int, float x, float y) { at = std::make_pair(x, y); };
    win32::QueueMouseMove(Point{100 + 4 + 10, 100 + 30 + 20});
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    Pump();
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(at->first, 150);
    EXPECT_EQ(at->second, 300);
}

TEST_F(WindowTest, APressOnALabelClicksItOnReleaseInsteadOfRaisingMouseDown) {
    forms::Label close(form, u"close", u"X");
    close.Move(300, 150, 300, 300); // pixels 20..40, 10..30 of the client area
    forms::Label hidden(form, u"hidden", u"?");
    hidden.Move(1500, 150, 300, 300);
    hidden.Visible = false;
    int clicks = 0;
    int hiddenClicks = 0;
    int downs = 0;
    close.Click = [&] { ++clicks; };
    hidden.Click = [&] { ++hiddenClicks; };
    form.MouseDown = [&](int, int, float, float) { ++downs; };

    struct Step {
        Point press;
        Point release;
        int clicks;
        int downs;
    };
    const Step steps[] = {
        {{125, 115}, {125, 115}, 1, 0}, // on the label
        {{125, 115}, {180, 180}, 1, 0}, // released away from it: no click
        {{205, 115}, {205, 115}, 1, 1}, // where only a hidden label lies: the background
        {{50, 50}, {50, 50}, 1, 1},     // outside every window
    };
    for (const auto& s : steps) {
        win32::QueueMouseMove(s.press);
        win32::QueueButtonDown(forms::LeftButton);
        win32::QueueMouseMove(s.release);
        win32::QueueButtonUp(forms::LeftButton);
        Pump();
        EXPECT_EQ(clicks, s.clicks);
        EXPECT_EQ(downs, s.downs);
    }
    EXPECT_EQ(hiddenClicks, 0);
}

TEST_F(WindowTest, TheTopmostVisibleWindowTakesThePress) {
    forms::Form above(u"dessus");
    above.Width = 3000;
    above.Height = 3000;
    int belowDowns = 0;
    int aboveDowns = 0;
    form.MouseDown = [&](int, int, float, float) { ++belowDowns; };
    above.MouseDown = [&](int, int, float, float) { ++aboveDowns; };

    win32::QueueMouseMove(Point{150, 150});
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    Pump();
    EXPECT_EQ(belowDowns, 1); // the other one is hidden
    EXPECT_EQ(aboveDowns, 0);

    above.Show();
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    Pump();
    EXPECT_EQ(belowDowns, 1);
    EXPECT_EQ(aboveDowns, 1);
}

} // namespace
