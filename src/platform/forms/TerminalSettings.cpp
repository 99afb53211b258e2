#include "forms/TerminalSettings.h"

#include "forms/TerminalRescue.h"
#include "vb/App.h"

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace forms {

namespace {

// One terminal, however many descriptors lead to it.
struct Held {
    int fd = -1;
    termios original{};
    int echo = 0;
    int character = 0;
};

std::map<dev_t, Held>& Terminals() {
    static std::map<dev_t, Held> terminals;
    return terminals;
}

bool TerminalOf(int fd, dev_t& device) {
    struct stat st {};
    if (::isatty(fd) != 1 || ::fstat(fd, &st) != 0) {
        return false;
    }
    device = st.st_rdev;
    return true;
}

void Apply(const Held& held) {
    termios mode = held.original;
    if (held.echo > 0) {
        mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    }
    if (held.character > 0) {
        mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        // Ctrl+S would hold the output, and a signal's last word with it.
        mode.c_iflag &= ~static_cast<tcflag_t>(IXON);
        mode.c_cc[VMIN] = 1;
        mode.c_cc[VTIME] = 0;
    }
    ::tcsetattr(held.fd, TCSANOW, &mode);
}

// After a stop the shell has put its own settings back.
void ApplyAll() {
    for (const auto& [device, held] : Terminals()) {
        Apply(held);
    }
}

void RestoreAll() {
    for (const auto& [device, held] : Terminals()) {
        ::tcsetattr(held.fd, TCSANOW, &held.original);
        KeepSettings(held.fd, nullptr);
    }
    Terminals().clear();
}

} // namespace

TerminalSettingHold::TerminalSettingHold(int fd, tcflag_t cleared) : fd_(fd), cleared_(cleared) {
    dev_t device = 0;
    if (!TerminalOf(fd, device)) {
        return;
    }
    auto& terminals = Terminals();
    auto it = terminals.find(device);
    if (it == terminals.end()) {
        Held held;
        held.fd = fd;
        if (::tcgetattr(fd, &held.original) != 0) {
            return;
        }
        static const bool hooked = [] {
            vb::AtEnd(&RestoreAll);
            AtContinue(&ApplyAll);
            return true;
        }();
        (void)hooked;
        it = terminals.emplace(device, held).first;
        KeepSettings(fd, &held.original);
    }
    ++((cleared_ & ICANON) != 0 ? it->second.character : it->second.echo);
    Apply(it->second);
    held_ = true;
}

TerminalSettingHold::~TerminalSettingHold() {
    dev_t device = 0;
    if (!held_ || !TerminalOf(fd_, device)) {
        return;
    }
    auto& terminals = Terminals();
    const auto it = terminals.find(device);
    if (it == terminals.end()) {
        return;
    }
    Held& held = it->second;
    --((cleared_ & ICANON) != 0 ? held.character : held.echo);
    if (held.echo == 0 && held.character == 0) {
        ::tcsetattr(held.fd, TCSANOW, &held.original);
        KeepSettings(held.fd, nullptr);
        terminals.erase(it);
    } else {
        Apply(held);
    }
}

} // namespace forms
