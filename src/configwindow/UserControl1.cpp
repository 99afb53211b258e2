#include "configwindow/UserControl1.h"

#include "forms/RaiseEvent.h"
#include "routines/OUTILS.h"
#include "vb/Convert.h"
#include "vb/Error.h"
#include "win32/Window.h"

namespace {

using OUTILS::kTwipsParPixel;
constexpr float kPas = 300;

// 3 x 20 pixels, one colour a row from the top: a blue strip darkening downwards under a
// slightly darker top line.
forms::Picture Degrade() {
    static constexpr std::uint8_t kRangees[20][3] = {
        {85, 148, 210}, {111, 166, 222}, {109, 164, 221}, {106, 162, 220}, {103, 160, 218},
        {99, 157, 216}, {95, 154, 215},  {91, 150, 212},  {85, 147, 210},  {81, 142, 208},
        {75, 139, 205}, {70, 135, 203},  {65, 131, 201},  {60, 127, 199},  {55, 124, 196},
        {48, 120, 194}, {44, 116, 192},  {37, 113, 190},  {34, 110, 188},  {30, 108, 187},
    };
    forms::Picture image(3, 20, 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 3; ++x) {
            image.At(x, y) = forms::Rgb(kRangees[y][0], kRangees[y][1], kRangees[y][2]);
        }
    }
    return image;
}

} // namespace

UserControl1::UserControl1(forms::Container& parent, vb::String name)
    : UserControl(parent, std::move(name)), Picture1(*this, u"Picture1"), Image1(*this, u"Image1"),
      Label1(*this, u"Label1", u"Label1"), Timer1(*this, u"Timer1", 10, false) {
    BackColor = 0x00E2D7D1;
    OwnWidth = 4725;
    OwnHeight = 660;
    Picture1.Visible = false;
    Picture1.Move(0, 0, 3375, 690);
    Image1.Visible = false;
    Image1.Move(0, 0, 4725, 660);
    Image1.Picture = Degrade();
    Image1.Stretch = true;
    Label1.Move(480, 240, 3495, 255);
    Label1.Alignment = 2;
    Label1.BackStyle = 0;

    Resize = [this] { UserControl_Resize(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
    const auto suivre = [this](int, int, float, float) { Timer1.Enabled(true); };
    Image1.MouseMove = suivre;
    Label1.MouseMove = suivre;
    forms::MouseEvents::MouseMove = suivre;
    Image1.Click = [this] { RaiseClick(); };
    Label1.Click = [this] { RaiseClick(); };
    Picture1.Click = [this] { RaiseClick(); };
}

void UserControl1::caption(vb::String& texte) {
    Label1.Caption = texte;
}

void UserControl1::RaiseClick() {
    forms::RaiseEvent(Click);
}

void UserControl1::Timer1_Timer() {
    vb::ErrorRecord Err;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t W = 0;
    std::int32_t H = 0;
    Err.Run([&] { OUTILS::PositionZoneClient(Picture1, X, Y); });
    Err.Run([&] { OUTILS::TailleZoneClient(Picture1, W, H); });
    win32::Point curseur;
    win32::GetCursorPos(curseur);
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    Err.Run([&] { cx = vb::CLng(static_cast<double>(curseur.x) * kTwipsParPixel); });
    Err.Run([&] { cy = vb::CLng(static_cast<double>(curseur.y) * kTwipsParPixel); });
    // A test that fails takes its true branch, as the tick goes on past errors.
    bool dedans = true;
    Err.Run([&] {
        const std::int32_t droite = vb::CLng(static_cast<double>(X) + W);
        const std::int32_t bas = vb::CLng(static_cast<double>(Y) + H);
        dedans = X < cx && cx < droite && Y < cy && cy < bas;
    });
    if (dedans) {
        if (!Image1.Visible) {
            Image1.Visible = true;
        }
        if (Image1.Width != OwnWidth) {
            Image1.Width = OwnWidth;
        }
    } else if (Image1.Width - kPas < 0) {
        Timer1.Enabled(false);
        Image1.Visible = false;
    } else {
        Err.Run([&] { Image1.Width = Image1.Width - kPas; });
    }
}

void UserControl1::UserControl_Resize() {
    OwnHeight = Image1.Height;
    Image1.Width = OwnWidth;
    Picture1.Width = OwnWidth;
    Label1.Left = 0;
    Label1.Width = OwnWidth;
}
