#include "forms/MessageBox.h"

#include "forms/Control.h"
#include "forms/EventLoop.h"
#include "forms/TerminalInput.h"
#include "forms/TextLayout.h"
#include "vb/App.h"
#include "vb/Encoding.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unistd.h>
#include <vector>

namespace forms {

namespace {

MessageBoxHost* gHost = nullptr;

class StandardErrorBox final : public MessageBoxHost {
public:
    int ask(const MessageBoxText& box) override {
        // Its own line breaks kept, and nothing else of the text acting on a terminal.
        std::string line = vb::ToTerminal(box.Title + u":");
        const char* separator = " ";
        for (const vb::String& part : WrapCaption(box.Prompt, vb::String::npos)) {
            line += separator + vb::ToTerminal(part);
            separator = "\n";
        }
        line += "\n";
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

// Reads the answer out of what is typed: Enter, a blank, Escape, or a release of the left
// button over the box's button (where the box lies comes from the terminal's report of the
// cursor position, asked for once it is drawn).
class AnswerReader {
public:
    explicit AnswerReader(const Drawing& drawing) : drawing_(drawing) {}

    bool answers(const TerminalEvent& event) {
        switch (event.kind) {
        case TerminalEvent::Kind::Key:
            return event.key == '\r' || event.key == '\n' || event.key == ' ' ||
                   event.key == '\x1b';
        case TerminalEvent::Kind::CursorReport:
            // The cursor sits below the box, whose button line is the last but one.
            buttonRow_ = event.row - 2;
            return false;
        case TerminalEvent::Kind::Release:
            return event.button == LeftButton && buttonRow_ > 0 && event.row == buttonRow_ &&
                   event.column >= drawing_.buttonFirst && event.column <= drawing_.buttonLast;
        case TerminalEvent::Kind::End:
            return true; // input gone: nobody is left to answer
        default:
            return false;
        }
    }

private:
    const Drawing& drawing_;
    int buttonRow_ = 0;
};

} // namespace

int TerminalMessageBox::ask(const MessageBoxText& box) {
    const Drawing drawing = Draw(box, device_.size().columns);
    std::string frame = "\r";
    for (const auto& line : drawing.lines) {
        frame += vb::ToTerminal(line) + "\x1b[K\r\n";
    }
    const int linesDrawn = static_cast<int>(drawing.lines.size());
    device_.write(frame);

    AnswerReader reader(drawing);
    bool answered = false;
    {
        const TerminalReading reading(input_, device_, [&](const TerminalEvent& event) {
            answered = answered || reader.answers(event);
        });
        device_.write("\x1b[6n");
        EventLoop& loop = EventLoop::instance();
        while (!answered && loop.waitEvents()) {
        }
    }
    device_.write("\r\x1b[" + std::to_string(linesDrawn) + "A\x1b[J");
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
