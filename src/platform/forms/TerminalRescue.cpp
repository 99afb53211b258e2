#include "forms/TerminalRescue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace forms {

namespace {

constexpr std::size_t kUndoBytes = 64;
constexpr std::size_t kModes = 3;
// Terminals whose settings are held at once: one in practice.
constexpr std::size_t kTerminals = 4;
constexpr int kTerminalWaitMs = 500;

struct Undo {
    int fd = -1;
    std::size_t length = 0;
    std::array<char, kUndoBytes> bytes{};
};

struct Settings {
    int fd = -1;
    termios saved{};
};

struct Snapshot {
    std::array<Undo, kModes> undo{};
    std::array<Settings, kTerminals> settings{};
};

// Two snapshots: a change is made on the one the handler does not read, then published,
// so that a signal at any moment finds a whole one.
std::array<Snapshot, 2> gSnapshots{};
std::atomic<int> gPublished{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// A terminal that takes nothing for a while is left as it is: a handler that waited on it
// for ever would keep the process from ending.
void WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        pollfd writable{fd, POLLOUT, 0};
        const int ready = ::poll(&writable, 1, kTerminalWaitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return;
        }
        const ssize_t n = ::write(fd, bytes, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // a terminal gone away (a hang-up) takes nothing more
        }
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
}

constexpr int kEnding[] = {SIGTERM, SIGHUP, SIGQUIT};
// None of these handlers interrupts another.
constexpr int kHandled[] = {SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT};

// Set when the process goes on after a stop: the shell had the terminal meanwhile.
std::atomic<bool> gContinued{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void SetDisposition(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int blocked : kHandled) {
        sigaddset(&action.sa_mask, blocked);
    }
    action.sa_flags = handler == SIG_DFL ? 0 : SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

extern "C" void OnEndingSignal(int signal) {
    RescueTerminal();
    SetDisposition(signal, SIG_DFL);
    // Blocked while this handler runs: it ends the process once the handler returns, so
    // that the sender sees the status it expects.
    ::raise(signal);
}

extern "C" void OnStop(int) {
    const int saved = errno;
    RescueTerminal();
    // Stops here, as the default action does, so that the shell sees the job stopped.
    // (A process whose group has no shell left to continue it is not stopped: the
    // terminal is then taken again at once.)
    SetDisposition(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    ::raise(SIGTSTP);
    ::sigprocmask(SIG_BLOCK, &stop, nullptr);
    SetDisposition(SIGTSTP, &OnStop);
    gContinued = true;
    errno = saved;
}

// Also after a stop the program did not see coming (SIGSTOP, say).
extern "C" void OnContinue(int) {
    gContinued = true;
}

std::vector<void (*)()>& ContinueHooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}

void InstallHandlers() {
    static const bool installed = [] {
        const auto install = [](int signal, void (*handler)(int)) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
                (current.sa_flags & SA_SIGINFO) == 0) {
                SetDisposition(signal, handler);
            }
        };
        for (const int signal : kEnding) {
            install(signal, &OnEndingSignal);
        }
        install(SIGTSTP, &OnStop);
        install(SIGCONT, &OnContinue);
        return true;
    }();
    (void)installed;
}

template <typename Change> void Publish(Change change) {
    const int published = gPublished.load();
    const int next = published == 0 ? 1 : 0;
    gSnapshots[next] = published < 0 ? Snapshot{} : gSnapshots[published];
    change(gSnapshots[next]);
    gPublished.store(next);
    InstallHandlers();
}

} // namespace

void KeepUndo(TerminalMode mode, int fd, std::string_view undo) {
    Publish([&](Snapshot& snapshot) {
        Undo& kept = snapshot.undo[static_cast<std::size_t>(mode)];
        kept.fd = fd;
        kept.length = std::min(undo.size(), kUndoBytes);
        std::copy_n(undo.begin(), kept.length, kept.bytes.begin());
    });
}

void KeepSettings(int fd, const termios* settings) {
    Publish([&](Snapshot& snapshot) {
        auto& kept = snapshot.settings;
        auto it =
            std::find_if(kept.begin(), kept.end(), [fd](const Settings& s) { return s.fd == fd; });
        if (settings == nullptr) {
            if (it != kept.end()) {
                *it = Settings{};
            }
            return;
        }
        if (it == kept.end()) {
            it = std::find_if(kept.begin(), kept.end(), [](const Settings& s) { return s.fd < 0; });
        }
        if (it != kept.end()) {
            *it = Settings{fd, *settings};
        }
    });
}

void RescueTerminal() noexcept {
    const int published = gPublished.load();
    if (published < 0) {
        return;
    }
    const Snapshot& snapshot = gSnapshots[static_cast<std::size_t>(published)];
    for (const Undo& undo : snapshot.undo) {
        if (undo.length > 0) {
            WriteAll(undo.fd, undo.bytes.data(), undo.length);
        }
    }
    for (const Settings& settings : snapshot.settings) {
        if (settings.fd >= 0) {
            ::tcsetattr(settings.fd, TCSANOW, &settings.saved);
        }
    }
}

void AtContinue(void (*hook)()) {
    ContinueHooks().push_back(hook);
}

bool ResumePending() {
    return gContinued.load();
}

bool ResumeAfterStop() {
    if (!gContinued.exchange(false)) {
        return false;
    }
    for (auto* hook : ContinueHooks()) {
        hook();
    }
    return true;
}

} // namespace forms
