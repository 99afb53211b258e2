#include "forms/PictureBox.h"
#include "routines/OUTILS.h"
#include "vb/Error.h"
#include "win32/Window.h"

#include <gtest/gtest.h>

namespace {

class Geometry : public testing::Test {
protected:
    void SetUp() override { win32::WindowManager::instance().reset(); }

    struct Size {
        std::int32_t largeur = -1;
        std::int32_t hauteur = -1;
        bool operator==(const Size&) const = default;
    };
    static Size Client(const forms::Window& w) {
        Size s;
        OUTILS::TailleZoneClient(w, s.largeur, s.hauteur);
        return s;
    }
    static Size ClientForm(const forms::Form& f) {
        Size s;
        OUTILS::TailleZoneClientForm(f, s.largeur, s.hauteur);
        return s;
    }

    forms::Form form{u"fenetre"};
};

TEST_F(Geometry, CentringKeepsTheSizeAndNeverGoesOffTheTopOrLeft) {
    struct Case {
        float width, height, left, top;
    };
    // The screen is 15360 x 11520 twips.
    for (const Case c : {Case{4500, 3000, 5430, 4260}, Case{20000, 3000, 0, 4260},
                         Case{4500, 12000, 5430, 0}, Case{16000, 12000, 0, 0}}) {
        form.Move(-700, 99999, c.width, c.height);
        OUTILS::CentrerFenetre(form);
        EXPECT_EQ(form.Left, c.left);
        EXPECT_EQ(form.Top, c.top);
        EXPECT_EQ(form.Width, c.width);
        EXPECT_EQ(form.Height, c.height);
    }
}

TEST_F(Geometry, TheClientAreaIsTheOuterSizeLessTheFrame) {
    form.Move(1500, 3000, 6000, 4500); // at 100, 200 pixels
    EXPECT_EQ(ClientForm(form), (Size{6000, 4500})) << "borderless";
    EXPECT_EQ(Client(form), (Size{6000, 4500}));

    form.SetStyle(forms::WS_CAPTION | forms::WS_THICKFRAME); // 4-pixel border, 30 above
    EXPECT_EQ(ClientForm(form), (Size{5880, 3990}));
    EXPECT_EQ(Client(form), (Size{5880, 3990}));
    std::int32_t x = 0;
    std::int32_t y = 0;
    OUTILS::PositionZoneClient(form, x, y);
    EXPECT_EQ(x, 104 * 15);
    EXPECT_EQ(y, 230 * 15);

    // A picture box with a 1-pixel border, in the client area at 10, 20 pixels.
    forms::PictureBox box(form, u"box");
    box.Move(150, 300, 3000, 1500);
    OUTILS::PositionZoneClient(box, x, y);
    EXPECT_EQ(x, (104 + 10 + 1) * 15);
    EXPECT_EQ(y, (230 + 20 + 1) * 15);
    EXPECT_EQ(Client(box), (Size{2970, 1470}));
}

TEST_F(Geometry, ThePixelEdgesRoundHalvesToEven) {
    // 7.5 pixels and 8.5 pixels wide both end on pixel 8.
    for (const float width : {112.5F, 127.5F}) {
        form.Move(0, 0, width, 120);
        EXPECT_EQ(ClientForm(form).largeur, 120) << width;
        EXPECT_EQ(Client(form).largeur, 120) << width;
    }
}

TEST_F(Geometry, AResultBeyond32BitsReachesTheCaller) {
    form.Move(2.5e9F, 0, 6000, 4500); // 166 666 667 pixels: 2.5e9 twips overflow
    std::int32_t x = 7;
    std::int32_t y = 7;
    try {
        OUTILS::PositionZoneClient(form, x, y);
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::err::Overflow);
    }
    EXPECT_EQ(x, 7);
    form.Move(0, 0, 4e10F, 4500);
    Size s;
    EXPECT_THROW(OUTILS::TailleZoneClientForm(form, s.largeur, s.hauteur), vb::Error);
    EXPECT_EQ(s, Size{}) << "nothing written";
}

} // namespace
