#include "support/Child.h"
#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/Descriptor.h"
#include "vb/Encoding.h"
#include "win32/Profile.h"
#include "win32/ProfileFile.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

using testsupport::NameOf;

vb::String Text(const std::string& ascii) {
    return vb::FromAscii(ascii);
}

// Runs `work` in a child process; its result is the child's exit status.
pid_t Spawn(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(work());
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return status;
}

// Writers started at one moment, each adding its keys to a shared section and to one of
// its own: none may lose another's. Each runs `become` first, false when it cannot go on.
void WritersAtTheSameMoment(const std::filesystem::path& path,
                            const std::function<bool(int)>& become) {
    constexpr int kWriters = 6;
    constexpr int kKeys = 30;
    const vb::String file = NameOf(path);
    WriteBytes(path, "; commun\n[Commun]\ndepart=1\n");

    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    children.reserve(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(Spawn([&, w] {
            ::close(gate[1]);
            if (!become(w)) {
                return 3;
            }
            char byte = 0;
            if (::read(gate[0], &byte, 1) != 0) { // all start when the gate closes
                return 2;
            }
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
                const std::string own = "Ecrivain" + std::to_string(w);
                if (!win32::WritePrivateProfileString(u"Commun", Text(key), Text("v" + key),
                                                      file) ||
                    !win32::WritePrivateProfileString(Text(own), Text(key), Text(key), file)) {
                    return 1;
                }
            }
            return 0;
        }));
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : children) {
        const int status = WaitFor(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    vb::String got;
    win32::GetPrivateProfileString(u"Commun", u"depart", u"", got, 600, file);
    EXPECT_EQ(got, u"1");
    int missing = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
            win32::GetPrivateProfileString(u"Commun", Text(key), u"", got, 600, file);
            missing += got != Text("v" + key);
            win32::GetPrivateProfileString(Text("Ecrivain" + std::to_string(w)), Text(key), u"",
                                           got, 600, file);
            missing += got != Text(key);
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(ReadBytes(path)->rfind("; commun\n[Commun]\ndepart=1\n", 0), 0U);
}

std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

TEST(WritePrivateProfileString, WritersAtTheSameMomentKeepEachOthersKeys) {
    const TempFolder dir;
    WritersAtTheSameMoment(dir / "partage.ini", [](int) { return true; });
}

TEST(WritePrivateProfileString, InAFolderItsWritersCannotWriteTheFileIsRewrittenInPlace) {
    // A settings file given to its user in a folder that only root may write.
    const TempFolder dir;
    const auto path = dir / "partage.ini";
    const bool root = ::geteuid() == 0;
    const auto who = testsupport::Nobody();
    WriteBytes(path, "");
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), who.uid, who.gid), 0);
        ::chmod(dir.path().c_str(), 0755);
        // A lock file the unprivileged writers cannot open: they lock the file alone, while
        // root's writers take both and replace the file by a rename.
        WriteBytes(dir / "partage.ini.lock", "");
        ::chmod((dir / "partage.ini.lock").c_str(), 0600);
    } else {
        ::chmod(dir.path().c_str(), 0555);
    }
    WritersAtTheSameMoment(path, [&](int w) {
        return !root || w % 2 == 1 || (::setgid(who.gid) == 0 && ::setuid(who.uid) == 0);
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(Names(dir.path()).size(), root ? 2U : 1U); // nothing left beside the file
}

TEST(WritePrivateProfileString, FailedWriteInPlaceLeavesTheFileAsItWas) {
    // The folder refuses a temporary file, and a file-size limit stops the new content
    // midway, once part of it is over the old.
    const TempFolder dir;
    const auto path = dir / "t.ini";
    const std::string before = "[A]\nx=1\n\n[B]\ny=2\n";
    WriteBytes(path, before);
    if (::geteuid() == 0) {
        const auto who = testsupport::Nobody();
        ASSERT_EQ(::chown(path.c_str(), who.uid, who.gid), 0);
        ::chmod(dir.path().c_str(), 0755);
    } else {
        ::chmod(dir.path().c_str(), 0555);
    }
    const std::string result = testsupport::InChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{40, 40};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return win32::WritePrivateProfileString(u"A", u"nouvelle", u"une valeur trop longue",
                                                    NameOf(path))
                       ? "written"
                       : "refused";
        },
        true);
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(result, "refused");
    EXPECT_EQ(ReadBytes(path), before);
}

TEST(WritePrivateProfileString, WriteKilledBeforeTheRenameLeavesTheOldFile) {
    const TempFolder dir;
    const auto path = dir / "t.ini";
    const std::string before = "[a]\r\nx=1\r\n";
    WriteBytes(path, before);

    const pid_t killed = Spawn([&] {
        win32::testing::SetBeforeReplaceHook([] { ::raise(SIGKILL); });
        win32::WritePrivateProfileString(u"a", u"y", u"2", NameOf(path));
        return 0;
    });
    const int status = WaitFor(killed);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    EXPECT_EQ(ReadBytes(path), before);
    // Its new content had no name yet: nothing is left beside the file.
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"t.ini", "t.ini.lock"}));

    // The next writer is not held by the dead one's lock.
    const pid_t next = Spawn([&] {
        ::alarm(20);
        return win32::WritePrivateProfileString(u"a", u"z", u"3", NameOf(path)) ? 0 : 1;
    });
    const int nextStatus = WaitFor(next);
    EXPECT_TRUE(WIFEXITED(nextStatus) && WEXITSTATUS(nextStatus) == 0) << "status " << nextStatus;
    EXPECT_EQ(ReadBytes(path), "[a]\r\nx=1\r\nz=3\r\n");
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"t.ini", "t.ini.lock"}));
}

TEST(GetPrivateProfileString, ReaderWaitsForAWriteInPlaceButNotForEver) {
    const TempFolder dir;
    const auto path = dir / "t.ini";
    const vb::String file = NameOf(path);
    // A writer midway through a write in place: the file locked and half written.
    WriteBytes(path, "[A]\n");
    const vb::Descriptor writer(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);
    const auto reader = [&] {
        return Spawn([&] {
            ::alarm(30);
            vb::String got;
            win32::GetPrivateProfileString(u"A", u"k", u"absent", got, 600, file);
            return got == u"2" ? 0 : 1;
        });
    };
    const pid_t waiting = reader();
    ::usleep(200 * 1000);
    int status = 0;
    const pid_t early = ::waitpid(waiting, &status, WNOHANG);
    EXPECT_EQ(early, 0) << "the reader did not wait for the writer";
    const std::string whole = "[A]\nk=2\n";
    ASSERT_EQ(::pwrite(writer.get(), whole.data(), whole.size(), 0),
              static_cast<ssize_t>(whole.size()));
    ASSERT_EQ(::flock(writer.get(), LOCK_UN), 0);
    if (early == 0) {
        status = WaitFor(waiting);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    // A lock held for longer than any write takes does not hold the run.
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);
    status = WaitFor(reader());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

} // namespace
