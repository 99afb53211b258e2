#include "Harness.h"
#include "support/Loopback.h"
#include "support/SmtpServer.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

using namespace e2e;
namespace fs = std::filesystem;

// One program folder with its settings file, a source tree and a mail server.
class BackupRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(source() / "sub");
        testsupport::WriteBytes(source() / "a.txt", std::string(100, 'a'));
        testsupport::WriteBytes(source() / "b.txt", std::string(200, 'b'));
        testsupport::WriteBytes(source() / "sub" / "c.txt", std::string(300, 'c'));
    }

    fs::path source() const { return folder_.path() / "source"; }
    fs::path destination() const { return folder_.path() / "sauve" / "docs"; }
    static std::string Dir(const fs::path& p) { return p.string() + "/"; }

    std::string serverSection(const testsupport::SmtpServer& server) const {
        return "[Serveur MAIL]\nIP=127.0.0.1\nPORT=" + std::to_string(server.port()) +
               "\nMail From=quorvel@example.com\n\n";
    }
    std::string procedure(const std::string& name, const std::string& more = "",
                          const std::string& statut = "DR") const {
        return "[" + name + "]\nde=" + Dir(source()) + "\nvers=" + Dir(destination()) +
               "\nextension=*.*\nstatut=" + statut + "\nMail TO=<a@example.com>;<b@example.com>\n" +
               more + "\n";
    }
    void settings(const std::string& text) const {
        testsupport::WriteBytes(folder_.file("quorvel.ini"), text);
    }
    std::string read(const std::string& name) const {
        return testsupport::ReadBytes(folder_.file(name)).value_or("");
    }
    Outcome run(const std::vector<std::string>& arguments,
                const fs::path& workingFolder = {}) const {
        std::vector<std::string> command{folder_.program().string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return e2e::Run(command, folder_.environment(), 30s, workingFolder);
    }

    ProgramFolder folder_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The header line `name` of a received message, without its line end.
std::string Header(const std::string& message, const std::string& name) {
    for (const std::string& line : Lines(message)) {
        if (line.rfind(name + ": ", 0) == 0) {
            return line.substr(name.size() + 2, line.size() - name.size() - 3);
        }
    }
    return {};
}

const std::regex kOutcomeLine(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d => (.*)\r)");

// The texts of the erreurs.log lines, checked for their dated form.
std::vector<std::string> Outcomes(const std::string& log) {
    std::vector<std::string> texts;
    for (const std::string& line : Lines(log)) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, kOutcomeLine)) << line;
        texts.push_back(m.size() > 1 ? m[1].str() : line);
    }
    return texts;
}

