#include "EngineTest.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <thread>
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

// Many files copied on threads, the process killed at moments spread over the copy: every
// name in the destination holds its old copy or the whole new one. A copy that replaces an
// old one goes under a temporary name for the moment of the rename: one ended there leaves
// a whole copy beside the old one.
TEST_F(Engine, ManyCopiesEndedAtAnyMomentLeaveOnlyWholeFiles) {
    const auto content = [](int f) {
        return std::string(static_cast<std::size_t>(f == 0 ? 20U << 20 : 1 + f * 1021 % 60000),
                           char('a' + f % 26));
    };
    for (int f = 0; f < 300; ++f) {
        t.write("src/d" + std::to_string(f % 6) + "/f" + std::to_string(f), content(f));
    }
    Module7::testing::SetCopyingThreads(4);
    int cut = 0;
    for (const int ms : {2, 5, 10, 20, 40, 80}) {
        std::filesystem::remove_all(t.path("dst"));
        for (int f = 0; f < 300; f += 7) {
            t.write("dst/d" + std::to_string(f % 6) + "/f" + std::to_string(f), "ancien");
        }
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Run(t.folder("src"), t.folder("dst"), u"*.*", u"R");
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        int whole = 0;
        for (const std::string& name : t.list("dst")) {
            if (name.ends_with("/")) {
                continue;
            }
            const std::string now = t.read("dst/" + name);
            const std::size_t slash = name.find('/');
            if (name.substr(slash, 10) == "/.quorvel-") {
                bool any = false;
                for (int f = std::stoi(name.substr(1, slash - 1)); f < 300; f += 6) {
                    any = any || now == content(f);
                }
                EXPECT_TRUE(any) << name;
                continue;
            }
            const int f = std::stoi(name.substr(slash + 2));
            ASSERT_EQ(name, "d" + std::to_string(f % 6) + "/f" + std::to_string(f));
            EXPECT_TRUE(now == content(f) || (f % 7 == 0 && now == "ancien")) << name;
            whole += now == content(f) ? 1 : 0;
        }
        cut += whole < 300 ? 1 : 0;
    }
    Module7::testing::SetCopyingThreads(std::nullopt);
    EXPECT_GT(cut, 0) << "no copy was ever ended midway";
}

// A source file named like a temporary file of an ended process is copied like any other and
// stays when a later run replaces a file of its folder, which removes what an ended copy
// did leave there (a file with the mark of a temporary one).
TEST_F(Engine, AFileNamedLikeALeftoverIsCopiedAndStays) {
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string named = ".quorvel-" + std::to_string(ended) + "-1.tmp";
    const std::string left = ".quorvel-" + std::to_string(ended) + "-2.tmp";
    t.write("src/sous/" + named, "un fichier de la source");
    t.write("src/sous/a.txt", "v1");
    t.setTime("src/sous/a.txt", 1'600'000'000);
    RunSrc(u"*.*", u"DR");
    t.write("dst/sous/" + left, "reste d'une copie interrompue");
    ::chmod(t.path("dst/sous/" + left).c_str(), 01644);
    t.write("src/sous/a.txt", "v2");
    const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"DR");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.nCopies, 1);
    EXPECT_EQ(t.read("dst/sous/a.txt"), "v2");
    EXPECT_EQ(t.list("dst/sous"), (std::set<std::string>{named, "a.txt"}));
    EXPECT_EQ(t.read("dst/sous/" + named), "un fichier de la source");
}

} // namespace
