#include "backuprun/quorvel.h"
#include "forms/EventLoop.h"
#include "settings/INI32.h"
#include "support/TempFolder.h"
#include "vb/App.h"
#include "vb/Encoding.h"
#include "win32/Input.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const vb::String kHelp =
    u"Pour créer une procédure : veuillez modifier le fichier 'quorvel.ini' dans le dossier "
    u"de Windows.\r\nDans la zone 'statut', indiquez DR pour récursive.\r\nLancement de "
    u"l'application : avec paramétre le nom de la section dans le fichier quorvel.ini et en "
    u"indiquant '/I' pour fenêtre invisible.";

class QuorvelWindow : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
    }
    void TearDown() override {
        forms::EventLoop::instance().reset();
        vb::SetCommandLine({});
    }
    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }
};

struct CommandCase {
    std::vector<std::string> arguments;
    bool help;
    bool visible;
    vb::String name;
};

TEST_F(QuorvelWindow, EachCommandLineGivesItsModeVisibilityAndProcedureName) {
    const CommandCase cases[] = {
        {{"/?"}, true, true, u""},           {{" /?"}, false, true, u" /?"},
        {{"/? "}, false, true, u"/? "},      {{"/h"}, false, true, u"/h"},
        {{"/?", "x"}, false, true, u"/? x"}, {{"SAUVE", "/I"}, false, false, u"SAUVE "},
        {{"/I"}, false, false, u""},         {{"sauve/i"}, false, true, u"sauve/i"},
        {{"/i"}, false, true, u"/i"},        {{"A/IB/iC"}, false, false, u"ABC"},
        {{" NOM "}, false, true, u" NOM "},  {{"Été"}, false, true, u"Été"},
    };
    for (const auto& c : cases) {
        vb::SetCommandLine(c.arguments);
        SCOPED_TRACE(vb::ToUtf8(vb::Command()));
        quorvel window;
        EXPECT_EQ(window.PrepareRun(), !c.help);

        EXPECT_EQ(window.Visible(), c.visible);
        EXPECT_EQ(window.ProcedureName(), c.name);
        EXPECT_EQ(window.encours.Caption, c.help ? kHelp : u"néant");
        EXPECT_EQ(window.version.Caption, vb::FromAscii("Version " QUORVEL_VERSION));
        EXPECT_EQ(window.Busy(), 0);
        for (const forms::Control* field :
             {static_cast<forms::Control*>(&window.de), static_cast<forms::Control*>(&window.vers),
              static_cast<forms::Control*>(&window.extension)}) {
            EXPECT_EQ(field->Visible, !c.help);
        }
    }
}

