#include "configwindow/Form1.h"

#include "configwindow/accueil.h"
#include "forms/CellPicture.h"
#include "forms/EventLoop.h"
#include "routines/OUTILS.h"
#include "settings/INI32.h"
#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/App.h"
#include "vb/Clock.h"
#include "vb/Encoding.h"
#include "vb/Error.h"
#include "vb/Regional.h"
#include "win32/Input.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The shared window on an empty screen, its groups in a Windows folder of the test's own;
// the load's wait goes by in passes of 100 ms on a manual clock.
class ConfigWindow : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
    }
    void TearDown() override {
        Form1::Unload();
        accueil::Unload();
        forms::EventLoop::instance().reset();
        vb::SetCommandLine({});
        vb::SetRegionalNumbers(nullptr);
    }

    void Groups(const std::string& text) const {
        testsupport::WriteBytes(folder / "quorvel.ini", text);
    }
    // Loads a fresh window with that command line; returns how long the load took.
    std::chrono::milliseconds Load(const std::vector<std::string>& arguments) {
        Form1::Unload();
        vb::SetCommandLine(arguments);
        passes.clear();
        loading = true;
        forms::EventLoop::instance().post([this] { Pass(); });
        const auto start = clock.ticks();
        Form1::Instance().Form_Load();
        loading = false;
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.ticks() - start);
    }
    Form1& Shown(const std::vector<std::string>& arguments) {
        Load(arguments);
        Form1::Instance().Show();
        return Form1::Instance();
    }
    // One pass of the load's wait: the time goes on, and whether the splash was still there.
    void Pass() {
        if (loading) {
            clock.advance(100ms);
            passes.push_back(accueil::Loaded());
            forms::EventLoop::instance().post([this] { Pass(); });
        }
    }
    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }
    static win32::Rect RectOf(const forms::Window& window) {
        return win32::WindowManager::instance().windowRect(window);
    }
    static void Press(win32::Point at, int button = forms::LeftButton,
                      win32::Point releaseAt = {-1, -1}) {
        win32::QueueMouseMove(at);
        win32::QueueButtonDown(button);
        if (releaseAt.x >= 0) {
            win32::QueueMouseMove(releaseAt);
        }
        win32::QueueButtonUp(button);
        Pump();
    }
    static void DoubleClick(win32::Point at) {
        Press(at);
        win32::QueueDoubleClick(forms::LeftButton);
        win32::QueueButtonUp(forms::LeftButton);
        Pump();
    }

    vb::ManualClock clock;
    vb::ScopedClock scopedClock{clock};
    testsupport::TempFolder folder;
    testsupport::ScopedEnv windir{"WINDIR", folder.path().string()};
    bool loading = false;
    std::vector<bool> passes;
};

TEST_F(ConfigWindow, AGroupGivesOneButtonPerMemberStackedAndAsWideAsTheLeftPanel) {
    Groups("[NUIT]\nNombre=4\nSection1=SAUVE\nSection2=PHOTOS\nSection3=MUSIQUE\n");
    Form1& window = Shown({"NUIT"});
    ASSERT_EQ(window.action.UBound(), 3);
    window.taches.Width = 3000; // the buttons follow the left panel once it is resized
    // A member left out of the group gets an empty caption.
    const char16_t* names[] = {u"SAUVE", u"PHOTOS", u"MUSIQUE", u""};
    for (std::int16_t i = 0; i <= 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window.action(i).Label1.Caption, names[i]);
        EXPECT_EQ(window.action(i).Top, 120.0F + 660.0F * i);
        EXPECT_EQ(window.action(i).Left, 0);
        EXPECT_EQ(window.action(i).Width, window.taches.Width);
        EXPECT_TRUE(window.action(i).Visible);
    }
    // The splitter's record is kept beside the program, under its own name.
    EXPECT_EQ(INI32::CheminINI, vb::App().Path + u"/" + vb::App().EXEName + u".ini");
    const auto record = testsupport::ReadBytes(vb::EncodeName(INI32::CheminINI));
    EXPECT_NE(record.value_or("").find("separation verticale="), std::string::npos);
}

