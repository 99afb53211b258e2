#include "Harness.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>

namespace {

using namespace e2e;

// Where a text stands on the screen: its 1-based column and row, as the terminal counts
// them (characters, not bytes); 0, 0 when it is not there.
std::pair<int, int> Cell(const std::string& screen, const std::string& text) {
    std::istringstream lines(screen);
    std::string line;
    for (int row = 1; std::getline(lines, line); ++row) {
        const std::size_t at = line.find(text);
        if (at != std::string::npos) {
            int column = 1;
            for (std::size_t i = 0; i < at; ++i) {
                column += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 ? 1 : 0;
            }
            return {column, row};
        }
    }
    return {0, 0};
}

// A left click as the terminal reports it (SGR form), in the middle of a text.
std::string ClickOn(const std::string& screen, const std::string& text) {
    const auto [column, row] = Cell(screen, text);
    const std::string at = std::to_string(column + 2) + ";" + std::to_string(row);
    return "\x1b[<0;" + at + "M\x1b[<0;" + at + "m";
}

TEST(ConfigWindow, TheSplashThenTheGroupsButtonsWhichTheMouseClicksUntilCtrlC) {
    const ProgramFolder folder("quorvel-config");
    // A bare "quorvel.ini" is the one in the Windows folder. Its third member is missing.
    const std::string groups =
        "[NUIT]\nNombre=3\nSection1=SAUVE\nSection2=PHOTOS\n; le dernier est à venir\n";
    testsupport::WriteBytes(folder.file("quorvel.ini"), groups);
    const TmuxSession session({folder.program().string(), "NUIT"}, folder.environment(), 120, 40);
    // The splash first: the logo's blue on the whole screen, no caption yet.
    ASSERT_TRUE(WaitFor([&] {
        return session.screen(true).find("48;2;31;78;140m") != std::string::npos;
    })) << session.screen(true);
    EXPECT_EQ(session.screen().find("SAUVE"), std::string::npos);
    EXPECT_EQ(session.format("#{alternate_on}"), "1");

    ASSERT_TRUE(WaitFor([&] {
        const std::string text = session.screen();
        return text.find("SAUVE") != std::string::npos && text.find("PHOTOS") != std::string::npos;
    })) << session.screen();
    EXPECT_NE(session.screen().find("LOGS"), std::string::npos) << session.screen();
    EXPECT_EQ(session.format("#{mouse_any_flag} #{mouse_sgr_flag}"), "1 1");

    session.sendBytes(ClickOn(session.screen(), "SAUVE"));
    ASSERT_TRUE(WaitFor([&] {
        return session.screen().find("A sauvegarder") != std::string::npos;
    })) << session.screen();
    EXPECT_EQ(session.screen().find("LOGS"), std::string::npos) << session.screen();
    // The tree lies on the second tab.
    session.sendBytes(ClickOn(session.screen(), "A sauvegarder"));
    ASSERT_TRUE(WaitFor([&] { return session.screen().find("Exceptions") != std::string::npos; }))
        << session.screen();
    const std::string screen = session.screen();
    const auto root = Cell(screen, "Utilisateur courant");
    EXPECT_EQ(Cell(screen, "Poste de travail").first, root.first) << screen;
    EXPECT_EQ(Cell(screen, "Mes Documents").first, root.first + 2) << "a child, indented";

    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value() && session.dead(); }));
    EXPECT_EQ(session.status(), 0);
    // Back on the terminal's own screen, its mouse reports off. (What tmux shows of the
    // cursor once the pane has ended is its own.)
    EXPECT_EQ(session.format("#{alternate_on} #{mouse_any_flag} #{mouse_sgr_flag}"), "0 0 0");
    EXPECT_EQ(Squeeze(session.screen()).find("SAUVE"), std::string::npos) << session.screen();
    // The splitter's place is kept beside the program, under the program's own name.
    EXPECT_EQ(testsupport::ReadBytes(folder.file("quorvel-config.ini")),
              "[system]\nseparation verticale= 2415\n");
    EXPECT_EQ(testsupport::ReadBytes(folder.file("quorvel.ini")), groups) << "read, never written";
}

