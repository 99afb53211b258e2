#include "forms/TerminalDevice.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace forms {

void TtyDevice::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return; // a terminal gone away loses the picture, never the run
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

TerminalSize TtyDevice::size() const {
    winsize ws{};
    TerminalSize size;
    if (::ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        size.columns = ws.ws_col;
        size.rows = ws.ws_row;
    }
    return size;
}

void TtyDevice::setEcho(bool on) {
    if (on) {
        noEcho_.reset();
    } else if (!noEcho_) {
        noEcho_.emplace(fd_, ECHO);
    }
}

} // namespace forms
