#include "forms/PictureBox.h"
#include "forms/TabControl.h"
#include "forms/TerminalPresenter.h"
#include "forms/TerminalSettings.h"
#include "forms/TreeView.h"
#include "vb/Clock.h"
#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "vb/Error.h"
#include "win32/Input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Kind = forms::PointerEvent::Kind;

class Recorder final : public forms::TerminalDevice {
public:
    void write(std::string_view bytes) override { out += bytes; }
    forms::TerminalSize size() const override { return {41, 21}; }
    void setEcho(bool on) override { echo = on; }
    std::string out;
    bool echo = true;
};

// A framed form whose window, 82 x 42 pixels at 100, 50, is drawn on 41 x 21 cells: two
// pixels a cell. Its client area, from 101, 51, holds a label, a bar one pixel wide at 142
// and a tab control; the terminal's input is a pipe.
class ScaledWindow : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        win32::WindowManager::instance().reset();
        form.SetStyle(forms::WS_BORDER);
        form.ScaledOnTerminal = true;
        form.Move(1500, 750, 1230, 630);
        titre.Move(0, 0, 600, 150);
        barre.BorderStyle(0);
        barre.Move(615, 0, 15, 600);
        onglets.Move(660, 60, 480, 480);
        zero.Move(30, 300, 300, 150);
        arbre.Move(30, 300, 450, 150);
        onglets.PlaceOnTab(arbre, 1);
        arbre.Nodes.Add(std::nullopt, std::nullopt, u"r", u"Racine");
        arbre.Nodes.Add(u"r", forms::tvwChild, std::nullopt, u"Feuille");
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        in.reset(fds[0]);
        typed.reset(fds[1]);
        forms::Form::SetPresenter(&presenter);
        presenter.setPointerSink([this](const forms::PointerEvent& e) { events.push_back(e); });
        form.Show();
    }
    void TearDown() override {
        forms::Form::SetPresenter(nullptr);
        forms::EventLoop::instance().reset();
    }
    void Type(const std::string& bytes) {
        ASSERT_EQ(::write(typed.get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
        while (forms::EventLoop::instance().doEvents()) {
        }
    }
    // The next redraw: at most one each 100 ms.
    void Redraw() {
        clock.advance(100ms);
        while (forms::EventLoop::instance().doEvents()) {
        }
    }
    std::string Row(int row) const { return vb::ToUtf8(presenter.scaledPicture()->text(row)); }

    vb::ManualClock clock;
    vb::ScopedClock scopedClock{clock};
    Recorder terminal;
    vb::Descriptor in;
    vb::Descriptor typed;
    forms::TerminalPresenter presenter{terminal, forms::TerminalPresenter::DefaultInterval, -1};
    std::vector<forms::PointerEvent> events;
    forms::Form form{u"vue"};
    forms::Label titre{form, u"titre", u"Bonjour"};
    forms::PictureBox barre{form, u"barre"};
    forms::TabControl onglets{form, u"onglets", {u"Un", u"Deux"}};
    forms::Label zero{onglets, u"zero", u"Zéro"};
    forms::TreeView arbre{onglets, u"arbre"};
};

TEST_F(ScaledWindow, DrawsTheWindowScaledOnTheWholeScreenAndGivesTheTerminalBack) {
    ASSERT_NE(presenter.scaledPicture(), nullptr);
    EXPECT_EQ(terminal.out.find("\x1b[?1049h"), 0U) << "the alternate screen";
    EXPECT_FALSE(terminal.echo);
    EXPECT_EQ(Row(0), "┌───────────────────────────────────────┐");
    EXPECT_EQ(Row(3).substr(0, 13), "│Bonjour   ");
    EXPECT_EQ(Row(20), "└───────────────────────────────────────┘");
    EXPECT_EQ(Row(3), "│Bonjour                  Un     Deux   │");
    EXPECT_NE(Row(15).find("Zéro"), std::string::npos) << Row(15);
    // On a short terminal the captions stay inside the frame, on the one row left to them.
    forms::CellPicture low(forms::ScreenRect(form), 41, 3);
    low.paint(form);
    EXPECT_EQ(vb::ToUtf8(low.text(0)), Row(0));
    EXPECT_EQ(vb::ToUtf8(low.text(1)), Row(3));

    // Left alone, the window is never composed again; a change shows at the next tick.
    const std::size_t composed = presenter.compositions();
    const std::size_t written = terminal.out.size();
    for (int i = 0; i < 5; ++i) {
        Redraw();
    }
    EXPECT_EQ(presenter.compositions(), composed);
    EXPECT_EQ(terminal.out.size(), written);

    // Controls are cut at their container's edges: a caption wider than the tab control, a
    // label hanging over the window's bottom edge, whose caption keeps to the last row inside.
    zero.Caption = u"Zéro Zéro Zéro Zéro";
    zero.Width = 3000;
    titre.Top = 570;
    Redraw();
    EXPECT_EQ(Row(15), "│                       Zéro Zéro Zéro  │");
    EXPECT_EQ(Row(19).find("│Bonjour "), 0U) << Row(19);
    EXPECT_EQ(Row(20), "└───────────────────────────────────────┘");
    titre.Top = 0;

    // A caption from a file name never acts on the terminal.
    titre.Caption = u"\x1b]2;X\x07\x9b"
                    "1m";
    Redraw();
    EXPECT_EQ(terminal.out.find("\x1b]"), std::string::npos);
    EXPECT_EQ(terminal.out.find("\xc2\x9b"), std::string::npos);
    EXPECT_NE(terminal.out.find("\uFFFD]2;X\uFFFD\uFFFD1m"), std::string::npos);
    titre.Caption = u"Bonjour";

    onglets.Tab(1); // the tree's tab: its lines, indented, in place of the label
    Redraw();
    EXPECT_EQ(Row(15).find("Zéro"), std::string::npos);
    EXPECT_NE(Row(13).find(" Racine "), std::string::npos) << Row(13);
    EXPECT_NE(Row(14).find("   Feuille "), std::string::npos) << Row(14);

    // The view stays where the window was: a window moved 10 pixels right moves 5 cells.
    form.Move(1650, 750);
    Redraw();
    EXPECT_EQ(Row(3).substr(0, 13), "     │Bonjo");

    form.Hide();
    Redraw();
    EXPECT_EQ(presenter.scaledPicture(), nullptr);
    EXPECT_NE(terminal.out.rfind("\x1b[?1049l"), std::string::npos);
    EXPECT_TRUE(terminal.echo);
}

TEST_F(ScaledWindow, TheMouseAimsInsideWhatIsDrawnAndKeepsItsGripWhileHeld) {
    forms::TerminalPresenter reading(terminal, forms::TerminalPresenter::DefaultInterval, in.get());
    forms::Form::SetPresenter(&reading);
    reading.setPointerSink([this](const forms::PointerEvent& e) { events.push_back(e); });
    form.Refresh();
    EXPECT_NE(terminal.out.find("\x1b[?1003h\x1b[?1006h"), std::string::npos) << "mouse on";

    // Column 22 is cell 21, pixels 142 and 143: its middle misses the bar at 142.
    Type("\x1b[<0;22;5M\x1b[<32;26;6M\x1b[<0;26;6m");
    ASSERT_EQ(events.size(), 6U);
    EXPECT_EQ(events[0].kind, Kind::Move);
    EXPECT_EQ(events[0].at, (forms::ScreenPoint{142, 59}));
    EXPECT_EQ(events[1].kind, Kind::Down);
    EXPECT_EQ(events[1].button, forms::LeftButton);
    EXPECT_EQ(events[2].at, (forms::ScreenPoint{150, 61})) << "one pixel left of the middle";
    EXPECT_EQ(events[4].kind, Kind::Up);
    EXPECT_EQ(events[5].kind, Kind::Move) << "the pointer resting after the release";
    EXPECT_EQ(events[5].at, events[4].at);
    // A report cut in two reads is kept whole; a malformed one or one of another button is
    // no click.
    events.clear();
    Type("\x1b");
    Type("[<0;26;6M\x1b[<0;26;6m\x1b[<128;26;6M\x1b[<0;0;6M");
    ASSERT_EQ(events.size(), 5U);
    EXPECT_EQ(events[1].kind, Kind::Down);
    EXPECT_EQ(events[3].kind, Kind::Up);

    events.clear();
    Type("\x1b[<0;30;15M\x1b[<0;30;15m\x1b[<0;30;15M\x1b[<0;30;15m\x1b[<0;30;15M\x1b[<0;30;15m");
    std::vector<Kind> presses;
    for (const auto& e : events) {
        if (e.kind == Kind::Down || e.kind == Kind::DoubleClick) {
            presses.push_back(e.kind);
        }
    }
    EXPECT_EQ(presses, (std::vector<Kind>{Kind::Down, Kind::DoubleClick, Kind::Down}));
    events.clear();
    clock.advance(501ms);
    Type("\x1b[<0;30;15M\x1b[<0;30;15m");
    EXPECT_EQ(events[1].kind, Kind::Down) << "too late for a double-click";

    // Through the window manager: a press on a title makes its tab current.
    win32::FollowTerminalPointer(reading);
    Type("\x1b[<0;35;3M\x1b[<0;35;3m");
    EXPECT_EQ(onglets.Tab(), 1);
    form.Hide();
    Redraw();
    EXPECT_NE(terminal.out.rfind("\x1b[?1006l\x1b[?1003l\x1b[?1000l"), std::string::npos);
}

// The events decoded from `bytes`, as text: a key as K and itself, "P1@2,3" for a press of
// button 1 on column 2, row 3 (R a release, M a motion, W the wheel, C a cursor report).
std::string Decode(forms::TerminalDecoder& decoder, std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto event = decoder.feed(c);
        if (!event) {
            continue;
        }
        if (event->kind == forms::TerminalEvent::Kind::Key) {
            out += std::string("K") + event->key + " ";
            continue;
        }
        out += "?PRMWC"[static_cast<int>(event->kind)];
        out += std::to_string(event->button) + "@" + std::to_string(event->column) + "," +
               std::to_string(event->row) + " ";
    }
    return out;
}