// Each member's caption is read from the whole file, as the load has it: a group this long
// keeps the load busy well past the splash, and pumping no messages.
TEST(ConfigWindow, CtrlCDuringTheLoadOfALongGroupEndsItAtOnceWithTheTerminalGivenBack) {
    const ProgramFolder folder("quorvel-config");
    std::string group = "[LONG]\nNombre=10000\n";
    for (int i = 1; i <= 10000; ++i) {
        group += "Section" + std::to_string(i) + "=MEMBRE" + std::to_string(i) + "\n";
    }
    testsupport::WriteBytes(folder.file("quorvel.ini"), group);
    const TmuxSession session({folder.program().string(), "LONG"}, folder.environment());
    ASSERT_TRUE(WaitFor([&] {
        return session.screen(true).find("48;2;31;78;140m") != std::string::npos;
    })) << "the splash";
    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value() && session.dead(); }, 3s));
    EXPECT_EQ(session.status(), 0);
    EXPECT_EQ(session.format("#{alternate_on} #{mouse_any_flag} #{mouse_sgr_flag}"), "0 0 0");
}

TEST(ConfigWindow, TermHangUpOrQuitEndsItAsTheSenderExpectsWithTheTerminalGivenBack) {
    // No core file left behind by SIGQUIT.
    rlimit core{};
    ::getrlimit(RLIMIT_CORE, &core);
    core.rlim_cur = 0;
    ::setrlimit(RLIMIT_CORE, &core);
    const ProgramFolder folder("quorvel-config");
    const std::string modes = "#{alternate_on} #{mouse_any_flag} #{mouse_sgr_flag}";
    for (const int signal : {SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        const TmuxSession session({folder.program().string(), "NUIT"}, folder.environment());
        ASSERT_TRUE(WaitFor([&] { return session.format(modes) == "1 1 1"; }));
        session.sendKeys("C-s"); // output held: it must not hold the ending back
        session.signal(signal);
        ASSERT_TRUE(WaitFor([&] { return session.status().has_value() && session.dead(); }));
        EXPECT_EQ(session.status(), 128 + signal);
        EXPECT_EQ(session.format(modes), "0 0 0");
    }
}

TEST(ConfigWindow, CtrlZGivesTheTerminalBackToTheShellAndFgTakesItAgain) {
    const ProgramFolder folder("quorvel-config");
    testsupport::WriteBytes(folder.file("quorvel.ini"), "[NUIT]\nNombre=1\nSection1=SAUVE\n");
    const std::string modes = "#{alternate_on} #{mouse_any_flag} #{mouse_sgr_flag}";
    // A shell with job control, which reads a line once the window has stopped, then runs fg.
    const TmuxSession session(
        {"/bin/sh", "-c", R"(set -m; "$0" NUIT; read line; fg)", folder.program().string()},
        folder.environment());
    ASSERT_TRUE(WaitFor([&] { return session.screen().find("SAUVE") != std::string::npos; }));
    session.sendKeys("C-z");
    ASSERT_TRUE(WaitFor([&] { return session.format(modes) == "0 0 0"; }));
    session.sendKeys("suite"); // echoed: the shell has its line mode back
    ASSERT_TRUE(WaitFor([&] { return session.screen().find("suite") != std::string::npos; }))
        << session.screen();
    session.sendKeys("Enter");
    // All of the picture drawn again, and the mouse read again.
    ASSERT_TRUE(WaitFor([&] {
        return session.format(modes) == "1 1 1" &&
               session.screen().find("SAUVE") != std::string::npos;
    })) << session.screen();
    session.sendBytes(ClickOn(session.screen(), "SAUVE"));
    ASSERT_TRUE(WaitFor([&] {
        return session.screen().find("A sauvegarder") != std::string::npos;
    })) << session.screen();
    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value() && session.dead(); }));
    EXPECT_EQ(session.status(), 0);
}

} // namespace