TEST_F(ConfigWindow, NombreIsReadInTheLocalesFormAndTheSectionIsTheWholeCommandLine) {
    const vb::NumberSettings comma{u',', u' '};
    vb::SetRegionalNumbers(&comma);
    const struct {
        std::string nombre; // "-" for none
        std::vector<std::string> arguments;
        std::int16_t last;
        const char16_t* first; // the first button's caption
    } cases[] = {
        {"1", {"G"}, 0, u"SAUVE"},
        {"0", {"G"}, 0, u"Label1"}, // no pass: the design-time button as it was
        {"-", {"G"}, 0, u"Label1"},
        {"2", {"AUTRE"}, 0, u"Label1"},
        {"deux", {"G"}, 0, u"SAUVE"}, // not a number: the first button alone
        {"2.5", {"G"}, 0, u"SAUVE"},  // not a number in this locale
        {"2,5", {"G"}, 2, u"SAUVE"},
        {"3,5", {"G"}, 2, u"SAUVE"},
        {"3", {"/I", "G "}, 1, u"I1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nombre + " " + c.arguments.front());
        const std::string nombre = c.nombre == "-" ? "" : "Nombre=" + c.nombre + "\n";
        Groups("[G]\n" + nombre + "Section1=SAUVE\nSection2=B\nSection3=C\n[/I G]\nNombre=2\n" +
               "Section1=I1\nSection2=I2\n");
        Load(c.arguments);
        const Form1& window = Form1::Instance();
        EXPECT_EQ(window.action.UBound(), c.last);
        EXPECT_EQ(window.action(0).Label1.Caption, c.first);
        EXPECT_TRUE(window.action(c.last).Visible);
    }
}

// Past the array's last index no button can be made: the load stops there rather than
// run through every failing pass, and the left panel's resize touches the buttons made.
TEST_F(ConfigWindow, AGroupBeyondTheArraysLastIndexStopsThereAndStillLaysOut) {
    Groups("[G]\nNombre=2147483647\nSection1=A\nSection32768=Z\n");
    Form1& window = Shown({"G"});
    ASSERT_EQ(window.action.UBound(), 32767);
    EXPECT_EQ(window.action(32767).Label1.Caption, u"Z");
    window.taches.Width = 3000;
    EXPECT_EQ(window.action(32767).Width, 3000);
}

// Drawn on a terminal of that size, row by row.
std::vector<std::string> OnTerminal(const Form1& window, int columns, int rows) {
    forms::CellPicture picture(forms::ScreenRect(window), columns, rows);
    picture.paint(window);
    std::vector<std::string> lines;
    for (int row = 0; row < rows; ++row) {
        lines.push_back(vb::ToUtf8(picture.text(row)));
    }
    return lines;
}

TEST_F(ConfigWindow, OnATerminalEachButtonShowsItsCaptionAndNothingFallsOnTheFrame) {
    Groups("[G]\nNombre=3\nSection1=ALPHA\nSection2=BRAVO\nSection3=CHARLIE\n");
    std::vector<std::string> rows = OnTerminal(Shown({"G"}), 60, 20);
    // LOGS too, though the splitter bar, thinner than a cell, takes the cell of its "L".
    for (const std::string name : {"ALPHA", "BRAVO", "CHARLIE", "LOGS"}) {
        EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                                [&](const std::string& row) {
                                    return row.find(" " + name + " ") != std::string::npos;
                                }),
                  1)
            << name;
    }

    // Ten buttons reach the bottom edge: the tenth keeps its caption to its own row, inside.
    std::string group = "[G]\nNombre=200\n";
    for (int i = 1; i <= 200; ++i) {
        group += "Section" + std::to_string(i) + "=MEMBRE" + std::to_string(i) + "\n";
    }
    Groups(group);
    rows = OnTerminal(Shown({"G"}), 120, 40);
    const auto line = [](const char* left, const char* right) {
        std::string edge = left;
        for (int i = 0; i < 118; ++i) {
            edge += "─";
        }
        return edge + right;
    };
    EXPECT_EQ(rows.front(), line("┌", "┐"));
    EXPECT_EQ(rows.back(), line("└", "┘"));
    EXPECT_NE(rows[38].find(" MEMBRE10 "), std::string::npos) << rows[38];
}

