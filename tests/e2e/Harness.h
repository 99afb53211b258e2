#pragma once
// End-to-end runs of the real quorvel executable: a temporary program folder holding a copy
// of it, a run to its end with its output, and a tmux session for runs on a terminal.

#include "support/TempFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// The program's folder of one run: a copy of a built executable (QUORVEL_EXE, or another
// one built beside it) and whatever the run leaves beside it.
class ProgramFolder {
public:
    explicit ProgramFolder(std::string name = "quorvel");
    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path program() const { return path() / name_; }
    std::filesystem::path file(const std::string& name) const { return path() / name; }
    // The environment of a run: the Windows folder inside this one.
    std::vector<std::string> environment() const;

private:
    testsupport::TempFolder folder_;
    std::string name_;
};

struct Outcome {
    int exitCode = -1; // -1 when a signal ended it
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs a program to its end (killed after `timeout`), with exactly the environment given,
// in the working folder `workingFolder` (the test's own when empty).
Outcome Run(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            std::chrono::milliseconds timeout = 30s,
            const std::filesystem::path& workingFolder = {});

// Polls `done` until it holds or `timeout` has passed; returns its last answer.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s);

// A command running in a detached tmux session on a server of its own. A small shell
// around it records its exit status (128 + n when signal n ended it); the shell catches
// SIGINT, so that the command does not inherit it ignored.
class TmuxSession {
public:
    TmuxSession(const std::vector<std::string>& command, std::vector<std::string> environment,
                int columns = 100, int rows = 30);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // The visible text of the pane, with its colours as escape sequences when asked.
    std::string screen(bool colours = false) const;
    // Keys as tmux names them ("C-c").
    void sendKeys(const std::string& keys) const;
    // Bytes as the terminal would send them (a mouse report, say).
    void sendBytes(const std::string& bytes) const;
    // Sends a signal to the command itself, not to the shell around it.
    void signal(int number) const;
    // A tmux format of the pane ("#{alternate_on}"), expanded.
    std::string format(const std::string& text) const;
    // The command's exit status once it has ended.
    std::optional<int> status() const;
    // Whether tmux has seen the pane's process end: all its output is on the screen then.
    // Its "Pane is dead" line is not a sign of that: tmux leaves it out at times.
    bool dead() const;

private:
    std::string tmux(std::vector<std::string> arguments) const;

    testsupport::TempFolder folder_; // the server's socket and configuration, the status
    std::vector<std::string> environment_;
};

// A text with every run of blanks and line ends made one blank.
std::string Squeeze(const std::string& text);

} // namespace e2e
