#include "Harness.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

using namespace e2e;

const char* const kHelpLines[] = {
    "Pour créer une procédure : veuillez modifier le fichier 'quorvel.ini' dans le dossier de "
    "Windows.",
    "Dans la zone 'statut', indiquez DR pour récursive.",
    "Lancement de l'application : avec paramétre le nom de la section dans le fichier "
    "quorvel.ini et en indiquant '/I' pour fenêtre invisible.",
};

// Clock ticks of processor time the process has used so far.
long ProcessorTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stol(field);
        } else if (i == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

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

TEST(StartupWindow, AHiddenRunDrawsNothingAndWaitsIdle) {
    const ProgramFolder folder;
    const TmuxSession session({folder.program().string(), "NOM", "/I"}, folder.environment());
    ASSERT_TRUE(WaitFor([&] { return session.pid() != 0; }));
    const pid_t pid = session.pid();
    const long before = ProcessorTicks(pid);
    std::this_thread::sleep_for(700ms);

    EXPECT_FALSE(session.status().has_value());
    EXPECT_EQ(Squeeze(session.screen()), "");
    // Idle: a spinning loop would have used most of that time.
    EXPECT_LT(ProcessorTicks(pid) - before, 10);

    // No visible window: Ctrl+C keeps its default effect.
    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value(); }));
    EXPECT_EQ(session.status(), 128 + SIGINT);
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
