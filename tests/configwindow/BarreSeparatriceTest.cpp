#include "configwindow/BarreSeparatrice.h"

#include "Desk.h"
#include "forms/PictureBox.h"
#include "vb/Error.h"

#include <filesystem>

namespace {

using namespace std::chrono_literals;
using testsupport::ReadBytes;

// The work area of the configuration window: a left panel and a label on either side of
// the bar, in a borderless box 657 pixels wide whose client area starts 75 pixels down.
class Splitter : public Desk {
protected:
    void SetUp() override {
        Desk::SetUp();
        fond.BorderStyle(0);
        fond.Move(0, 1125, 9855, 5535);
        taches.Move(0, 240, 2415, 5025);
        logs.Move(3120, 360, 5415, 4575);
        barre.Move(2520, 240, 45, 1575);
        barre.Changed = [this] { ++changes; };
    }

    void Bind() {
        barre.Controle_GAUCHEDROITE_avecMEMOIRE(taches, logs, fond, u"system",
                                                u"separation verticale", record);
    }
    std::string Record() const { return ReadBytes(path).value_or("(none)"); }
    std::int32_t BarX() const { return win32::WindowManager::instance().windowRect(barre).left; }
    // Drags the bar from where it stands by `by` pixels with `button`.
    // The whole gesture is queued first: the drag runs inside the press.
    void Drag(std::int32_t by, int button = forms::LeftButton) {
        const std::int32_t x = BarX() + 1;
        win32::QueueMouseMove(win32::Point{x, 150});
        win32::QueueButtonDown(button);
        win32::QueueMouseMove(win32::Point{x + by / 2, 130});
        win32::QueueMouseMove(win32::Point{x + by, 170});
        win32::QueueButtonUp(button);
        Pump();
    }