TEST(TerminalInput, OnlyWellFormedReportsOfTheButtonsAWindowUsesAreMouseEvents) {
    const struct {
        std::string bytes;
        std::string events;
    } cases[] = {
        {"a\x1b[<0;5;6M\x1b[<2;5;6m\x1b[<35;7;8M\x1b[<16;5;6M\x1b[<65;5;6M\x1b[3;9R",
         "Ka P1@5,6 R2@5,6 M0@7,8 P1@5,6 W4@5,6 C0@9,3 "},
        // Extra buttons, empty or zero places, no button pressed: nothing.
        {"\x1b[<128;5;6M\x1b[<129;5;6m\x1b[<;;M\x1b[<0;;6M\x1b[<0;5;M\x1b[<0;0;6M"
         "\x1b[<0;5;0M\x1b[<3;5;6M\x1b[<3;5;6m\x1b[<0;5;6;7M\x1b[<0;5:6M\x1b[;R",
         ""},
        // A report cut off by the next one, by a key, or by a letter that ends it.
        {"\x1b[<0;5\x1b[<0;7;8M\x1b[<0;5\rb\x1b[<0;5x\x1b[<0;7;8m", "P1@7,8 K\r Kb R1@7,8 "},
        // Escape alone before a report, or before a key of its own.
        {"\x1b\x1b[<0;7;8M\x1bq", "K\x1b P1@7,8 K\x1b "},
    };
    for (const auto& c : cases) {
        forms::TerminalDecoder decoder;
        EXPECT_EQ(Decode(decoder, c.bytes), c.events);
        EXPECT_FALSE(decoder.open());
    }
    // A sequence left unfinished is kept for the next bytes, and given up when none come.
    forms::TerminalDecoder decoder;
    EXPECT_EQ(Decode(decoder, "\x1b"), "");
    EXPECT_TRUE(decoder.open());
    EXPECT_EQ(Decode(decoder, "[<0;5;6M"), "P1@5,6 ");
    EXPECT_EQ(Decode(decoder, "\x1b"), "");
    EXPECT_EQ(decoder.expire()->key, '\x1b');
    EXPECT_EQ(Decode(decoder, "\x1b[<0;5"), "");
    EXPECT_EQ(decoder.expire(), std::nullopt);
    EXPECT_EQ(Decode(decoder, "6M"), "K6 KM ");
}