TEST_F(QuorvelWindow, HelpHidesTheFieldsTheirCaptionsAndTheByteCountOnly) {
    vb::SetCommandLine({"/?"});
    quorvel window;
    window.Form_Load();
    std::vector<vb::String> hidden;
    std::vector<vb::String> shown;
    for (const forms::Control* control : window.Controls()) {
        (control->Visible ? shown : hidden).push_back(control->Name());
    }
    std::sort(hidden.begin(), hidden.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(hidden, (std::vector<vb::String>{u"KoCopies", u"Label1", u"Label2", u"Label3", u"de",
                                               u"extension", u"vers"}));
    // The mail control stays visible, below the client area where nobody sees it.
    EXPECT_EQ(shown, (std::vector<vb::String>{u"Label4", u"Mail", u"encours", u"version"}));
}

TEST_F(QuorvelWindow, TheSettingsFileIsBesideTheProgramAndHelpLeavesItAlone) {
    const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const auto ini = folder / "quorvel.ini";
    const auto original = testsupport::ReadBytes(ini);
    INI32::CheminINI.clear();

    vb::SetCommandLine({"/?"});
    quorvel window;
    window.Form_Load();
    Pump();

    EXPECT_EQ(INI32::CheminINI, vb::DecodeName((folder / "quorvel.ini").native()));
    EXPECT_EQ(testsupport::ReadBytes(ini), original);
}

TEST_F(QuorvelWindow, TheDefaultInstanceIsOneWindowReachableByName) {
    quorvel& window = quorvel::Instance();
    EXPECT_EQ(&quorvel::Instance(), &window);
    forms::Form* found = forms::FindForm(u"quorvel");
    ASSERT_EQ(found, &window);
    EXPECT_EQ(found->Find<forms::Label>(u"KoCopies"), &window.KoCopies);
    EXPECT_EQ(window.KoCopies.Caption, u"0");
}

TEST_F(QuorvelWindow, ItsPictureAndIconAreOfTheirSizes) {
    quorvel window;
    EXPECT_EQ(window.Width, 6105);
    EXPECT_EQ(window.Height, 3630);
    EXPECT_EQ(window.Picture->Width, 407);
    EXPECT_EQ(window.Picture->Height, 243);
    EXPECT_EQ(window.Icon.Width, 32);
    EXPECT_EQ(window.Icon.Height, 32);
    // A rounded panel: the corner is not the panel's colour, its middle is.
    EXPECT_NE(window.Picture->At(0, 0), window.Picture->At(200, 200));
    EXPECT_EQ(window.Picture->At(200, 200), window.Picture->At(400, 120));
}

TEST_F(QuorvelWindow, DraggingTheBackgroundMovesTheWindowWithEitherButton) {
    for (const int button : {forms::LeftButton, forms::RightButton}) {
        SCOPED_TRACE(button);
        vb::SetCommandLine({"NOM"});
        quorvel window;
        window.PrepareRun();
        const float left = window.Left;
        const float top = window.Top;
        const win32::Point corner = win32::WindowManager::instance().clientOrigin(window);
        Retour = vb::Variant();

        win32::QueueMouseMove(win32::Point{corner.x + 10, corner.y + 10});
        win32::QueueButtonDown(button);
        win32::QueueMouseMove(win32::Point{corner.x + 60, corner.y + 30});
        win32::QueueMouseMove(win32::Point{corner.x + 110, corner.y + 60});
        win32::QueueButtonUp(button);
        Pump();

        EXPECT_EQ(window.Left, left + 100 * 15);
        EXPECT_EQ(window.Top, top + 50 * 15);
        EXPECT_EQ(Retour, vb::Variant(std::int32_t{0}));
    }
}

TEST_F(QuorvelWindow, APressOnAFieldDoesNotDragTheWindow) {
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun();
    const float left = window.Left;
    const win32::Point corner = win32::WindowManager::instance().clientOrigin(window);
    const int x = static_cast<int>(window.de.Left / 15) + 5;
    const int y = static_cast<int>(window.de.Top / 15) + 5;
    win32::QueueMouseMove(win32::Point{corner.x + x, corner.y + y});
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueMouseMove(win32::Point{corner.x + x + 100, corner.y + y});
    win32::QueueButtonUp(forms::LeftButton);
    Pump();
    EXPECT_EQ(window.Left, left);
}

// Shows the help window and clicks its "X"; returns only if the click did not end it all.
void ClickTheX() {
    vb::SetCommandLine({"/?"});
    quorvel window;
    window.Form_Load();
    const win32::Point corner = win32::WindowManager::instance().clientOrigin(window);
    win32::QueueMouseMove(win32::Point{corner.x + static_cast<int>(window.Label4.Left / 15) + 8,
                                       corner.y + static_cast<int>(window.Label4.Top / 15) + 8});
    win32::QueueButtonDown(forms::LeftButton);
    win32::QueueButtonUp(forms::LeftButton);
    forms::EventLoop::instance().post([] { std::_Exit(7); }); // no further event may run
    while (forms::EventLoop::instance().doEvents()) {
    }
}

TEST_F(QuorvelWindow, ClickingTheXEndsTheProcessAtOnceWithStatusZero) {
    EXPECT_EXIT(
        {
            ClickTheX();
            std::_Exit(8);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
