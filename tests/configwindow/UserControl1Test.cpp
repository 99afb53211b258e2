#include "configwindow/UserControl1.h"

#include "Desk.h"

namespace {

using namespace std::chrono_literals;

// Two buttons side by side at the screen's corner, each 315 x 44 pixels. The hover area
// of the first is its hidden picture box's client area: pixels 1 to 314 across and 1 to 45
// down, edges outside.
class HoverButton : public Desk {
protected:
    void SetUp() override {
        Desk::SetUp();
        second.Move(4725, 0, 4725, 660);
        first.Site();
        second.Site();
        first.Click = [this] { ++clicks[0]; };
        second.Click = [this] { ++clicks[1]; };
    }
    void Tick() { Advance(10ms, 10ms); }

    UserControl1 first{form, u"action"};
    UserControl1 second{form, u"action"};
    int clicks[2] = {};
};

TEST_F(HoverButton, TheStripShrinksOnceLeftAndHidesOneTickAfterItsLastStep) {
    for (const float width : {4725.0F, 3000.0F}) {
        SCOPED_TRACE(width);
        first.Move(0, 0, width, 660);
        MoveTo(100, 20);
        Tick();
        EXPECT_TRUE(first.Image1.Visible);
        EXPECT_EQ(first.Image1.Width, width);
        MoveTo(600, 300);
        const int steps = static_cast<int>(width) / 300;
        for (int i = 1; i <= steps; ++i) {
            Tick();
            EXPECT_EQ(first.Image1.Width, width - 300.0F * static_cast<float>(i));
            EXPECT_TRUE(first.Image1.Visible);
        }
        Tick();
        EXPECT_FALSE(first.Image1.Visible);
        EXPECT_FALSE(first.Timer1.Enabled());
    }
}

TEST_F(HoverButton, TheHoverAreaIsStrictAndTheHeightAlwaysComesBack) {
    MoveTo(100, 20); // starts the tracking
    for (const win32::Point edge : {win32::Point{1, 20}, win32::Point{314, 20},
                                    win32::Point{100, 1}, win32::Point{100, 45}}) {
        MoveTo(2, 2);
        Tick();
        EXPECT_TRUE(first.Image1.Visible);
        EXPECT_EQ(first.Image1.Width, 4725);
        MoveTo(edge.x, edge.y);
        Tick();
        EXPECT_EQ(first.Image1.Width, 4425) << edge.x << "," << edge.y;
    }
    // Tracking started outside the area never shows the strip.
    Advance(200ms, 10ms);
    ASSERT_FALSE(first.Timer1.Enabled());
    MoveTo(150, 1); // over the button, outside the area
    EXPECT_TRUE(first.Timer1.Enabled());
    Tick();
    EXPECT_FALSE(first.Image1.Visible);
    EXPECT_FALSE(first.Timer1.Enabled());

    first.Height = 2000;
    EXPECT_EQ(first.Height, 660);
    first.Move(0, 0, 2175, 100);
    EXPECT_EQ(first.Height, 660);
    EXPECT_EQ(first.Image1.Width, 2175);
    EXPECT_EQ(first.Picture1.Width, 2175);
    EXPECT_EQ(first.Label1.Left, 0);
    EXPECT_EQ(first.Label1.Width, 2175);

    // On a container in pixels the button's own size stays in twips: 145 pixels give a
    // strip and a hover area 2175 twips wide, and the height stays 660 twips.
    form.ScaleMode(forms::ScalePixels);
    first.Move(0, 0, 145, 100);
    EXPECT_EQ(first.Height, 44);
    MoveTo(140, 20);
    Tick();
    EXPECT_TRUE(first.Image1.Visible);
    EXPECT_EQ(first.Image1.Width, 2175);
}

TEST_F(HoverButton, TheNextButtonLightsAtOnceAndOnlyTheCaptionOrStripClicks) {
    EXPECT_EQ(first.Image1.Picture->At(0, 0), forms::Rgb(85, 148, 210));
    EXPECT_EQ(first.Image1.Picture->At(2, 19), forms::Rgb(30, 108, 187));
    MoveTo(100, 20);
    Tick();
    MoveTo(400, 20);
    Tick();
    EXPECT_EQ(first.Image1.Width, 4425);
    EXPECT_TRUE(second.Image1.Visible);
    EXPECT_EQ(second.Image1.Width, 4725);

    Click(); // on the caption
    MoveTo(400, 5);
    Click(); // on the strip
    EXPECT_EQ(clicks[1], 2);
    MoveTo(400, 300);
    Advance(200ms, 10ms);
    ASSERT_FALSE(second.Image1.Visible);
    MoveTo(400, 5);
    Click(); // on the bare surface
    vb::String nothing;
    second.caption(nothing);
    EXPECT_EQ(second.Label1.Caption, u"");
    MoveTo(400, 20);
    Click();
    EXPECT_EQ(clicks[1], 3);
    EXPECT_EQ(clicks[0], 0);
}

} // namespace
