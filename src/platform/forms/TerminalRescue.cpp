#include "forms/TerminalRescue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <unistd.h>

namespace forms {

namespace {

constexpr std::size_t kUndoBytes = 64;
constexpr std::size_t kModes = 3;
// Terminals whose settings are held at once: one in practice.
constexpr std::size_t kTerminals = 4;

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

void WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
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

extern "C" void OnEndingSignal(int signal) {
    RescueTerminal();
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    // Blocked while this handler runs: it ends the process once the handler returns, so
    // that the sender sees the status it expects.
    ::raise(signal);
}

void InstallHandlers() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = &OnEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGTERM);
        sigaddset(&action.sa_mask, SIGHUP);
        sigaddset(&action.sa_mask, SIGQUIT);
        for (const int signal : {SIGTERM, SIGHUP, SIGQUIT}) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
                (current.sa_flags & SA_SIGINFO) == 0) {
                ::sigaction(signal, &action, nullptr);
            }
        }
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

} // namespace forms
