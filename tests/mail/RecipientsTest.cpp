#include "MailBench.h"

#include <gtest/gtest.h>

namespace {

using namespace mailtest;

// The server demands paths in angle brackets, as some do.
TEST(MailRecipients, EachFieldIsAnnouncedInAngleBracketsUpToTheFirstEmptyOne) {
    struct Case {
        vb::String list;
        Strings rcpt;   // on the wire
        Strings logged; // in the protocol log, fields as they stand
        std::string to;
    };
    const Case cases[] = {
        {u"alice@example.com;bob@example.com;",
         {"rcpt to: <alice@example.com>", "rcpt to: <bob@example.com>"},
         {"rcpt to: alice@example.com", "rcpt to: bob@example.com"},
         "To: alice@example.com,bob@example.com,"},
        {u"alice@example.com;;bob@example.com",
         {"rcpt to: <alice@example.com>"},
         {"rcpt to: alice@example.com"},
         "To: alice@example.com,,bob@example.com"},
        {u"alice@example.com; ;bob@example.com",
         {"rcpt to: <alice@example.com>"},
         {"rcpt to: alice@example.com"},
         "To: alice@example.com, ,bob@example.com"},
        {u" alice@example.com ; bob@example.com ",
         {"rcpt to: <alice@example.com>", "rcpt to: <bob@example.com>"},
         {"rcpt to:  alice@example.com ", "rcpt to:  bob@example.com "},
         "To:  alice@example.com , bob@example.com "},
        {u"Alice <alice@example.com> ;<bob@example.com>",
         {"rcpt to: <alice@example.com>", "rcpt to: <bob@example.com>"},
         {"rcpt to: Alice <alice@example.com> ", "rcpt to: <bob@example.com>"},
         "To: Alice <alice@example.com> ,<bob@example.com>"},
    };
    testsupport::SmtpServer server({"--strict-paths"});
    MailBench bench(&server);
    bench.mail.MailFROM(u"\"Quorvel\" <quorvel@example.com>");
    const auto log = bench.LogTo("smtp.log");
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(vb::ToUtf8(c.list));
        bench.mail.MailTO(c.list);
        EXPECT_EQ(bench.mail.MailTO(), c.list);
        ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});

        Strings expected{"ehlo tramik", "mail from: <quorvel@example.com>"};
        expected.insert(expected.end(), c.rcpt.begin(), c.rcpt.end());
        expected.insert(expected.end(), {"data", "quit"});
        EXPECT_EQ(server.commands(++number), expected);
        const Strings lines = LogLines(log);
        Strings logged = Tail(lines, c.logged.size() + 4); // then data, message, quit, end
        logged.resize(c.logged.size());
        EXPECT_EQ(logged, c.logged);
        EXPECT_TRUE(Contains(lines, "mail from: \"Quorvel\" <quorvel@example.com>"));
        const std::string raw = server.file("message-" + std::to_string(number) + ".raw");
        EXPECT_NE(raw.find("\r\n" + c.to + "\r\n"), std::string::npos) << raw;
        EXPECT_TRUE(raw.starts_with("From: \"Quorvel\" <quorvel@example.com>\r\n")) << raw;
    }
}

TEST(MailRecipients, AnEmptyListEndsOnTheServersRefusal) {
    testsupport::SmtpServer server({"--strict-paths"});
    MailBench bench(&server);
    bench.mail.MailTO(u"");
    const Events events = bench.Send();
    EXPECT_EQ(server.commands(),
              (Strings{"ehlo tramik", "mail from: <quorvel@example.com>", "rcpt to: <>"}));
    const std::string refusal = server.replies().back();
    EXPECT_EQ(refusal.substr(0, 4), "501 ");
    EXPECT_EQ(events, Events{vb::DecodeWindows1252(refusal)});
    EXPECT_EQ(bench.mail.Etat(), 7);
    EXPECT_FALSE(server.has("message-1.raw"));
}

TEST(MailRecipients, SettingMailTOStartsTheListAfreshOtherwiseItGoesOn) {
    testsupport::SmtpServer server;
    MailBench bench(&server);
    EXPECT_EQ(bench.mail.Etat(), 0);
    bench.mail.MailTO(u"alice@example.com;bob@example.com");
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"});

    bench.mail.MailTO(u"carol@example.com;dave@example.com");
    bench.mail.EnvoiMail();
    EXPECT_EQ(bench.mail.Etat(), 6); // kept while the next connection is made
    testsupport::PumpUntil([&] { return bench.events.size() == 2; });
    ASSERT_EQ(bench.events.back(), u"MAIL ACCEPTE");
    ASSERT_EQ(bench.Send(), Events{u"MAIL ACCEPTE"}); // MailTO left as it was

    const std::string from = "from: quorvel@example.com\n";
    EXPECT_EQ(server.file("message-1.envelope"),
              from + "to: alice@example.com\nto: bob@example.com\n");
    EXPECT_EQ(server.file("message-2.envelope"),
              from + "to: carol@example.com\nto: dave@example.com\n");
    EXPECT_EQ(server.file("message-3.envelope"), from + "to: dave@example.com\n");
    // No LOG call, no protocol log.
    EXPECT_TRUE(std::filesystem::is_empty(bench.folder.path()));
}

} // namespace
