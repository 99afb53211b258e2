#include "vb/Handler.h"

#include "forms/EventLoop.h"

#include <gtest/gtest.h>

namespace {

TEST(EventHandlerDeathTest, AnErrorReachingTheTopEndsTheProcessWithItsMessage) {
    EXPECT_EXIT(vb::RunEventHandler([] { vb::Raise(vb::err::Overflow); }),
                testing::ExitedWithCode(1), "Erreur d'exécution 6 : Dépassement de capacité\n");
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
