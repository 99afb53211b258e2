#include "MailBench.h"
#include "support/Loopback.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using namespace mailtest;

std::string Wire(const vb::String& text) {
    return vb::EncodeWindows1252(text);
}

const vb::String kHeaders = u"From: quorvel@example.com\r\nTo: alice@example.com\r\n"
                            u"Subject: Sauve Lundi\r\nReply-To: quorvel@example.com\r\n";

TEST(MailExchange, DeliversEnvelopeHeadersAndDotStuffedTextThenEndsAccepted) {
    testsupport::SmtpServer server;
    MailBench bench(&server);
    bench.mail.MailTO(u"alice@example.com;bob@example.com");
    bench.mail.EnteteHTML = true;
    bench.mail.Priorite = 3;
    const vb::String text = u".début\r\nligne\r\n..deux\r\na.b\r\n.\r\nfin.\r\n.";
    bench.mail.message(text);

    EXPECT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(bench.mail.Etat(), 6);
    EXPECT_EQ(bench.mail.Label1.Caption, u"Etat de la connexion : 6");
    EXPECT_EQ(server.commands(), (Strings{"ehlo tramik", "mail from: <quorvel@example.com>",
                                          "rcpt to: <alice@example.com>",
                                          "rcpt to: <bob@example.com>", "data", "quit"}));
    EXPECT_EQ(server.file("message-1.envelope"),
              "from: quorvel@example.com\nto: alice@example.com\nto: bob@example.com\n");
    const vb::String headers = u"From: quorvel@example.com\r\n"
                               u"To: alice@example.com,bob@example.com\r\n"
                               u"Subject: Sauve Lundi\r\nReply-To: quorvel@example.com\r\n"
                               u"Content-Type: text/html;\r\nX-Priority: 3\r\n";
    EXPECT_EQ(server.file("message-1.raw"),
              Wire(headers + u"..début\r\nligne\r\n...deux\r\na.b\r\n..\r\nfin.\r\n..\r\n"));
    EXPECT_EQ(server.file("message-1.eml"), Wire(headers + text + u"\r\n"));
}

TEST(MailExchange, OptionalHeaderLinesFollowEnteteHTMLAndPriorite) {
    struct Case {
        bool html;
        std::int16_t priority;
        vb::String extra;
    };
    const Case cases[] = {{false, 0, u""},
                          {true, -2, u"Content-Type: text/html;\r\n"},
                          {false, 32767, u"X-Priority: 32767\r\n"}};
    testsupport::SmtpServer server;
    MailBench bench(&server);
    int number = 0;
    for (const Case& c : cases) {
        bench.mail.MailTO(u"alice@example.com");
        bench.mail.EnteteHTML = c.html;
        bench.mail.Priorite = c.priority;
        bench.mail.message(u"Corps");
        ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
        EXPECT_EQ(server.file("message-" + std::to_string(++number) + ".raw"),
                  Wire(kHeaders + c.extra + u"Corps\r\n"));
    }
}

TEST(MailExchange, LongLinesAreFoldedAndLoneLineEndsMadeWholeBeforeDotStuffing) {
    const auto n = [](std::size_t count, char16_t c) { return vb::String(count, c); };
    struct Line {
        vb::String text;
        vb::String wire; // as the server receives it, dot-stuffed
    };
    const Line lines[] = {
        // Before the last "<" that keeps the piece within 998 characters.
        {n(900, 'a') + u"<b>" + n(90, 'c') + u"<i>" + n(600, 'c'),
         n(900, 'a') + u"<b>" + n(90, 'c') + u"\r\n<i>" + n(600, 'c')},
        // Else before the last blank.
        {n(990, 'd') + u" " + n(20, 'e') + u"<f>", n(990, 'd') + u"\r\n " + n(20, 'e') + u"<f>"},
        // Else after 998 characters, or 997 for a piece that begins with ".", which its
        // stuffed "." brings to 998 octets.
        {n(998, 'g') + u"." + n(1000, 'h'),
         n(998, 'g') + u"\r\n.." + n(996, 'h') + u"\r\n" + n(4, 'h')},
        {n(998, 'i'), n(998, 'i')},
        {u"." + n(997, 'j'), u".." + n(996, 'j') + u"\r\nj"},
        // A lone CR or LF ends a line, so that a "." after it is stuffed too.
        {u"un\rdeux\ntrois\n\r.\n.quatre\r", u"un\r\ndeux\r\ntrois\r\n\r\n..\r\n..quatre\r\n"},
    };
    vb::String text;
    vb::String wire;
    for (const Line& line : lines) {
        text += line.text + u"\r\n";
        wire += line.wire + u"\r\n";
    }
    testsupport::SmtpServer server; // with its stock line length limit
    MailBench bench(&server);
    bench.mail.message(text);
    EXPECT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(bench.mail.message(), text);
    const std::string raw = server.file("message-1.raw");
    EXPECT_EQ(raw, Wire(kHeaders + wire + u"\r\n"));
    for (std::size_t start = 0, end = 0; (end = raw.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        EXPECT_LE(end - start, 998U) << "line at octet " << start;
    }
}

TEST(MailExchange, SeveralHundredKilobytesArriveWholeAndInOrder) {
    vb::String text;
    for (int i = 0; i < 8000; ++i) {
        text += (i % 10 == 0 ? u"." : u"") + vb::FromAscii(std::to_string(i)) +
                u" <td>ligne du rapport, à copier telle quelle dans le message</td>\r\n";
    }
    ASSERT_GT(text.size(), 500'000U);
    testsupport::SmtpServer server;
    MailBench bench(&server);
    bench.mail.message(text);
    EXPECT_EQ(bench.mail.message(), text);
    EXPECT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(server.file("message-1.eml"), Wire(kHeaders + text + u"\r\n"));
}

TEST(MailExchange, TraceHoldsEachArrivalNewestFirstUntilSwitchedOff) {
    testsupport::SmtpServer server;
    MailBench bench(&server);
    forms::Form window(u"Trace");
    forms::TextBox box(window, u"Text1", u"avant");
    bench.mail.DEBUGGER(&box, -1);
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});

    // Each reply came alone but the lines of the EHLO one, written at once.
    const Strings replies = server.replies();
    ASSERT_GE(replies.size(), 2U);
    const auto ehloEnd = std::find_if(replies.begin() + 1, replies.end(),
                                      [](const std::string& r) { return r.rfind("250 ", 0) == 0; });
    ASSERT_NE(ehloEnd, replies.end());
    Strings arrivals{replies[0] + "\r\n", ""};
    for (auto reply = replies.begin() + 1; reply <= ehloEnd; ++reply) {
        arrivals[1] += *reply + "\r\n";
    }
    for (auto reply = ehloEnd + 1; reply != replies.end(); ++reply) {
        arrivals.push_back(*reply + "\r\n");
    }
    ASSERT_EQ(arrivals.size(), 7U); // in states 0 to 6
    vb::String expected = u"avant";
    for (std::size_t state = 0; state < arrivals.size(); ++state) {
        expected.insert(0, vb::FromAscii(std::to_string(state) + " : " + arrivals[state] + "\r\n"));
    }
    EXPECT_EQ(box.Text, expected);

    bench.mail.DEBUGGER(&box, 1); // only -1 switches it on
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});
    EXPECT_EQ(box.Text, expected);
}