TEST(TerminalSettings, EachHoldKeepsItsChangeWhateverOrderTheyEndIn) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const vb::Descriptor m(master);
    const vb::Descriptor s(slave);
    const auto flags = [&] {
        termios t{};
        ::tcgetattr(slave, &t);
        return t.c_lflag & (ECHO | ICANON);
    };
    const tcflag_t original = flags();
    ASSERT_EQ(original, ECHO | ICANON);
    auto noEcho = std::make_unique<forms::TerminalSettingHold>(slave, ECHO);
    EXPECT_EQ(flags(), ICANON);
    {
        const forms::TerminalSettingHold characters(slave, ICANON | ECHO);
        EXPECT_EQ(flags(), 0U);
        noEcho.reset(); // ended first: keys stay unechoed for the other hold
        EXPECT_EQ(flags(), 0U);
    }
    EXPECT_EQ(flags(), original);
}

TEST(TreeView, NodesGoUnderTheirRelativeByKeyAndKeysAreUnique) {
    forms::Form form(u"f");
    forms::TreeView tree(form, u"t");
    tree.Nodes.Add(std::nullopt, std::nullopt, u"a", u"A");
    tree.Nodes.Add(std::nullopt, std::nullopt, std::nullopt, u"B");
    tree.Nodes.Add(u"a", forms::tvwChild, u"c", u"C");
    tree.Nodes.Add(u"c", forms::tvwChild, std::nullopt, u"D");
    const auto error = [&](auto add) {
        try {
            add();
        } catch (const vb::Error& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(error([&] { tree.Nodes.Add(std::nullopt, std::nullopt, u"c", u"E"); }),
              forms::KeyNotUnique);
    EXPECT_EQ(error([&] { tree.Nodes.Add(u"z", forms::tvwChild, std::nullopt, u"E"); }),
              forms::ElementNotFound);
    ASSERT_EQ(tree.Nodes.Count(), 4);
    EXPECT_EQ(tree.Nodes(4).Parent, &tree.Nodes(3));
    EXPECT_EQ(tree.Nodes(3).Parent, &tree.Nodes(1));
    EXPECT_EQ(tree.Nodes.Roots().size(), 2U);
    tree.Nodes.Clear();
    EXPECT_EQ(tree.Nodes.Count(), 0);
    tree.Nodes.Add(std::nullopt, std::nullopt, u"a", u"A"); // its key is free again
}

} // namespace