TEST_F(ConfigWindow, TheLoadEndsInThePassWhereTheSplashClosesAndASplashAloneMakesTheWindow) {
    Groups("[G]\nNombre=1\nSection1=SAUVE\n");
    EXPECT_EQ(Load({"G"}), 2000ms);
    EXPECT_EQ(passes, std::vector<bool>(20, true)) << "no pass after the splash closed";
    EXPECT_FALSE(accueil::Loaded());
    EXPECT_FALSE(Form1::Instance().intro);
    EXPECT_FALSE(Form1::Instance().Visible());

    Form1::Unload();
    const accueil& splash = accueil::Instance();
    EXPECT_EQ(splash.Left, 3525);
    EXPECT_EQ(splash.Top, 3772.5F);
    clock.advance(1999ms);
    Pump();
    EXPECT_TRUE(accueil::Loaded());
    EXPECT_FALSE(Form1::Exists());
    clock.advance(1ms);
    Pump();
    EXPECT_FALSE(accueil::Loaded());
    ASSERT_TRUE(Form1::Exists());
    EXPECT_FALSE(Form1::Instance().intro);
    EXPECT_FALSE(Form1::Instance().Visible());
    EXPECT_EQ(Form1::Instance().action(0).Label1.Caption, u"Label1") << "not loaded";

    win32::WindowManager::instance().screen.width = 400;
    win32::WindowManager::instance().screen.height = 200;
    EXPECT_EQ(accueil::Instance().Left, 0);
    EXPECT_EQ(accueil::Instance().Top, 0);
}

TEST_F(ConfigWindow, EveryClickShowsTheRightPanelAndTheSameTenPlaces) {
    Groups("[G]\nNombre=2\nSection1=A\nSection2=B\n");
    Form1& window = Shown({"G"});
    EXPECT_TRUE(window.logs.Visible);
    EXPECT_FALSE(window.fondfonctions.Visible);
    window.liste.Nodes.Add(std::nullopt, std::nullopt, u"@", u"ancien");

    const struct {
        const char16_t* text;
        const char16_t* key;
        const char16_t* parent;
    } places[] = {
        {u"Poste de travail", u"\\", nullptr},
        {u"Base de Registre", u"", nullptr},
        {u"Utilisateur courant", u"@", nullptr},
        {u"Outlook Express", u"", u"Utilisateur courant"},
        {u"Carnet d'adresses", u"", u"Utilisateur courant"},
        {u"Outlook Express", u"", u"Utilisateur courant"},
        {u"Mes Documents", u"", u"Utilisateur courant"},
        {u"Mes Favoris", u"", u"Utilisateur courant"},
        {u"Mon Bureau", u"", u"Utilisateur courant"},
        {u"Exceptions", u"", nullptr},
    };
    for (const std::int16_t button : {std::int16_t{1}, std::int16_t{0}}) {
        SCOPED_TRACE(button);
        // On the caption: the button's bare surface raises no click.
        const win32::Rect r = RectOf(window.action(button));
        Press(win32::Point{r.left + 80, r.top + 24});
        EXPECT_TRUE(window.fondfonctions.Visible);
        EXPECT_FALSE(window.logs.Visible);
        EXPECT_EQ(window.fondfonctions.Left, 2520);
        EXPECT_EQ(window.fondfonctions.Width, window.fond.ScaleWidth() - 2520);
        EXPECT_EQ(window.Onglets.Width, window.fondfonctions.Width - 480);
        ASSERT_EQ(window.liste.Nodes.Count(), 10);
        for (std::int32_t i = 1; i <= 10; ++i) {
            const forms::Node& node = window.liste.Nodes(i);
            const auto& place = places[i - 1];
            EXPECT_EQ(node.Text, place.text) << i;
            EXPECT_EQ(node.Key, place.key) << i;
            ASSERT_EQ(node.Parent == nullptr, place.parent == nullptr) << i;
            if (place.parent != nullptr) {
                EXPECT_EQ(node.Parent->Text, place.parent) << i;
            }
        }
        EXPECT_EQ(window.liste.Nodes.Roots().size(), 4U);
    }
}

TEST_F(ConfigWindow, DoubleClicksOnTheStripToggleTheSizingBorder) {
    Groups("");
    Form1& window = Shown({"G"});
    const win32::Rect r = RectOf(window);
    const win32::Point strip{r.left + 600, r.top + 40};
    const std::uint32_t designed = window.Style;
    DoubleClick(strip);
    EXPECT_EQ(window.Style, designed | forms::WS_THICKFRAME);
    EXPECT_EQ(window.frame.border, 4);
    // The client area lost 3 pixels on each side: the layout follows it.
    EXPECT_EQ(window.barreoutil.Width, 9750);
    EXPECT_EQ(window.fond.Height, 7545 - 1110);
    DoubleClick(strip);
    EXPECT_EQ(window.Style, designed);
    EXPECT_EQ(window.frame.border, 1);
    EXPECT_EQ(window.barreoutil.Width, 9840);
    EXPECT_EQ(RectOf(window).left, r.left) << "the window did not move";

    // Set by someone else while the window believes it has none: the bit stays.
    win32::SetWindowLongA(window.hwnd, win32::GWL_STYLE,
                          static_cast<std::int32_t>(designed | forms::WS_THICKFRAME));
    DoubleClick(strip);
    EXPECT_EQ(window.Style, designed | forms::WS_THICKFRAME);
    DoubleClick(strip);
    EXPECT_EQ(window.Style, designed);
}