std::size_t OpenDescriptors() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(MailExchange, ManyExchangesLeaveNoDescriptorOpen) {
    testsupport::SmtpServer server;
    MailBench bench(&server);
    const std::size_t before = OpenDescriptors();
    const vb::String hosts[] = {u"127.0.0.1", u"localhost", u"", u"nom-inexistant.invalid"};
    for (int i = 0; i < 40; ++i) {
        bench.mail.IP = hosts[i % 4];
        bench.mail.MailTO(u"alice@example.com");
        const bool replaced = i % 8 == 1;
        const std::size_t expected = bench.events.size() + (replaced ? 2 : 1);
        if (replaced) {
            bench.mail.EnvoiMail(); // replaced while its name is looked up
        }
        bench.mail.EnvoiMail();
        ASSERT_TRUE(testsupport::PumpUntil([&] { return bench.events.size() == expected; }));
    }
    EXPECT_TRUE(server.has("message-20.raw"));
    EXPECT_FALSE(server.has("message-21.raw"));
    // A lookup's worker lets go of its pipe just after it answers.
    EXPECT_TRUE(testsupport::PumpUntil([&] { return OpenDescriptors() == before; }));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(MailExchange, TheHostMayStartTheNextMailFromItsHandler) {
    // However the first exchange ends: a reply, the server hanging up, a refused connection,
    // a name that does not resolve.
    struct Case {
        Strings modes;
        vb::String ip;
        bool closedPort;
        vb::String first;
    };
    const Case cases[] = {
        {{}, u"127.0.0.1", false, u"MAIL ACCEPTE"},
        {{"--close-on", "MAIL"},
         u"127.0.0.1",
         false,
         u"Connexion fermée par le serveur de messagerie"},
        {{}, u"127.0.0.1", true, u"Connection is forcefully rejected"},
        {{}, u"nom-inexistant.invalid", false, u"Host not found"},
    };
    testsupport::SmtpServer server;
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(vb::ToUtf8(c.first));
        testsupport::SmtpServer first(c.modes);
        MailBench bench(&first);
        bench.mail.IP = c.ip;
        if (c.closedPort) {
            bench.mail.PORT = vb::FromAscii(std::to_string(testsupport::ClosedPort()));
        }
        bench.mail.MailEnvoye = [&](vb::String& erreur) {
            bench.events.push_back(erreur);
            if (bench.events.size() == 1) {
                bench.mail.IP = u"127.0.0.1";
                bench.mail.PORT = server.portText();
                bench.mail.MailTO(u"bob@example.com");
                bench.mail.EnvoiMail();
            }
        };
        bench.mail.EnvoiMail();
        testsupport::PumpUntil([&] { return bench.events.size() >= 2; });
        testsupport::PumpFor(std::chrono::milliseconds(100));
        EXPECT_EQ(bench.events, (Events{c.first, u"MAIL ACCEPTE"}));
        EXPECT_EQ(server.file("message-" + std::to_string(++number) + ".envelope"),
                  "from: quorvel@example.com\nto: bob@example.com\n");
        EXPECT_EQ(bench.host.Find<Mail>(u"Mail")->Find<winsock::Winsock>(u"S"), &bench.mail.S);
    }
}

} // namespace