TEST_F(BackupRun, ARecursiveProcedureCopiesTheTreeAndMailsItsReport) {
    const testsupport::SmtpServer server;
    settings(serverSection(server) + procedure("DOCS", "Envoi MAIL=OK"));

    const Outcome outcome = run({"DOCS", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");

    EXPECT_EQ(testsupport::ReadBytes(destination() / "sub" / "c.txt").value_or(""),
              std::string(300, 'c'));
    EXPECT_EQ(testsupport::ReadBytes(destination() / "a.txt").value_or(""), std::string(100, 'a'));
    EXPECT_EQ(Outcomes(read("erreurs.log")), std::vector<std::string>{"MAIL ACCEPTE"});
    EXPECT_FALSE(fs::exists(folder_.file("erreurmail.log")));

    ASSERT_TRUE(server.has("message-1.eml"));
    EXPECT_EQ(server.file("message-1.envelope"),
              "from: quorvel@example.com\nto: a@example.com\nto: b@example.com\n");
    const std::string message = server.file("message-1.eml");
    // Two passes over three entries plus "." and ".." at the top, one entry in "sub";
    // one folder and three files done. The name keeps the blank left before "/I".
    EXPECT_EQ(Header(message, "Subject"), "Sauve DOCS : 4 faits sur 16 parcourus (600 octets).");
    const std::string headerBlock =
        "From: quorvel@example.com\r\n"
        "To: <a@example.com>,<b@example.com>\r\n"
        "Subject: Sauve DOCS : 4 faits sur 16 parcourus (600 octets).\r\n"
        "Reply-To: quorvel@example.com\r\n"
        "Content-Type: text/html;\r\n"
        "\r\n"
        "<!DOCTYPE HTML PUBLIC";
    EXPECT_EQ(message.rfind(headerBlock, 0), 0U) << message.substr(0, 300);
    // The report's line end and blank line, then the line end before the data's end.
    EXPECT_TRUE(message.ends_with("</font></body></html>\r\n\r\n\r\n"))
        << message.substr(message.size() - 60);

    EXPECT_NE(message.find("Copie de : <b>" + Dir(source()) + "</b>"), std::string::npos);
    EXPECT_NE(message.find("Nb fichiers cr&eacute;&eacute;s : <b>3</b>"), std::string::npos);
    EXPECT_NE(message.find("Nb fichiers parcourus : <b>3</b>"), std::string::npos);
    EXPECT_NE(message.find("Volumes copi&eacute;s : <b>600</b>"), std::string::npos);
    EXPECT_NE(message.find("Nb r&eacute;pertoires cr&eacute;&eacute;s : <b>1</b>"),
              std::string::npos);
    EXPECT_NE(message.find("Nb Octets copi&eacute;s : <b>600 Octets</b>"), std::string::npos);
    EXPECT_NE(message.find("copie OK : " + Dir(source()) + "sub/c.txt<br>copie OK : " +
                           Dir(source()) + "a.txt<br>copie OK : " + Dir(source()) + "b.txt<br>"),
              std::string::npos);

    // The exchange ends on the reply to "quit": no stray "." line reaches the server.
    const auto commands = server.commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "quit");
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "."), 0);

    // Nothing changed: the update-only run copies nothing and still reports.
    const Outcome again = run({"DOCS", "/I"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    ASSERT_TRUE(server.has("message-2.eml"));
    EXPECT_EQ(Header(server.file("message-2.eml"), "Subject"),
              "Sauve DOCS : 0 faits sur 16 parcourus (0 octets).");
    EXPECT_EQ(Outcomes(read("erreurs.log")),
              (std::vector<std::string>{"MAIL ACCEPTE", "MAIL ACCEPTE"}));
}

TEST_F(BackupRun, TheFirstRunOfANewNameLeavesATemplateAndSendsNothing) {
    const Outcome outcome = run({"NOUVEAU /I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(read("quorvel.ini"), "[NOUVEAU]\nNombre=0\nde=\nvers=\nextension=\nstatut=D\n");
    const auto lines = Lines(read("erreurmail.log"));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d   =>  )"
                                                      R"(la SECTION choisie n'a pas été )"
                                                      R"(programmée !\r)")))
        << lines[0];
    EXPECT_FALSE(fs::exists(folder_.file("erreurs.log")));
}

TEST_F(BackupRun, TheDestinationIsMadeUpToItsLastSeparatorEvenWithoutASource) {
    const fs::path levels = folder_.path() / "un" / "deux" / "trois";
    settings("[V]\nvers=" + levels.string() + "\n");
    const Outcome outcome = run({"V", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(fs::is_directory(levels.parent_path()));
    EXPECT_FALSE(fs::exists(levels));
    // Then a procedure without source: its line, no mail.
    EXPECT_EQ(Lines(read("erreurmail.log")).size(), 1U);
    EXPECT_FALSE(fs::exists(folder_.file("erreurs.log")));
}

TEST_F(BackupRun, ASourceWithoutADestinationCopiesNothingIntoTheWorkingFolder) {
    // The scheduler's working folder holds a file named like one of the source's.
    const fs::path work = folder_.path() / "travail";
    fs::create_directories(work);
    testsupport::WriteBytes(work / "a.txt", "le mien");
    settings("[SANSVERS]\nde=" + Dir(source()) + "\nvers=\nextension=*.*\nstatut=DR\n");
    const Outcome outcome = run({"SANSVERS", "/I"}, work);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(work), {}), 1);
    EXPECT_EQ(testsupport::ReadBytes(work / "a.txt"), "le mien");
    EXPECT_FALSE(fs::exists(folder_.file("erreurs.log"))); // no mail
    const auto lines = Lines(read("erreurmail.log"));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_TRUE(
        std::regex_match(lines[0], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d   =>  )"
                                              R"(la destination n'est pas programmée !\r)")))
        << lines[0];
}

