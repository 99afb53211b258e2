#include "forms/TerminalPresenter.h"

#include "backuprun/quorvel.h"
#include "vb/App.h"
#include "vb/Clock.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A terminal that keeps every write.
class RecordingTerminal final : public forms::TerminalDevice {
public:
    std::vector<std::string> writes;
    bool echo = true;
    forms::TerminalSize dimensions{100, 40};

    void write(std::string_view bytes) override { writes.emplace_back(bytes); }
    forms::TerminalSize size() const override { return dimensions; }
    void setEcho(bool on) override { echo = on; }
};

bool Shows(const std::string& frame, const std::string& text) {
    return frame.find(text) != std::string::npos;
}

class TerminalPresenterTest : public testing::Test {
protected:
    void SetUp() override {
        forms::EventLoop::instance().reset();
        forms::Form::SetPresenter(&presenter);
    }
    void TearDown() override {
        forms::Form::SetPresenter(nullptr);
        forms::EventLoop::instance().reset();
        vb::SetCommandLine({});
    }
    static void Pump() {
        while (forms::EventLoop::instance().doEvents()) {
        }
    }

    vb::ManualClock clock;
    vb::ScopedClock useClock{clock};
    RecordingTerminal terminal;
    forms::TerminalPresenter presenter{terminal};
};

TEST_F(TerminalPresenterTest, RefreshesWithinTheIntervalDrawOnceAndTheTimerShowsTheLastState) {
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun(); // shown: drawn at once
    ASSERT_EQ(terminal.writes.size(), 1U);
    EXPECT_TRUE(Shows(terminal.writes[0], "néant"));
    EXPECT_FALSE(terminal.echo);

    for (int i = 1; i <= 50; ++i) {
        window.encours.Caption = u"fichier " + vb::FromAscii(std::to_string(i));
        window.encours.Refresh();
        forms::DoEvents();
        clock.advance(1ms);
    }
    EXPECT_EQ(terminal.writes.size(), 1U);

    clock.advance(60ms);
    Pump();
    ASSERT_EQ(terminal.writes.size(), 2U);
    EXPECT_TRUE(Shows(terminal.writes[1], "fichier 50"));
    EXPECT_FALSE(Shows(terminal.writes[1], "fichier 49"));

    // Long enough after the last draw, a Refresh draws at once.
    clock.advance(150ms);
    window.KoCopies.Caption = u"1,50 Mo";
    window.KoCopies.Refresh();
    ASSERT_EQ(terminal.writes.size(), 3U);
    EXPECT_TRUE(Shows(terminal.writes[2], "1,50 Mo"));
}

TEST_F(TerminalPresenterTest, AChangeWithoutRefreshShowsAtTheNextTickAndNothingIsRewrittenIfSame) {
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun();
    window.de.Text = u"/home/alice/";
    clock.advance(100ms);
    Pump();
    ASSERT_EQ(terminal.writes.size(), 2U);
    EXPECT_TRUE(Shows(terminal.writes[1], "[/home/alice/"));

    clock.advance(500ms);
    window.de.Refresh();
    Pump();
    EXPECT_EQ(terminal.writes.size(), 2U);
}

TEST_F(TerminalPresenterTest, AHiddenWindowDrawsNothing) {
    vb::SetCommandLine({"NOM", "/I"});
    quorvel window;
    window.PrepareRun();
    for (int i = 0; i < 5; ++i) {
        window.encours.Caption = u"copie";
        window.encours.Refresh();
        clock.advance(150ms);
        Pump();
    }
    EXPECT_TRUE(terminal.writes.empty());
    EXPECT_TRUE(terminal.echo);
}

TEST_F(TerminalPresenterTest, TheWindowIsDrawnRowByRowInPlace) {
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun();
    const std::string first = terminal.writes.at(0);
    std::size_t at = 0;
    for (const char* text :
         {"Version " QUORVEL_VERSION, "De", "[", "vers", "Extension", "0", "néant"}) {
        const std::size_t found = first.find(text, at);
        ASSERT_NE(found, std::string::npos) << text;
        at = found;
    }
    EXPECT_FALSE(Shows(first, "\x1b[1A")); // nothing above to go back over

    clock.advance(100ms);
    window.encours.Caption = u"fin";
    window.encours.Refresh();
    ASSERT_EQ(terminal.writes.size(), 2U);
    const auto lines = std::count(first.begin(), first.end(), '\n');
    EXPECT_TRUE(Shows(terminal.writes[1], "\x1b[" + std::to_string(lines) + "A"));
}

TEST_F(TerminalPresenterTest, RestoringDrawsWhatIsPendingAndGivesTheTerminalBack) {
    vb::SetCommandLine({"/?"});
    quorvel window;
    window.Form_Load();
    ASSERT_EQ(terminal.writes.size(), 1U);
    EXPECT_TRUE(Shows(terminal.writes[0], "Dans la zone 'statut', indiquez DR pour récursive."));
    EXPECT_FALSE(Shows(terminal.writes[0], "Extension"));

    window.encours.Caption = u"dernier état";
    window.encours.Refresh();
    presenter.restore();
    ASSERT_EQ(terminal.writes.size(), 3U);
    EXPECT_TRUE(Shows(terminal.writes[1], "dernier état"));
    EXPECT_TRUE(Shows(terminal.writes[2], "\x1b[?25h"));
    EXPECT_TRUE(terminal.echo);
}

TEST_F(TerminalPresenterTest, ControlCharactersOfANameAreShownNotSent) {
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun();
    clock.advance(150ms);
    window.encours.Caption = u"\x1b]2;X\x07"
                             "a\tb";
    window.encours.Refresh();
    EXPECT_EQ(terminal.writes.back().find("\x1b]"), std::string::npos);
    EXPECT_TRUE(Shows(terminal.writes.back(), "\uFFFD]2;X\uFFFDa b")) << terminal.writes.back();
}

TEST_F(TerminalPresenterTest, LinesAreCutToTheTerminalAndThePictureToItsHeight) {
    terminal.dimensions = forms::TerminalSize{20, 4};
    vb::SetCommandLine({"NOM"});
    quorvel window;
    window.PrepareRun();
    const std::string frame = terminal.writes.at(0);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), '\n'), 3);
    std::size_t start = frame.find("\x1b[?7l") + 5;
    for (std::size_t end = frame.find("\x1b[K", start); end != std::string::npos;
         end = frame.find("\x1b[K", start)) {
        EXPECT_LE(end - start, 19U);
        start = end + 5; // past "\x1b[K\r\n"
    }
}

} // namespace
