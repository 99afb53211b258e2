#include "vb/Handler.h"

#include "forms/EventLoop.h"
#include "vb/App.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(EventHandlerDeathTest,
     AnErrorReachingTheTopEndsTheProcessWithItsMessageOnceTheTerminalIsBack) {
    EXPECT_EXIT(
        {
            // Written on the alternate screen before it is left, the message would go with it.
            vb::AtEnd([] { [[maybe_unused]] const auto n = ::write(STDERR_FILENO, "back\n", 5); });
            vb::RunEventHandler([] { vb::Raise(vb::err::Overflow); });
        },
        testing::ExitedWithCode(1), "^back\nErreur d'exécution 6 : Dépassement de capacité\n$");
}

TEST(EventHandlerDeathTest, AnErrorInAQueuedEventIsNotCaughtByWhoeverPumps) {
    EXPECT_EXIT(
        {
            auto& loop = forms::EventLoop::instance();
            loop.reset();
            loop.post([] { vb::Raise(vb::err::FileNotFound); });
            try {
                loop.doEvents();
            } catch (...) {
                std::_Exit(3);
            }
            std::_Exit(4);
        },
        testing::ExitedWithCode(1), "Erreur d'exécution 53 : Fichier introuvable");
}

} // namespace
