#include "Harness.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

using namespace e2e;

const char* const kHelpLines[] = {
    "Pour créer une procédure : veuillez modifier le fichier 'quorvel.ini' dans le dossier de "
    "Windows.",
    "Dans la zone 'statut', indiquez DR pour récursive.",
    "Lancement de l'application : avec paramétre le nom de la section dans le fichier "
    "quorvel.ini et en indiquant '/I' pour fenêtre invisible.",
};

TEST(StartupWindow, HelpShowsTheVersionAndHelpLinesUntilCtrlCEndsIt) {
    const ProgramFolder folder;
    const TmuxSession session({folder.program().string(), "/?"}, folder.environment());
    // The picture is complete once its last line is there.
    ASSERT_TRUE(WaitFor([&] {
        return Squeeze(session.screen()).find("fenêtre invisible.") != std::string::npos;
    })) << session.screen();
    const std::string screen = session.screen();
    const std::string text = Squeeze(screen);
    EXPECT_NE(text.find("Version " QUORVEL_VERSION), std::string::npos) << screen;
    for (const char* line : kHelpLines) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << screen;
    }
    EXPECT_EQ(text.find("Extension"), std::string::npos) << screen;
    EXPECT_FALSE(session.status().has_value());

    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value(); }));
    EXPECT_EQ(session.status(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.file("quorvel.ini")));
}

TEST(StartupWindow, AHiddenRunDrawsNothingAndEndsByItself) {
    const ProgramFolder folder;
    const TmuxSession session({folder.program().string(), "NOM", "/I"}, folder.environment());
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value() && session.dead(); }));
    EXPECT_EQ(session.status(), 0);
    // Nothing but tmux's own word on the ended pane, when it writes one.
    EXPECT_TRUE(
        std::regex_match(Squeeze(session.screen()), std::regex(R"((Pane is dead \(.*\))?)")))
        << session.screen();
    EXPECT_NE(testsupport::ReadBytes(folder.file("quorvel.ini")).value_or("").find("Nombre=0"),
              std::string::npos);
}

TEST(StartupWindow, ACommandLineTooLongForTheOptionSearchEndsOnARuntimeError) {
    const ProgramFolder folder;
    const Outcome outcome =
        e2e::Run({folder.program().string(), std::string(33000, 'a') + "/I"}, folder.environment());
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "Erreur d'exécution 6 : Dépassement de capacité\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_FALSE(std::filesystem::exists(folder.file("quorvel.ini")));
}

} // namespace
