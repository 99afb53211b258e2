#pragma once
// The test SMTP server (smtp_server.py beside this file, on aiosmtpd) as a child process
// that lives as long as this object, listening on a free loopback port. What it receives
// is read back from the files it records.

#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testsupport {

class SmtpServer {
public:
    // `modes`: options of the script, such as {"--refuse-rcpt", "b@example.com"}.
    explicit SmtpServer(const std::vector<std::string>& modes = {}) {
        std::vector<std::string> arguments{"/usr/bin/python3", Script().string(), "--record",
                                           folder().string()};
        arguments.insert(arguments.end(), modes.begin(), modes.end());
        std::vector<char*> argv;
        for (std::string& a : arguments) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start the SMTP server");
        }
        waitForPort();
    }

    ~SmtpServer() { stop(); }

    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    int port() const { return port_; }
    std::u16string portText() const {
        const std::string text = std::to_string(port_);
        return {text.begin(), text.end()};
    }
    const std::filesystem::path& folder() const { return record_.path(); }

    // A recorded file, whole and byte for byte; "" when it does not exist.
    std::string file(const std::string& name) const {
        std::ifstream in(folder() / name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    bool has(const std::string& name) const { return std::filesystem::exists(folder() / name); }

    std::vector<std::string> transcript() const {
        std::vector<std::string> lines;
        std::istringstream in(file("transcript.txt"));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    // The command lines the client sent, in order, as they came.
    std::vector<std::string> commands() const { return prefixed("C: "); }
    // Those of the `number`-th connection (from 1) only.
    std::vector<std::string> commands(int number) const {
        std::vector<std::string> found;
        int connection = 0;
        for (const std::string& line : transcript()) {
            if (line == "* connect") {
                ++connection;
            } else if (connection == number && line.rfind("C: ", 0) == 0) {
                found.push_back(line.substr(3));
            }
        }
        return found;
    }
    std::vector<std::string> replies() const { return prefixed("S: "); }

private:
    static std::filesystem::path Script() {
        if (const char* overridden = std::getenv("QUORVEL_SMTP_SERVER")) {
            return overridden;
        }
        return std::filesystem::path(__FILE__).parent_path() / "smtp_server.py";
    }

    std::vector<std::string> prefixed(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : transcript()) {
            if (line.rfind(prefix, 0) == 0) {
                found.push_back(line.substr(prefix.size()));
            }
        }
        return found;
    }

    void waitForPort() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            if (const std::string text = file("port"); !text.empty()) {
                port_ = std::stoi(text);
                return;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("the SMTP server ended before listening");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        stop();
        throw std::runtime_error("the SMTP server did not start listening");
    }

    void stop() {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }

    TempFolder record_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace testsupport
