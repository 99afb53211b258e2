#include "MailBench.h"
#include "support/Loopback.h"
#include "vb/Clock.h"
#include "vb/Descriptor.h"

#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

using namespace mailtest;
using std::chrono::milliseconds;
using std::chrono::seconds;

vb::String ClosedPort() {
    return vb::FromAscii(std::to_string(testsupport::ClosedPort()));
}

TEST(MailEndings, FinalRepliesEndTheExchangeWithTheirText) {
    struct Case {
        Strings modes;
        vb::String event;
        Strings logTail;
        bool messageSent = false;
    };
    // "502 " means the mail went only once the server has taken the message.
    const Case cases[] = {
        {{"--refuse-rcpt", "bob@example.com"},
         u"550 5.1.1 <bob@example.com>: Recipient address rejected",
         {"rcpt to: bob@example.com",
          "ERREUR: 550 5.1.1 <bob@example.com>: Recipient address rejected"}},
        {{"--reply", "QUIT=502 5.5.1 Commande non reconnue"},
         u"MAIL ACCEPTE",
         {"Envoie du Message...", "quit", "ERREUR: 502 5.5.1 Commande non reconnue"},
         true},
        {{"--reply", "END-OF-DATA=502 5.5.1 Commande non reconnue"},
         u"502 5.5.1 Commande non reconnue",
         {"Envoie du Message...", "ERREUR: 502 5.5.1 Commande non reconnue"},
         true},
        {{"--reply", "END-OF-DATA=250 OK\r\n502 5.5.1 Commande non reconnue"}, // at once
         u"MAIL ACCEPTE",
         {"Envoie du Message...", "ERREUR: 502 5.5.1 Commande non reconnue"},
         true},
        {{"--reply", "EHLO=502 5.5.2 EHLO not implemented"},
         u"502 5.5.2 EHLO not implemented",
         {"Serveur SMTP OK", "ERREUR: 502 5.5.2 EHLO not implemented"}},
        {{"--reply", "MAIL=421 4.3.2 Service indisponible"},
         u"421 4.3.2 Service indisponible",
         {"mail from: quorvel@example.com", "ERREUR: 421 4.3.2 Service indisponible"}},
        {{"--reply", "EHLO=abc non merci"},
         u"abc non merci",
         {"Serveur SMTP OK", "ERREUR: abc non merci"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modes.back());
        testsupport::SmtpServer server(c.modes);
        MailBench bench(&server);
        const auto log = bench.LogTo("smtp.log");
        bench.mail.MailTO(u"alice@example.com;bob@example.com");
        EXPECT_EQ(bench.Send(), Events{c.event});
        EXPECT_EQ(bench.mail.Etat(), 7);
        EXPECT_EQ(Tail(LogLines(log), c.logTail.size()), c.logTail);
        EXPECT_EQ(server.has("message-1.raw"), c.messageSent);
        // The control closes the connection itself, without a "quit" of its own.
        EXPECT_TRUE(
            testsupport::PumpUntil([&] { return Contains(server.transcript(), "* close"); }));
        EXPECT_EQ(Contains(server.commands(), "quit"), Contains(c.logTail, "quit"));
    }
}

TEST(MailEndings, AServerThatClosesEarlyEndsTheExchangeOnce) {
    const std::pair<std::string, std::int16_t> cases[] = {{"CONNECT", 0}, {"RCPT", 3}, {"DATA", 4}};
    for (const auto& [verb, state] : cases) {
        SCOPED_TRACE(verb);
        testsupport::SmtpServer server({"--close-on", verb});
        MailBench bench(&server);
        EXPECT_EQ(bench.Send(), Events{u"Connexion fermée par le serveur de messagerie"});
        EXPECT_EQ(bench.mail.Etat(), state);
    }
}

TEST(MailEndings, AConnectionThatCannotBeMadeEndsWithTheSocketsDescription) {
    struct Case {
        vb::String ip;
        vb::String port;
        vb::String event;
    };
    const Case cases[] = {{u"127.0.0.1", ClosedPort(), u"Connection is forcefully rejected"},
                          {u"localhost", ClosedPort(), u"Connection is forcefully rejected"},
                          {u"", u"25", u"Host not found"},
                          {u"nom-inexistant.invalid", u"25", u"Host not found"}};
    MailBench bench;
    const auto log = bench.LogTo("smtp.log");
    for (const Case& c : cases) {
        SCOPED_TRACE(vb::ToUtf8(c.ip));
        bench.mail.IP = c.ip;
        bench.mail.PORT = c.port;
        EXPECT_EQ(bench.Send(), Events{c.event});
        EXPECT_EQ(bench.mail.Etat(), 0);
    }
    EXPECT_EQ(LogLines(log), Strings(4, "ENVOI MAIL...")); // nothing but each start
}

TEST(MailEndings, FiveMinutesWithoutAReplyEndTheExchange) {
    struct Case {
        Strings modes;
        std::string stalledAt; // the last line the server records before it stalls
        seconds early;         // spent before the first reply: the wait counts from the last
        std::int16_t state;
    };
    const Case cases[] = {
        {{"--hang-on", "CONNECT"}, "* connect", seconds(0), 0},
        {{"--hang-on", "MAIL"}, "C: mail from: <quorvel@example.com>", seconds(200), 2},
        // The message goes only after "354 ": an early acknowledgement of "data" is not one.
        {{"--reply", "DATA=250 OK"}, "S: 250 OK", seconds(200), 4},
        // The EHLO reply outgrows 2048 characters: its final line is lost with the rest.
        {{"--ehlo-length", "3000"}, "S: 250 HELP", seconds(200), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modes.back());
        testsupport::SmtpServer server(c.modes);
        vb::ManualClock clock;
        const vb::ScopedClock scoped(clock);
        MailBench bench(&server);
        bench.mail.EnvoiMail();
        clock.advance(c.early);
        const auto lastLine = [&] {
            const Strings lines = server.transcript();
            return lines.empty() ? std::string() : lines.back();
        };
        ASSERT_TRUE(testsupport::PumpUntil([&] { return lastLine() == c.stalledAt; }));
        testsupport::PumpFor(milliseconds(150));
        Strings expected = server.transcript();
        expected.push_back("* close");

        clock.advance(seconds(299));
        testsupport::PumpFor(milliseconds(50));
        EXPECT_TRUE(bench.events.empty());
        clock.advance(seconds(1));
        testsupport::PumpUntil([&] { return !bench.events.empty(); }, milliseconds(2000));
        EXPECT_EQ(bench.events, Events{u"Pas de réponse du serveur de messagerie"});
        EXPECT_EQ(bench.mail.Etat(), c.state);
        // Nothing more was sent, and the control hung up.
        EXPECT_TRUE(testsupport::PumpUntil([&] { return lastLine() == "* close"; }));
        EXPECT_EQ(server.transcript(), expected);
    }
}

TEST(MailEndings, TheAnswerToTheMessageIsAwaitedTenMinutesFromItsLastByteTaken) {
    testsupport::SmtpServer server({"--hang-on", "END-OF-DATA"});
    vb::ManualClock clock;
    const vb::ScopedClock scoped(clock);
    MailBench bench(&server);
    // More than the connection takes at once: the rest goes only as the server reads it.
    const vb::String line = vb::String(990, u'x') + u"\r\n";
    vb::String text;
    while (text.size() < 24'000'000) {
        text += line;
    }
    bench.mail.message(text);
    bench.mail.EnvoiMail();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return bench.mail.Etat() == 5; }));
    clock.advance(seconds(299));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return server.has("message-1.envelope"); },
                                       milliseconds(60'000)));
    clock.advance(seconds(599));
    testsupport::PumpFor(milliseconds(50));
    EXPECT_TRUE(bench.events.empty());
    clock.advance(seconds(1));
    testsupport::PumpUntil([&] { return !bench.events.empty(); }, milliseconds(2000));
    EXPECT_EQ(bench.events, Events{u"Pas de réponse du serveur de messagerie"});
    EXPECT_EQ(bench.mail.Etat(), 5);
}

