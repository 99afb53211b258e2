#include "Harness.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;

namespace {

class Pipe {
public:
    Pipe() {
        if (::pipe2(fds_, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int read() const { return fds_[0]; }
    int write() const { return fds_[1]; }
    void closeRead() { Close(fds_[0]); }
    void closeWrite() { Close(fds_[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    int fds_[2] = {-1, -1};
};

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string Getenv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

ProgramFolder::ProgramFolder(std::string name) : name_(std::move(name)) {
    const std::string built = Getenv("QUORVEL_EXE");
    if (built.empty()) {
        throw std::runtime_error("QUORVEL_EXE is not set");
    }
    fs::copy_file(fs::path(built).parent_path() / name_, program());
    fs::permissions(program(), fs::perms::owner_all);
}

std::vector<std::string> ProgramFolder::environment() const {
    return {"PATH=" + Getenv("PATH"), "LANG=C.UTF-8", "WINDIR=" + path().string()};
}

Outcome Run(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            std::chrono::milliseconds timeout, const std::filesystem::path& workingFolder) {
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write(), STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    }
    std::vector<std::string> args = command;
    std::vector<std::string> env = environment;
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, args.front().c_str(), &actions, nullptr,
                                     Pointers(args).data(), Pointers(env).data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::runtime_error("cannot start " + args.front());
    }
    out.closeWrite();
    err.closeWrite();

    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd fds[2] = {{out.read(), POLLIN, 0}, {err.read(), POLLIN, 0}};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TmuxSession::TmuxSession(const std::vector<std::string>& command,
                         std::vector<std::string> environment, int columns, int rows)
    : environment_(std::move(environment)) {
    const fs::path config = folder_ / "tmux.conf";
    testsupport::WriteBytes(config, "set -g remain-on-exit on\nset -g status off\n");
    std::vector<std::string> arguments = {"-f",
                                          config.string(),
                                          "new-session",
                                          "-d",
                                          "-s",
                                          "e2e",
                                          "-x",
                                          std::to_string(columns),
                                          "-y",
                                          std::to_string(rows),
                                          "/bin/sh",
                                          "-c",
                                          R"(trap : INT; "$@"; echo $? > "$0")",
                                          (folder_ / "status").string()};
    arguments.insert(arguments.end(), command.begin(), command.end());
    tmux(arguments);
}

TmuxSession::~TmuxSession() {
    try {
        tmux({"kill-server"});
    } catch (...) {
    }
}

std::string TmuxSession::tmux(std::vector<std::string> arguments) const {
    std::vector<std::string> command = {"/usr/bin/tmux", "-u", "-S", (folder_ / "socket").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const Outcome outcome = Run(command, environment_, 10s);
    if (outcome.exitCode != 0) {
        throw std::runtime_error("tmux " + arguments.front() + ": " + outcome.err);
    }
    return outcome.out;
}

std::string TmuxSession::screen(bool colours) const {
    if (colours) {
        return tmux({"capture-pane", "-p", "-e", "-N", "-t", "e2e"});
    }
    return tmux({"capture-pane", "-p", "-t", "e2e"});
}

void TmuxSession::sendKeys(const std::string& keys) const {
    tmux({"send-keys", "-t", "e2e", keys});
}

void TmuxSession::sendBytes(const std::string& bytes) const {
    std::vector<std::string> arguments = {"send-keys", "-t", "e2e", "-H"};
    for (const unsigned char c : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", c);
        arguments.emplace_back(hex);
    }
    tmux(arguments);
}

std::string TmuxSession::format(const std::string& text) const {
    std::string out = tmux({"display-message", "-p", "-t", "e2e", text});
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

void TmuxSession::signal(int number) const {
    const std::string shell = format("#{pane_pid}");
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // "pid (name) state ppid ...": the name may hold blanks and brackets.
        const std::string stat = testsupport::ReadBytes(entry.path() / "stat").value_or("");
        const std::size_t name = stat.rfind(')');
        std::istringstream fields(stat.substr(name == std::string::npos ? stat.size() : name + 1));
        std::string state;
        std::string parent;
        if (fields >> state >> parent && parent == shell) {
            ::kill(std::stoi(pid), number);
            return;
        }
    }
    throw std::runtime_error("no command under the pane's shell");
}

std::optional<int> TmuxSession::status() const {
    const auto text = testsupport::ReadBytes(folder_ / "status");
    if (!text || text->empty() || text->back() != '\n') {
        return std::nullopt;
    }
    return std::stoi(*text);
}

bool TmuxSession::dead() const {
    return tmux({"display-message", "-p", "-t", "e2e", "#{pane_dead}"}) == "1\n";
}

std::string Squeeze(const std::string& text) {
    std::string squeezed;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            blank = !squeezed.empty();
            continue;
        }
        if (blank) {
            squeezed += ' ';
            blank = false;
        }
        squeezed += c;
    }
    return squeezed;
}

} // namespace e2e
