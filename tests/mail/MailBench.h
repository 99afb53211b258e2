#pragma once
// A Mail control on a host window, the texts of its MailEnvoye events and its protocol log.

#include "forms/Form.h"
#include "mail/Mail.h"
#include "support/Pump.h"
#include "support/SmtpServer.h"
#include "support/TempFolder.h"
#include "vb/Encoding.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace mailtest {

using Strings = std::vector<std::string>;
using Events = std::vector<vb::String>;

struct MailBench {
    forms::Form host{u"Hote"};
    Mail mail{host};
    Events events;
    testsupport::TempFolder folder;

    explicit MailBench(const testsupport::SmtpServer* server = nullptr) {
        mail.MailEnvoye = [this](vb::String& erreur) { events.push_back(erreur); };
        if (server != nullptr) {
            mail.IP = u"127.0.0.1";
            mail.PORT = server->portText();
        }
        mail.MailFROM(u"quorvel@example.com");
        mail.Subject(u"Sauve Lundi");
        mail.MailTO(u"alice@example.com");
    }

    std::filesystem::path LogTo(const std::string& name) {
        vb::String path = vb::DecodeName((folder.path() / name).string());
        mail.LOG(path);
        return folder.path() / name;
    }

    // One exchange to its end, and a moment longer so that a second outcome would show.
    Events Send() {
        const std::size_t before = events.size();
        mail.EnvoiMail();
        testsupport::PumpUntil([&] { return events.size() > before; });
        testsupport::PumpFor(std::chrono::milliseconds(100));
        return {events.begin() + static_cast<std::ptrdiff_t>(before), events.end()};
    }
};

// The texts of a protocol log after the "dd/mm/yyyy hh:nn:ss : " that each line must start
// with; a line without it is kept whole, so that a comparison fails.
inline Strings LogLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    static const std::regex dated(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d : )");
    Strings lines;
    for (std::string line; std::getline(content, line, '\n');) {
        std::smatch prefix;
        const bool ended = !line.empty() && line.back() == '\r';
        line = ended ? line.substr(0, line.size() - 1) : "unterminated: " + line;
        lines.push_back(std::regex_search(line, prefix, dated) ? prefix.suffix().str() : line);
    }
    return lines;
}

inline Strings Tail(const Strings& lines, std::size_t count) {
    return {lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())), lines.end()};
}

inline bool Contains(const Strings& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

} // namespace mailtest