TEST(MailEndings, TheTraceKeepsTwoThousandFortyEightCharacters) {
    testsupport::SmtpServer server({"--ehlo-length", "3000"});
    MailBench bench(&server);
    forms::Form window(u"Trace");
    forms::TextBox box(window, u"Text1");
    bench.mail.DEBUGGER(&box, -1);
    bench.mail.EnvoiMail();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return box.Text.rfind(u"1 : ", 0) == 0; }));
    bench.mail.S.Close();

    const Strings replies = server.replies();
    std::string ehlo;
    for (std::size_t i = 1; i < replies.size(); ++i) {
        ehlo += replies[i] + "\r\n";
    }
    ASSERT_GT(ehlo.size(), 3000U);
    EXPECT_EQ(box.Text, vb::Left(vb::FromAscii("1 : " + ehlo.substr(0, 2048) +
                                               "\r\n0 : " + replies[0] + "\r\n\r\n"),
                                 2048));
}

TEST(MailEndings, RepliesCutBetweenArrivalsAreAnsweredOnceWhole) {
    // A reply cut by the 2048-character buffer is taken as it stands: its rest is lost, so
    // there is nothing to wait for.
    const Strings modes[] = {{"--split"}, {"--reply", "QUIT=221 " + std::string(2996, 'x')}};
    for (const Strings& m : modes) {
        SCOPED_TRACE(m.front());
        testsupport::SmtpServer server(m);
        MailBench bench(&server);
        EXPECT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
        EXPECT_EQ(bench.mail.Etat(), 6);
        EXPECT_EQ(server.commands(), (Strings{"ehlo tramik", "mail from: <quorvel@example.com>",
                                              "rcpt to: <alice@example.com>", "data", "quit"}));
        for (const std::string& line : server.transcript()) {
            EXPECT_NE(line[0], '!') << line;
        }
    }
}

} // namespace