TEST_F(ConfigWindow, OnlyALeftPressOnTheStripOrTheBareWindowDragsIt) {
    Groups("");
    Form1& window = Shown({"G"});
    const win32::Rect r = RectOf(window);
    const win32::Point strip{r.left + 600, r.top + 40};
    const auto by20 = [](win32::Point p) { return win32::Point{p.x + 20, p.y + 10}; };

    for (const int button : {forms::RightButton, forms::MiddleButton}) {
        Press(strip, button, by20(strip));
        EXPECT_EQ(RectOf(window).left, r.left) << button;
    }
    // The menu line, the panel on the strip, the left panel, the work area.
    for (const win32::Point p :
         {win32::Point{r.left + 20, r.top + 12}, win32::Point{r.left + 300, r.top + 30},
          win32::Point{r.left + 100, r.top + 400}, win32::Point{r.left + 400, r.top + 400}}) {
        Press(p, forms::LeftButton, by20(p));
        EXPECT_EQ(RectOf(window).left, r.left) << p.x << "," << p.y;
    }
    Retour = vb::Variant();
    Press(strip, forms::LeftButton, by20(strip));
    EXPECT_EQ(RectOf(window).left, r.left + 20);
    EXPECT_EQ(RectOf(window).top, r.top + 10);
    EXPECT_EQ(Retour, vb::Variant(std::int32_t{0}));

    // A press on the window's bare client area does the same.
    win32::QueueMouseMove(by20(by20(strip)));
    win32::QueueButtonUp(forms::LeftButton);
    win32::WindowManager::instance().buttons = forms::LeftButton;
    window.Form_MouseDown(forms::LeftButton, 0, 0, 0);
    EXPECT_EQ(RectOf(window).left, r.left + 40);
}

TEST_F(ConfigWindow, TheLayoutFollowsTheWindowAndSkipsSizesBelowZero) {
    Groups("");
    Form1& window = Shown({"G"});
    EXPECT_EQ(window.afficheur.Left, 2767.5F);
    EXPECT_EQ(window.fond.Left, -15);
    EXPECT_EQ(window.fond.Top, 1125);
    EXPECT_EQ(window.fond.Width, 9875);
    EXPECT_EQ(window.fond.Height, 6525);
    EXPECT_EQ(window.barreoutil.Width, 9840);
    window.fondfonctions.Move(0, 0, 7335, 5415);
    EXPECT_EQ(window.Onglets.Width, 6855);
    EXPECT_EQ(window.Onglets.Height, 4695);

    // Too small for the work area, then for the tabs' margins: nothing fails.
    window.Move(window.Left, window.Top, 1500, 900);
    EXPECT_EQ(window.fond.Height, 6525);
    EXPECT_EQ(window.barreoutil.Width, 1470);
    EXPECT_EQ(window.afficheur.Left, 735 - 4305 / 2.0F);
    window.Move(window.Left, window.Top, 15, 15); // a client area below zero
    EXPECT_EQ(window.barreoutil.Width, 1470);
    window.fondfonctions.Move(0, 0, 400, 600);
    EXPECT_EQ(window.Onglets.Width, 6855);
    EXPECT_EQ(window.Onglets.Height, 4695);
    window.fondfonctions.Move(0, 0, 480, 720);
    EXPECT_EQ(window.Onglets.Width, 0);
    EXPECT_EQ(window.Onglets.Height, 0);

    // Large again: the splitter lays the panels out over the window's new height and width.
    window.Move(window.Left, window.Top, 12000, 9000);
    EXPECT_EQ(window.taches.Height, window.ScaleHeight());
    EXPECT_EQ(window.logs.Width, window.fond.ScaleWidth() - window.logs.Left);
}

} // namespace
