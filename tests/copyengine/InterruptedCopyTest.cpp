#include "EngineTest.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using enginetest::Engine;

// Whether the process `pid` holds a file open whose path starts with `prefix`.
bool HoldsFileIn(pid_t pid, const std::string& prefix) {
    std::error_code ec;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, ec)) {
        const auto target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (!ec && target.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

TEST_F(Engine, ACopyEndedMidwayNeverLeavesAPartialFileUnderItsName) {
    std::string big(96U << 20, '\0');
    for (std::size_t i = 0; i < big.size(); i += 4096) {
        big[i] = static_cast<char>(1 + i / 4096 % 250);
    }
    t.write("src/gros.bin", big);
    const std::string old = "ancienne copie";
    bool caught = false;
    for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
        t.write("dst/gros.bin", old);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
            ::_exit(0);
        }
        int status = 0;
        bool ended = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!ended && std::chrono::steady_clock::now() < deadline) {
            if (HoldsFileIn(pid, t.path("dst") + "/")) {
                ::kill(pid, SIGKILL);
                caught = true;
                break;
            }
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
        }
        if (!ended) {
            ::waitpid(pid, &status, 0);
        }
        const std::string now = t.read("dst/gros.bin");
        EXPECT_TRUE(now == old || now == big) << "partial copy of " << now.size() << " bytes";
        EXPECT_EQ(t.list("dst"), std::set<std::string>{"gros.bin"});
    }
    EXPECT_TRUE(caught) << "the copy was never caught midway";
}

} // namespace
