#include "forms/Interrupt.h"

#include "forms/Form.h"
#include "forms/RaiseEvent.h"
#include "forms/TerminalRescue.h"
#include "vb/Error.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace forms {

namespace {

std::atomic<int> gWriteFd{-1};
// The status Ctrl+C ends the process with (-1: none, the close box).
std::atomic<int> gEndStatus{-1};
// Set before the pipe is written: the loop looks at the pipe only then, when it does not wait.
std::atomic<bool> gPending{false};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "written from a signal handler");
// What SIGINT did before: what it does again when there is nothing to close.
struct sigaction gPrevious {};

void PreviousInterrupt() {
    if (gPrevious.sa_handler == SIG_DFL) {
        RescueTerminal(); // the process ends without its End
    }
    ::sigaction(SIGINT, &gPrevious, nullptr);
    std::raise(SIGINT);
}

extern "C" void OnInterrupt(int) {
    const int saved = errno;
    const int fd = gWriteFd.load();
    if (const int status = gEndStatus.load(); status >= 0) {
        RescueTerminal();
        ::_exit(status);
    }
    if (fd < 0 || VisibleFormCount() == 0) {
        PreviousInterrupt(); // takes effect once this handler returns
    } else {
        gPending = true;
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

InterruptAsCloseBox::InterruptAsCloseBox(std::optional<int> endStatus) {
    ::sigaction(SIGINT, nullptr, &gPrevious);
    if (gPrevious.sa_handler == SIG_IGN) {
        return; // started with SIGINT ignored (a background job): it stays so
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw vb::FromErrno(errno);
    }
    read_.reset(fds[0]);
    write_.reset(fds[1]);
    gWriteFd = write_.get();
    gEndStatus = endStatus.value_or(-1);
    watch_ = EventLoop::instance().watch(
        read_.get(), POLLIN, [this](short) { onReadable(); }, &gPending);

    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    installed_ = true;
}

InterruptAsCloseBox::~InterruptAsCloseBox() {
    if (installed_) {
        ::sigaction(SIGINT, &gPrevious, nullptr);
        gWriteFd = -1;
        gEndStatus = -1;
        EventLoop::instance().unwatch(watch_);
    }
}

void InterruptAsCloseBox::onReadable() {
    gPending = false; // a signal from now on sets it again
    char bytes[64];
    while (::read(read_.get(), bytes, sizeof bytes) > 0) {
    }
    const auto& forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        Form* form = *it;
        if (form->Visible() && form->CloseBox) {
            RaiseEvent(form->CloseBox);
            return;
        }
    }
    PreviousInterrupt();
}

} // namespace forms
