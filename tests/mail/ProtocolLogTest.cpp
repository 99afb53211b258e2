#include "MailBench.h"

#include <gtest/gtest.h>

namespace {

using namespace mailtest;

TEST(MailProtocolLog, EachStepIsOneDatedLineInTheFileLastNamed) {
    const Strings exchange{"ENVOI MAIL...",
                           "Serveur SMTP OK",
                           "mail from: quorvel@example.com",
                           "rcpt to: alice@example.com",
                           "rcpt to: bob@example.com",
                           "Donnees...",
                           "Envoie du Message...",
                           "quit",
                           "MAIL ACCEPTE"};
    testsupport::SmtpServer server;
    MailBench bench(&server);
    const auto first = bench.LogTo("premier.log");
    bench.mail.MailTO(u"alice@example.com;bob@example.com");
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(LogLines(first), exchange);

    const auto second = bench.LogTo("second.log");
    bench.mail.MailTO(u"alice@example.com;bob@example.com");
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(LogLines(second), exchange);
    EXPECT_EQ(LogLines(first), exchange);

    // With no file to write to the lines are lost, and the exchange goes on.
    vb::String none;
    bench.mail.LOG(none);
    bench.mail.MailTO(u"alice@example.com;bob@example.com");
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_TRUE(server.has("message-3.raw"));
    EXPECT_EQ(LogLines(second), exchange);
}

} // namespace
