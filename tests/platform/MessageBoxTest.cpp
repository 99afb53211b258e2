#include "forms/MessageBox.h"

#include "forms/EventLoop.h"
#include "vb/App.h"
#include "vb/Descriptor.h"
#include "vb/Encoding.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

class Recorder final : public forms::TerminalDevice {
public:
    void write(std::string_view bytes) override { out += bytes; }
    forms::TerminalSize size() const override { return {40, 24}; }
    void setEcho(bool) override {}
    std::string out;
};

class Remember final : public forms::MessageBoxHost {
public:
    int ask(const forms::MessageBoxText& box) override {
        seen = box;
        return forms::vbOK;
    }
    forms::MessageBoxText seen;
};

TEST(MessageBox, ATerminalBoxWaitsForEnterEscapeOrAClickOnItsButton) {
    auto& loop = forms::EventLoop::instance();
    loop.reset();
    // What is typed, and what must be left unread once the box is answered. The cursor
    // report puts the box's last line on row 9, so its button line is row 8, columns 4-9.
    const struct {
        std::string typed;
        std::string left;
    } cases[] = {
        {"ab\r", "Z"},
        {"\x1b", ""},
        {"\x1b[10;1R\x1b[<0;1;8M\x1b[<0;1;8m\x1b[<0;5;9m\x1b[<0;5;8M\x1b[<0;5;8m", "Z"},
    };
    for (const auto& c : cases) {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        const vb::Descriptor in(fds[0]);
        vb::Descriptor out(fds[1]);
        const std::string bytes = c.typed + c.left;
        ASSERT_EQ(::write(out.get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
        // Should the box miss its answer, the end of the input ends the wait instead.
        bool gaveUp = false;
        const auto guard = loop.addTimer(std::chrono::seconds(5), [&] {
            gaveUp = true;
            out.reset();
        });
        Recorder terminal;
        forms::TerminalMessageBox box(terminal, in.get());
        EXPECT_EQ(box.ask({u"Sauver ?", u"test"}), forms::vbOK);
        loop.removeTimer(guard);
        EXPECT_FALSE(gaveUp) << c.typed;
        out.reset();
        std::string rest(8, '\0');
        const ssize_t n = ::read(in.get(), rest.data(), rest.size());
        EXPECT_EQ(rest.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0), c.left) << c.typed;
        EXPECT_NE(terminal.out.find("┌─ test ───┐"), std::string::npos);
        EXPECT_NE(terminal.out.find("│ Sauver ? │"), std::string::npos);
        EXPECT_NE(terminal.out.find("│  [ OK ]  │"), std::string::npos);
        EXPECT_EQ(terminal.out.substr(terminal.out.size() - 8), "\r\x1b[4A\x1b[J"); // erased
    }
    loop.reset();

    Remember host;
    forms::SetMessageBoxHost(&host);
    EXPECT_EQ(forms::MsgBox(u"Texte"), forms::vbOK);
    forms::SetMessageBoxHost(nullptr);
    EXPECT_EQ(host.seen.Prompt, u"Texte");
    EXPECT_EQ(host.seen.Title, vb::App().EXEName);
}

} // namespace