    forms::PictureBox fond{form, u"fond"};
    forms::PictureBox taches{fond, u"taches"};
    forms::Label logs{fond, u"logs", u"LOGS"};
    BarreSeparatrice barre{fond, u"BarreSeparatrice1"};
    std::filesystem::path path = folder / "config.ini";
    vb::String record = testsupport::NameOf(path);
    int changes = 0;
};

TEST_F(Splitter, TheFirstBindingStoresTheWidthAndLaysOutAroundTheBar) {
    // Its own width is 50 twips whatever its container's scale.
    fond.ScaleMode(forms::ScalePixels);
    barre.Width = 10;
    EXPECT_EQ(barre.Twips(forms::Axis::Width), 50);
    fond.ScaleMode(forms::ScaleTwips);
    Bind();
    EXPECT_EQ(Record(), "[system]\nseparation verticale= 2415\n");
    const win32::Rect bar = win32::WindowManager::instance().windowRect(barre);
    EXPECT_EQ(bar.left, 162);
    EXPECT_EQ(bar.right - bar.left, 5);
    EXPECT_EQ(bar.top, 75 - 11520);
    EXPECT_EQ(bar.bottom, 75 + 2 * 11520);
    EXPECT_EQ(taches.Left, 0);
    EXPECT_EQ(taches.Top, 0);
    EXPECT_EQ(taches.Width, 2415);
    EXPECT_EQ(taches.Height, 5535);
    EXPECT_EQ(logs.Left, 2520);
    EXPECT_EQ(logs.Width, 9855 - 2520);
    EXPECT_EQ(logs.Height, 5535);
    EXPECT_EQ(barre.PositionReelle, 2415);
    EXPECT_FALSE(barre.appuye);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(fond.ScaleMode(), forms::ScaleTwips);
    EXPECT_EQ(fond.Controls().front(), &logs) << "g, then D, sent behind the bar";
}

TEST_F(Splitter, AStoredWidthSettlesOnWholePixelsAndANegativeOneStopsTheBinding) {
    testsupport::WriteBytes(path, "[system]\nseparation verticale=2420\n");
    Bind();
    EXPECT_EQ(BarX(), 162);
    EXPECT_EQ(taches.Width, 2415);
    EXPECT_EQ(Record(), "[system]\nseparation verticale= 2415\n");

    testsupport::WriteBytes(path, "[system]\nseparation verticale=-30\n");
    changes = 0;
    try {
        Bind();
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::err::InvalidPropertyValue);
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(taches.Width, 2415);
}

TEST_F(Splitter, RefreshingDoesNothingBeforeABindingAndAlwaysStoresAfterIt) {
    barre.REFRESHING();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(barre.Left, 2520);
    EXPECT_FALSE(std::filesystem::exists(path));

    barre.Controle_GAUCHEDROITE(taches, logs, 1500, fond);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(std::filesystem::exists(path)) << "no record on a fresh bar";
    Bind();
    EXPECT_EQ(changes, 2);
    for (int i = 3; i <= 4; ++i) {
        std::filesystem::remove(path);
        barre.REFRESHING();
        EXPECT_EQ(changes, i);
        EXPECT_EQ(Record(), "[system]\nseparation verticale= 1500\n");
    }
    // A REFRESHING from a Changed handler is ignored.
    barre.Changed = [this] {
        ++changes;
        taches.Width = 4500;
        barre.REFRESHING();
    };
    barre.REFRESHING();
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(BarX(), 101);
}

TEST_F(Splitter, ADropIsLaidOutAtTheNextMoveOverTheBar) {
    barre.Controle_GAUCHEDROITE(taches, logs, 1500, fond);
    Bind();
    taches.Width = 1500;
    barre.REFRESHING();
    ASSERT_EQ(BarX(), 101);
    changes = 0;

    for (const int button : {forms::RightButton, forms::MiddleButton}) {
        Drag(61, button);
        EXPECT_EQ(BarX(), 101) << button;
        EXPECT_FALSE(barre.appuye);
    }
    Drag(61);
    EXPECT_EQ(BarX(), 162);
    EXPECT_TRUE(barre.appuye) << "pending";
    EXPECT_EQ(taches.Width, 1500);
    EXPECT_EQ(changes, 0);
    Advance(1s, 100ms);
    EXPECT_EQ(taches.Width, 1500) << "still pending";

    MoveTo(164, 400);
    EXPECT_EQ(taches.Width, 2415);
    EXPECT_EQ(logs.Left, 2520);
    EXPECT_EQ(logs.Width, 9855 - 2520);
    EXPECT_EQ(barre.PositionReelle, 2415);
    EXPECT_EQ(Record(), "[system]\nseparation verticale= 2415\n");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(barre.BackColor, 0x808080u) << "no blink";
}

TEST_F(Splitter, ADropPastEitherEdgeComesBackToTheNearestPlaceThatFits) {
    Bind();
    Drag(-400);
    EXPECT_EQ(BarX(), 1) << "back at once, where the pointer reaches it";
    MoveTo(BarX() + 2, 300);
    EXPECT_EQ(taches.Width, 0);
    EXPECT_EQ(logs.Left, 105);
    EXPECT_EQ(Record(), "[system]\nseparation verticale= 0\n");

    Drag(2000);
    EXPECT_EQ(BarX(), 651);
    MoveTo(BarX() + 2, 300);
    EXPECT_EQ(taches.Width, 9750);
    EXPECT_EQ(logs.Left, 9855);
    EXPECT_EQ(logs.Width, 0);
    EXPECT_EQ(changes, 3);

    // A box narrower than the bar and its gaps: REFRESHING stops at D, silently; a drop
    // gives D no width.
    fond.Width = 90;
    taches.Width = 0;
    barre.REFRESHING();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(logs.Left, 9855);
    Drag(-100);
    MoveTo(BarX() + 1, 300);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(logs.Left, 105);
    EXPECT_EQ(logs.Width, 0);
}

TEST_F(Splitter, HoveringBlinksTwiceAndEachMoveStartsTheCountAgain) {
    const auto colours = [&](int ticks) {
        std::vector<std::uint32_t> seen;
        for (int i = 0; i < ticks; ++i) {
            Advance(100ms, 100ms);
            seen.push_back(barre.BackColor);
        }
        return seen;
    };
    const std::uint32_t grey = 0x808080;
    MoveTo(170, 150); // over the unbound bar, 168 to 171 pixels
    EXPECT_EQ(colours(7), (std::vector<std::uint32_t>{0, grey, 0, grey, grey, grey, grey}));
    MoveTo(169, 150);
    EXPECT_EQ(colours(3), (std::vector<std::uint32_t>{0, grey, 0}));
    MoveTo(170, 160);
    EXPECT_EQ(colours(5), (std::vector<std::uint32_t>{grey, 0, grey, 0, grey}));

    // A press before any binding does nothing.
    Drag(100);
    EXPECT_EQ(BarX(), 168);
    EXPECT_FALSE(barre.appuye);
}

} // namespace