TEST_F(BackupRun, AGroupRunsItsMembersInOrderEachWithItsOwnMail) {
    const testsupport::SmtpServer server;
    settings(serverSection(server) + "[GROUPE]\nNombre=2\nSection1=UN\nSection2=DEUX\n\n" +
             procedure("UN") + procedure("DEUX", "", "R"));

    const Outcome outcome = run({"GROUPE", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(Outcomes(read("erreurs.log")),
              (std::vector<std::string>{"MAIL ACCEPTE", "MAIL ACCEPTE"}));
    EXPECT_EQ(Header(server.file("message-1.eml"), "Subject"),
              "Sauve UN: 4 faits sur 16 parcourus (600 octets).");
    // Without "D" every file is copied again; the folder exists already.
    EXPECT_EQ(Header(server.file("message-2.eml"), "Subject"),
              "Sauve DEUX: 3 faits sur 16 parcourus (600 octets).");
    // The second report counts the second copy alone.
    EXPECT_NE(server.file("message-2.eml")
                  .find("cr&eacute;&eacute;s : <b>0</b><br>                  Nb fichiers "
                        "parcourus : <b>3</b><br>                  Volumes copi&eacute;s : "
                        "<b>600</b><br>                  Nb fichiers &agrave; jour : <b>0</b><br>"
                        "                  Nb r&eacute;pertoires cr&eacute;&eacute;s : <b>0</b>"),
              std::string::npos);
    // The group's own section is not a procedure: nothing of one is written into it.
    const std::string ini = read("quorvel.ini");
    EXPECT_NE(ini.find("[GROUPE]\nNombre=2\nSection1=UN\nSection2=DEUX\n\n"), std::string::npos);
}

TEST_F(BackupRun, TheMemberCountRoundsHalvesToEvenAndMissingMembersRunEmpty) {
    struct Case {
        std::string nombre;
        std::size_t mails;
        std::size_t withoutSource;
    };
    for (const Case& c : {Case{"2.5", 2, 0}, Case{"3.5", 3, 1}}) {
        const testsupport::SmtpServer server;
        settings(serverSection(server) + "[G]\nNombre=" + c.nombre +
                 "\nSection1=UN\nSection2=UN\nSection3=UN\n\n" + procedure("UN"));
        fs::remove(folder_.file("erreurs.log"));
        fs::remove(folder_.file("erreurmail.log"));

        const Outcome outcome = run({"G", "/I"});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(Outcomes(read("erreurs.log")).size(), c.mails) << c.nombre;
        EXPECT_EQ(Lines(read("erreurmail.log")).size(), c.withoutSource) << c.nombre;
        EXPECT_EQ(read("quorvel.ini").find("Section4=\n") != std::string::npos,
                  c.withoutSource == 1)
            << c.nombre;
    }
}

TEST_F(BackupRun, AMemberCountBeyondSixteenBitsStopsBeforeAnythingRuns) {
    for (const std::string nombre : {"40000", "32767.5", "-32769"}) {
        const std::string ini = "[G]\nNombre=" + nombre + "\nSection1=UN\n\n" + procedure("UN");
        settings(ini);
        const Outcome outcome = run({"G", "/I"});
        EXPECT_EQ(outcome.exitCode, 1) << nombre;
        // The name keeps the blank left before "/I".
        EXPECT_EQ(outcome.err, "Erreur d'exécution 6 : Dépassement de capacité (Nombre=" + nombre +
                                   " dans [G ])\n");
        EXPECT_EQ(read("quorvel.ini"), ini);
        EXPECT_FALSE(fs::exists(destination()));
        EXPECT_FALSE(fs::exists(folder_.file("erreurmail.log")));
    }
}

TEST_F(BackupRun, NoMailUnlessEnvoiMailIsExactlyOK) {
    // No server section: the mail is prepared with the defaults, which are never contacted.
    settings(procedure("DOCS", "Envoi MAIL=ok"));
    const Outcome outcome = run({"DOCS", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(fs::exists(destination() / "sub" / "c.txt"));
    EXPECT_FALSE(fs::exists(folder_.file("erreurs.log")));
    EXPECT_FALSE(fs::exists(folder_.file("erreurmail.log")));
    EXPECT_TRUE(
        read("quorvel.ini")
            .ends_with("Envoi MAIL=ok\nNombre=0\n\n[Serveur MAIL]\nIP=192.168.1.25\nPORT=25\n"
                       "Mail From=quorvel@example.com\n"))
        << read("quorvel.ini");
}

TEST_F(BackupRun, ALowerCaseNeantIsAnOrdinaryDestinationAndItsFailuresAreMailed) {
    const testsupport::SmtpServer server;
    settings(serverSection(server) + "[X]\nde=" + Dir(source()) +
             "\nvers=neant-absent/\nextension=*.txt\nstatut=R\n");
    const Outcome outcome = run({"X", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(Outcomes(read("erreurs.log")), std::vector<std::string>{"MAIL ACCEPTE"});
    const std::string message = server.file("message-1.eml");
    EXPECT_NE(message.find(" Fichier " + Dir(source()) + "a.txt\t"), std::string::npos);
    // The mail carries one byte a character (Windows-1252).
    EXPECT_NE(message.find(" R\xe9pertoire neant-absent/sub\t"), std::string::npos);
    // The defaults of the mail settings were written back on the way, in the order read.
    EXPECT_TRUE(
        read("quorvel.ini")
            .ends_with("statut=R\nNombre=0\nMail TO=<administrateur@example.com>\nEnvoi MAIL=OK\n"))
        << read("quorvel.ini");
}

TEST_F(BackupRun, AServerThatCannotBeReachedGivesTheConnectionErrorInTheLog) {
    struct Case {
        std::string ip;
        int port;
    };
    for (const Case& c :
         {Case{"127.0.0.1", testsupport::ClosedPort()}, Case{"nom-inexistant.invalid", 25}}) {
        settings("[Serveur MAIL]\nIP=" + c.ip + "\nPORT=" + std::to_string(c.port) + "\n\n" +
                 procedure("DOCS"));
        fs::remove(folder_.file("erreurs.log"));
        const Outcome outcome = run({"DOCS", "/I"});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        const auto texts = Outcomes(read("erreurs.log"));
        ASSERT_EQ(texts.size(), 1U) << c.ip;
        EXPECT_NE(texts[0], "MAIL ACCEPTE");
        EXPECT_FALSE(texts[0].empty());
    }
}

TEST_F(BackupRun, MarkupInFolderNamesReachesTheReportAsText) {
    const fs::path odd = folder_.path() / "<b>x&y</b>";
    fs::create_directories(odd);
    testsupport::WriteBytes(odd / "<img src=x onerror=alert(1)>.txt", "z");
    const testsupport::SmtpServer server;
    settings(serverSection(server) + "[ODD]\nde=" + Dir(odd) + "\nvers=" + Dir(destination()) +
             "\nextension=*.*\nstatut=R\n");
    const Outcome outcome = run({"ODD", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string message = server.file("message-1.eml");
    EXPECT_NE(message.find("&lt;b&gt;x&amp;y&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(message.find("&lt;img src=x onerror=alert(1)&gt;.txt<br>"), std::string::npos);
    EXPECT_EQ(message.find("<img"), std::string::npos);
    EXPECT_EQ(message.find("<b>x&y"), std::string::npos);
}

TEST_F(BackupRun, AFileOverTheFileSizeLimitIsAnErrorLineAndTheRunGoesOn) {
    testsupport::WriteBytes(source() / "gros.bin", std::string(std::size_t{200} * 1024, 'g'));
    const testsupport::SmtpServer server;
    settings(serverSection(server) + procedure("DOCS", "", "R"));
    // On one CPU the window thread copies the data itself: the limit's signal is its own.
    const Outcome outcome = e2e::Run({"/usr/bin/taskset", "-c", "0", "/usr/bin/prlimit",
                                      "--fsize=65536", folder_.program().string(), "DOCS", "/I"},
                                     folder_.environment());
    ASSERT_EQ(outcome.exitCode, 0) << "signal " << outcome.signal << " " << outcome.err;
    EXPECT_FALSE(fs::exists(destination() / "gros.bin"));
    EXPECT_EQ(testsupport::ReadBytes(destination() / "sub" / "c.txt"), std::string(300, 'c'));
    EXPECT_EQ(Outcomes(read("erreurs.log")), std::vector<std::string>{"MAIL ACCEPTE"});
    EXPECT_NE(server.file("message-1.eml")
                  .find(" Fichier " + Dir(source()) + "gros.bin\tDisque plein<br>"),
              std::string::npos);
}

std::string WithoutLineEnds(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

TEST_F(BackupRun, ALargeReportAndAnyFileNameReachAServerThatDemandsPathsWhole) {
    const fs::path many = folder_.path() / "many";
    fs::create_directories(many);
    // A name that, sent as it stands, would end the data and bring commands of its own.
    testsupport::WriteBytes(many / "a\n.\r\nRSET\r\nMAIL FROM:<x@example.com>\r.\rz.txt", "z");
    std::string list =
        "copie OK : " + Dir(many) + "a\n.\r\nRSET\r\nMAIL FROM:&lt;x@example.com&gt;\r.\rz.txt<br>";
    for (int i = 0; i < 800; ++i) {
        const std::string name = "f" + std::to_string(1000 + i) + ".txt";
        testsupport::WriteBytes(many / name, "z");
        list += "copie OK : " + Dir(many) + name + "<br>";
    }
    ASSERT_GT(list.size(), 30000U);
    const testsupport::SmtpServer server({"--strict-paths"});
    settings("[Serveur MAIL]\nIP=127.0.0.1\nPORT=" + std::to_string(server.port()) +
             "\nMail From=Quorvel <quorvel@example.com>\n\n[M]\nde=" + Dir(many) + "\nvers=" +
             Dir(destination()) + "\nextension=*.*\nMail TO=a@example.com;b@example.com\n");

    const Outcome outcome = run({"M", "/I"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(Outcomes(read("erreurs.log")), std::vector<std::string>{"MAIL ACCEPTE"});
    EXPECT_EQ(server.file("message-1.envelope"),
              "from: quorvel@example.com\nto: a@example.com\nto: b@example.com\n");
    EXPECT_EQ(server.commands(),
              (std::vector<std::string>{"ehlo tramik", "mail from: <quorvel@example.com>",
                                        "rcpt to: <a@example.com>", "rcpt to: <b@example.com>",
                                        "data", "quit"}));

    // No lone CR or LF on the wire, no line beyond 1000 octets with its CR LF.
    const std::string raw = server.file("message-1.raw");
    for (std::size_t i = 0; i < raw.size(); ++i) {
        ASSERT_EQ(raw[i] == '\r', i + 1 < raw.size() && raw[i + 1] == '\n') << i;
        ASSERT_EQ(raw[i] == '\n', i > 0 && raw[i - 1] == '\r') << i;
    }
    const std::string message = server.file("message-1.eml");
    for (const std::string& line : Lines(message)) {
        ASSERT_LE(line.size(), 999U) << line; // with its CR
    }
    // The report after the header block's empty line, the same once the line ends are out.
    const std::size_t body = message.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    const std::string report = WithoutLineEnds(message.substr(body));
    EXPECT_TRUE(report.starts_with("<!DOCTYPE HTML PUBLIC")) << report.substr(0, 100);
    EXPECT_TRUE(report.ends_with("</font></body></html>")) << report.substr(report.size() - 100);
    EXPECT_NE(report.find(WithoutLineEnds(list.substr(0, 30000)) + "&nbsp;</font></td>"),
              std::string::npos);
}

TEST_F(BackupRun, EachWayAServerEndsTheExchangeGivesItsOneOutcomeAtOnce) {
    struct Case {
        std::vector<std::string> modes;
        std::string outcome;
    };
    const Case cases[] = {
        {{"--reply", "EHLO=502 5.5.2 EHLO not implemented"}, "502 5.5.2 EHLO not implemented"},
        {{"--reply-close", "MAIL=554 5.7.1 sender refused"}, "554 5.7.1 sender refused"},
        {{"--reply-close", "QUIT=221 bye"}, "MAIL ACCEPTE"},
        {{"--bare-lf", "--split"}, "MAIL ACCEPTE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modes.back());
        const testsupport::SmtpServer server(c.modes);
        settings(serverSection(server) + procedure("DOCS"));
        fs::remove(folder_.file("erreurs.log"));
        // The run's own bound is five minutes: well before that, it must have ended.
        const Outcome outcome =
            e2e::Run({folder_.program().string(), "DOCS", "/I"}, folder_.environment(), 20s);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(Outcomes(read("erreurs.log")), std::vector<std::string>{c.outcome});
    }
}

TEST_F(BackupRun, AVisibleRunShowsItsProgressAndTheCloseBoxEndsTheWait) {
    // A server that never answers keeps the run waiting for its mail.
    const testsupport::SmtpServer server({"--hang-on", "CONNECT"});
    settings(serverSection(server) + procedure("DOCS"));
    const TmuxSession session({folder_.program().string(), "DOCS"}, folder_.environment());
    ASSERT_TRUE(WaitFor([&] {
        return Squeeze(session.screen()).find("Envoie du MAIL à") != std::string::npos;
    })) << session.screen();
    const std::string screen = Squeeze(session.screen());
    EXPECT_NE(screen.find("600 Octets"), std::string::npos) << screen;
    EXPECT_NE(screen.find(Dir(source())), std::string::npos) << screen;
    EXPECT_FALSE(session.status().has_value());

    session.sendKeys("C-c");
    ASSERT_TRUE(WaitFor([&] { return session.status().has_value(); }));
    EXPECT_EQ(session.status(), 0);
    EXPECT_FALSE(fs::exists(folder_.file("erreurs.log")));
    EXPECT_TRUE(fs::exists(destination() / "sub" / "c.txt"));
}

} // namespace