namespace {

TEST(MailEndings, ASecondSendingEndsTheOpenExchangeOnceAndRunsItsOwn) {
    testsupport::SmtpServer silent({"--hang-on", "CONNECT"});
    mailtest::MailBench bench(&silent);
    bench.mail.EnvoiMail();
    testsupport::PumpFor(std::chrono::milliseconds(200));
    ASSERT_TRUE(bench.events.empty());

    testsupport::SmtpServer server;
    bench.mail.PORT = server.portText();
    EXPECT_EQ(bench.Send(),
              (mailtest::Events{u"Envoi interrompu par un nouvel envoi", u"MAIL ACCEPTE"}));
    EXPECT_TRUE(server.has("message-1.raw"));
}

TEST(MailEndings, TheHandlerOfAnInterruptedSendingMaySendAgain) {
    testsupport::SmtpServer silent({"--hang-on", "CONNECT"});
    testsupport::SmtpServer server;
    mailtest::MailBench bench(&silent);
    const auto log = bench.LogTo("smtp.log");
    bench.mail.EnvoiMail();
    testsupport::PumpFor(std::chrono::milliseconds(200));
    bench.mail.MailEnvoye = [&](vb::String& erreur) {
        bench.events.push_back(erreur);
        if (bench.events.size() == 1) {
            bench.mail.EnvoiMail(); // the third sending, from inside the second one
        }
    };
    bench.mail.PORT = server.portText();
    bench.mail.EnvoiMail();
    EXPECT_TRUE(testsupport::PumpUntil([&] { return bench.events.size() >= 3; }));
    testsupport::PumpFor(std::chrono::milliseconds(100));
    const vb::String interrompu = u"Envoi interrompu par un nouvel envoi";
    EXPECT_EQ(bench.events, (mailtest::Events{interrompu, interrompu, u"MAIL ACCEPTE"}));
    EXPECT_TRUE(server.has("message-1.raw"));
    EXPECT_FALSE(server.has("message-2.raw"));
    const mailtest::Strings lines = mailtest::LogLines(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ENVOI MAIL..."), 3);
    EXPECT_EQ(lines.back(), "MAIL ACCEPTE");
}

} // namespace
