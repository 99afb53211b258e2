#include "forms/MessageBox.h"

#include "forms/EventLoop.h"
#include "forms/TextLayout.h"
#include "vb/App.h"
#include "vb/Encoding.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace forms {

namespace {

MessageBoxHost* gHost = nullptr;

class StandardErrorBox final : public MessageBoxHost {
public:
    int ask(const MessageBoxText& box) override {
        const std::string line = vb::ToUtf8(box.Title + u": " + box.Prompt) + "\n";
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        return vbOK;
    }
};

// Character mode on a terminal for as long as the box shows: keys arrive one by one,
// unechoed.
class CharacterMode {
public:
    explicit CharacterMode(int fd) : fd_(fd) {
        termios mode{};
        if (::tcgetattr(fd, &mode) != 0) {
            return;
        }
        saved_ = mode;
        mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        mode.c_cc[VMIN] = 1;
        mode.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &mode);
    }
    ~CharacterMode() {
        if (saved_) {
            ::tcsetattr(fd_, TCSANOW, &*saved_);
        }
    }
    CharacterMode(const CharacterMode&) = delete;
    CharacterMode& operator=(const CharacterMode&) = delete;

private:
    int fd_;
    std::optional<termios> saved_;
};

bool MoreInput(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

constexpr vb::StringView kButton = u"[ OK ]";

struct Drawing {
    std::vector<vb::String> lines;
    int buttonFirst = 0; // 1-based columns of the button on its line
    int buttonLast = 0;
};

Drawing Draw(const MessageBoxText& box, int columns) {
    const auto wrapAt = static_cast<std::size_t>(std::max(columns - 6, 10));
    const std::vector<vb::String> text = WrapCaption(box.Prompt, wrapAt);
    std::size_t width = std::max(kButton.size(), box.Title.size() + 2);
    for (const auto& line : text) {
        width = std::max(width, line.size());
    }
    Drawing d;
    vb::String top = u"┌─ " + box.Title + u' ';
    top.append(width + 3 - top.size(), u'─');
    d.lines.push_back(top + u"┐");
    for (const auto& line : text) {
        d.lines.push_back(u"│ " + line + vb::String(width - line.size(), u' ') + u" │");
    }
    const std::size_t before = (width + 2 - kButton.size()) / 2;
    const std::size_t after = width + 2 - kButton.size() - before;
    d.lines.push_back(u"│" + vb::String(before, u' ') + vb::String(kButton) +
                      vb::String(after, u' ') + u"│");
    d.lines.push_back(u"└" + vb::String(width + 2, u'─') + u"┘");
    d.buttonFirst = static_cast<int>(before) + 2;
    d.buttonLast = d.buttonFirst + static_cast<int>(kButton.size()) - 1;
    return d;
}

// Reads the answer out of the bytes typed: Enter, a blank, Escape, or a release of the
// left button over the box's button (mouse reports in the SGR form; where the box lies
// comes from the terminal's report of the cursor position, asked for once it is drawn).
class AnswerReader {
public:
    explicit AnswerReader(const Drawing& drawing) : drawing_(drawing) {}

    // Whether this byte answers the box; `more` tells whether further bytes wait.
    bool feed(char c, bool more) {
        if (sequence_.empty()) {
            if (c == '\r' || c == '\n' || c == ' ') {
                return true;
            }
            if (c == '\x1b') {
                sequence_ = "\x1b";
                return !more; // a lone Escape is the key itself
            }
            return false;
        }
        sequence_ += c;
        if (sequence_.size() == 2 && c != '[') {
            sequence_.clear();
            return true; // Escape followed by a key of its own
        }
        if (sequence_.size() > 2 && c >= 0x40 && c <= 0x7E) {
            const bool answered = finish(sequence_.substr(2, sequence_.size() - 3), c);
            sequence_.clear();
            return answered;
        }
        if (sequence_.size() > 32) {
            sequence_.clear();
        }
        return false;
    }

private:
    static std::vector<int> Numbers(const std::string& body) {
        std::vector<int> out{0};
        for (const char c : body) {
            if (c == ';') {
                out.push_back(0);
            } else if (c >= '0' && c <= '9' && out.back() < 100000) {
                out.back() = out.back() * 10 + (c - '0');
            }
        }
        return out;
    }

    bool finish(const std::string& body, char final) {
        const std::vector<int> n = Numbers(body);
        if (final == 'R' && n.size() == 2) {
            // The cursor sits below the box, whose button line is the last but one.
            buttonRow_ = n[0] - 2;
            return false;
        }
        if (final == 'm' && !body.empty() && body[0] == '<' && n.size() == 3 && n[0] == 0) {
            return buttonRow_ > 0 && n[2] == buttonRow_ && n[1] >= drawing_.buttonFirst &&
                   n[1] <= drawing_.buttonLast;
        }
        return false;
    }

    const Drawing& drawing_;
    std::string sequence_;
    int buttonRow_ = 0;
};

constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1000l";

} // namespace

int TerminalMessageBox::ask(const MessageBoxText& box) {
    const Drawing drawing = Draw(box, device_.size().columns);
    std::string frame = "\r";
    for (const auto& line : drawing.lines) {
        frame += vb::ToUtf8(line) + "\x1b[K\r\n";
    }
    const int linesDrawn = static_cast<int>(drawing.lines.size());
    const CharacterMode mode(input_);
    device_.write(frame + std::string(kMouseOn) + "\x1b[6n");

    AnswerReader reader(drawing);
    bool answered = false;
    EventLoop& loop = EventLoop::instance();
    const EventLoop::Id watch = loop.watch(input_, POLLIN, [&](short) {
        char c = 0;
        const ssize_t n = ::read(input_, &c, 1);
        if (n < 0 && errno == EINTR) {
            return;
        }
        // Input gone: nobody is left to answer.
        answered = answered || n <= 0 || reader.feed(c, MoreInput(input_));
    });
    while (!answered && loop.waitEvents()) {
    }
    loop.unwatch(watch);
    device_.write(std::string(kMouseOff) + "\r\x1b[" + std::to_string(linesDrawn) + "A\x1b[J");
    return vbOK;
}

void SetMessageBoxHost(MessageBoxHost* host) {
    gHost = host;
}

int MsgBox(vb::StringView prompt, vb::StringView title) {
    const MessageBoxText box{vb::String(prompt),
                             title.empty() ? vb::App().EXEName : vb::String(title)};
    if (gHost != nullptr) {
        return gHost->ask(box);
    }
    if (::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1) {
        TtyDevice device(STDOUT_FILENO);
        TerminalMessageBox terminal(device, STDIN_FILENO);
        return terminal.ask(box);
    }
    StandardErrorBox quiet;
    return quiet.ask(box);
}

} // namespace forms
