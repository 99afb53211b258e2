#include "vb/FileSystem.h"

#include "support/Child.h"
#include "support/TempTree.h"
#include "vb/Descriptor.h"
#include "vb/Error.h"
#include "vb/Files.h"
#include "vb/Folder.h"

#include <bit>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

namespace {

using testsupport::TempTree;

int ErrorNumberOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.description(), vb::DescriptionOf(e.number()));
        return e.number();
    }
    return 0;
}

// Permission bits a new file gets under the process's mask.
mode_t Masked(mode_t mode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mode & ~mask;
}

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++n;
    }
    return n;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Ends this process where a copy takes the mark off its file, just before the rename that
// would give the file the destination's name; `named` refuses nameless files (O_TMPFILE),
// as a file system without them does.
void EndBeforeTheRename(bool named) {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    const auto low = [](std::size_t arg) {
        return static_cast<std::uint32_t>(arg + (std::endian::native == std::endian::big ? 4 : 0));
    };
    const std::uint32_t nameless = named ? O_TMPFILE & ~O_DIRECTORY : 0;
    sock_filter steps[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchmod, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, low(offsetof(seccomp_data, args[1]))),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, S_ISVTX, 4, 5), // put on: go on; taken off: end
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, low(offsetof(seccomp_data, args[2]))),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, nameless, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(steps)), steps};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        ::_exit(5);
    }
}

TEST(MkDir, MakesOneLevelAndRaisesTheRuntimeNumbers) {
    TempTree t;
    t.write("fichier", "x");
    EXPECT_EQ(ErrorNumberOf([&] { vb::MkDir(t.text("neuf")); }), 0);
    EXPECT_TRUE(t.isFolder("neuf"));
    struct Case {
        std::string rel;
        int number;
    };
    const Case cases[] = {
        {"neuf", vb::err::PathFileAccess},         // exists
        {"fichier", vb::err::PathFileAccess},      // name taken by a file
        {"absent/enfant", vb::err::PathNotFound},  // parent missing
        {"fichier/enfant", vb::err::PathNotFound}, // parent is a file
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorNumberOf([&] { vb::MkDir(t.text(c.rel)); }), c.number) << c.rel;
    }

    ::chmod(t.path().c_str(), 0755);
    ::chmod(t.path("neuf").c_str(), 0555);
    const std::string refused = testsupport::InChild(
        [&] { return std::to_string(ErrorNumberOf([&] { vb::MkDir(t.text("neuf/non")); })); },
        true);
    EXPECT_EQ(refused, std::to_string(vb::err::PermissionDenied));
}

TEST(FileCopy, CopiesBytesLastWriteTimeAndPermissionBitsOverTheDestination) {
    TempTree t;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 7919) >> 5);
    }
    const std::string sources[] = {"", "court", big};
    for (const auto& bytes : sources) {
        t.write("src", bytes);
        ::chmod(t.path("src").c_str(), 0640);
        t.setTime("src", 1'234'567'890, 123'456'789);
        t.write("dst", std::string(bytes.size() + 100, 'v')); // longer old copy
        vb::FileCopy(t.text("src"), t.text("dst"));
        EXPECT_EQ(t.read("dst"), bytes);
        EXPECT_EQ(t.time("dst").tv_sec, 1'234'567'890);
        EXPECT_EQ(t.time("dst").tv_nsec, 123'456'789);
        EXPECT_EQ(ModeOf(t.path("dst")), Masked(0640));
    }
    EXPECT_EQ(t.list(""), (std::set<std::string>{"src", "dst"}));

    // A read-only copy is replaced as well.
    ::chmod(t.path("dst").c_str(), 0444);
    t.write("src", "nouveau");
    ::chmod(t.path("src").c_str(), 0755);
    vb::FileCopy(t.text("src"), t.text("dst"));
    EXPECT_EQ(t.read("dst"), "nouveau");
    EXPECT_EQ(ModeOf(t.path("dst")), Masked(0755));
}

// A disk image of 256 MiB that holds a few bytes: its copy takes no more room than it does.
TEST(FileCopy, KeepsTheHolesOfASparseFile) {
    TempTree t;
    constexpr off_t kSize = off_t{256} << 20;
    struct Part {
        off_t at;
        std::string bytes;
    };
    const Part parts[] = {{0, "debut"}, {kSize / 2, "milieu"}, {kSize - 3, "fin"}};
    // One image with data at both ends, one that starts and ends with a hole.
    for (const bool ends : {true, false}) {
        t.write("image", "");
        const vb::Descriptor fd(::open(t.path("image").c_str(), O_WRONLY));
        ASSERT_TRUE(fd);
        ASSERT_EQ(::ftruncate(fd.get(), kSize), 0);
        for (const auto& p : parts) {
            if (ends || p.at == kSize / 2) {
                ASSERT_EQ(::pwrite(fd.get(), p.bytes.data(), p.bytes.size(), p.at),
                          static_cast<ssize_t>(p.bytes.size()));
            }
        }
        struct stat source {};
        ASSERT_EQ(::fstat(fd.get(), &source), 0);
        if (source.st_blocks * 512 >= kSize) {
            GTEST_SKIP() << "the file system here keeps no holes";
        }

        vb::FileCopy(t.text("image"), t.text("copie"));
        struct stat copy {};
        ASSERT_EQ(::stat(t.path("copie").c_str(), &copy), 0);
        EXPECT_EQ(copy.st_size, kSize);
        EXPECT_LE(copy.st_blocks, source.st_blocks + 64) << "holes filled with zeros";
        // What is not allocated reads as zeros: the written parts are all there is to read.
        const vb::Descriptor in(::open(t.path("copie").c_str(), O_RDONLY));
        for (const auto& p : parts) {
            std::string there(p.bytes.size(), '\0');
            ASSERT_EQ(::pread(in.get(), there.data(), there.size(), p.at),
                      static_cast<ssize_t>(there.size()));
            const bool written = ends || p.at == kSize / 2;
            EXPECT_EQ(there, written ? p.bytes : std::string(p.bytes.size(), '\0')) << p.at;
        }
    }
}

TEST(FileCopy, FollowsLinksToFiles) {
    TempTree t;
    t.write("vrai", "contenu");
    t.symlink("vrai", "lien");
    vb::FileCopy(t.text("lien"), t.text("copie"));
    EXPECT_EQ(t.read("copie"), "contenu");
    struct stat st {};
    ::lstat(t.path("copie").c_str(), &st);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(FileCopy, FailuresRaiseTheRuntimeNumbersAndLeaveNothingBehind) {
    TempTree t;
    t.write("src", "donnees");
    t.mkdir("sous");
    t.mkdir("cible/occupe");
    t.symlink("nulle-part", "casse");
    t.fifo("tube");
    struct Case {
        std::string from, to;
        int number;
    };
    const Case cases[] = {
        {"absent", "cible/a", vb::err::FileNotFound},
        {"casse", "cible/b", vb::err::FileNotFound},
        {"src", "manque/c", vb::err::PathNotFound},
        {"src", "src/d", vb::err::PathNotFound},
        {"tube", "cible/e", vb::err::PathFileAccess},
        {"sous", "cible/f", vb::err::PathFileAccess},
        {"src", "cible/occupe", vb::err::PathFileAccess},
    };
    const int descriptors = OpenDescriptors();
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorNumberOf([&] { vb::FileCopy(t.text(c.from), t.text(c.to)); }), c.number)
            << c.from << " -> " << c.to;
    }
    EXPECT_EQ(t.list("cible"), (std::set<std::string>{"occupe/"}));
    EXPECT_EQ(OpenDescriptors(), descriptors);

    ::chmod(t.path().c_str(), 0755);
    ::chmod(t.path("src").c_str(), 0600);
    ::chmod(t.path("cible").c_str(), 0777);
    const std::string refused = testsupport::InChild(
        [&] {
            return std::to_string(
                ErrorNumberOf([&] { vb::FileCopy(t.text("src"), t.text("cible/g")); }));
        },
        true);
    EXPECT_EQ(refused, std::to_string(vb::err::PermissionDenied));
    EXPECT_EQ(t.list("cible"), (std::set<std::string>{"occupe/"}));
}

// A copy that does not fit (here past the size a file may reach in this process, which
// the kernel refuses as it refuses a full disk) fails with "Disque plein" and leaves the
// old copy, and nothing else, behind.
TEST(FileCopy, ACopyThatDoesNotFitKeepsTheOldCopyAndLeavesNoTemporary) {
    TempTree t;
    t.write("gros", std::string(3U << 20, 'g'));
    t.write("cible/gros", "ancien");
    const std::string seen = testsupport::InChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1U << 20, 1U << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const int descriptors = OpenDescriptors();
            const int number =
                ErrorNumberOf([&] { vb::FileCopy(t.text("gros"), t.text("cible/gros")); });
            return std::to_string(number) + (OpenDescriptors() == descriptors ? "" : " leak");
        },
        false);
    EXPECT_EQ(seen, std::to_string(vb::err::DiskFull));
    EXPECT_EQ(t.read("cible/gros"), "ancien");
    EXPECT_EQ(t.list("cible"), std::set<std::string>{"gros"});
}

// Only files that carry the mark of a temporary file are taken for leftovers: a file named
// like one but without it (a copy of a source file so named) stays.
TEST(FileCopy, AReplacementRemovesWhatCopiesOfEndedProcessesLeftInItsFolder) {
    TempTree t;
    t.write("source", "nouveau");
    ::chmod(t.path("source").c_str(), 0644);
    t.write("cible/f", "ancien");
    // Copies ended just before their rename, written nameless first, then named from the
    // start: each leaves its file under a temporary name, which the next one removes.
    pid_t ended = 0;
    for (const bool named : {false, true}) {
        ended = ::fork();
        if (ended == 0) {
            EndBeforeTheRename(named);
            vb::FileCopy(t.text("source"), t.text("cible/f"));
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(ended, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "no mark taken off before the rename " << named;
        const std::set<std::string> now = t.list("cible");
        ASSERT_EQ(now.size(), 2U) << named;
        EXPECT_TRUE(now.begin()->starts_with(".quorvel-" + std::to_string(ended) + "-")) << named;
    }
    const std::string live = ".quorvel-" + std::to_string(::getppid()) + "-7.tmp";
    // Held by a writer whose process this one cannot see (another machine's, say).
    const std::string held = ".quorvel-" + std::to_string(ended) + "-8.tmp";
    const std::string copied = ".quorvel-" + std::to_string(ended) + "-9.tmp";
    for (const std::string& name : {live, held, copied, std::string(".quorvel-notes.tmp")}) {
        t.write("cible/" + name, "x");
        ::chmod(t.path("cible/" + name).c_str(), name == copied ? 0644 : 01644);
    }
    const vb::Descriptor writer(::open(t.path("cible/" + held).c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);
    vb::FileCopy(t.text("source"), t.text("cible/f"));
    EXPECT_EQ(t.read("cible/f"), "nouveau");
    EXPECT_EQ(ModeOf(t.path("cible/f")), Masked(0644)) << "the mark stays on the copy";
    EXPECT_EQ(t.list("cible"),
              (std::set<std::string>{"f", live, held, copied, ".quorvel-notes.tmp"}));
}

TEST(FileDateTime, IsInWholeSecondsAndFollowsLinks) {
    TempTree t;
    t.write("f", "");
    t.setTime("f", 1'700'000'000, 999'999'999);
    t.symlink("f", "lien");
    const vb::FileTime expected{std::chrono::seconds(1'700'000'000)};
    EXPECT_EQ(vb::FileDateTime(t.text("f")), expected);
    EXPECT_EQ(vb::FileDateTime(t.text("lien")), expected);
    EXPECT_EQ(ErrorNumberOf([&] { vb::FileDateTime(t.text("absent")); }), vb::err::FileNotFound);
}

TEST(FileIdentity, AFolderAndALinkToItAreOne) {
    TempTree t;
    t.mkdir("a/b");
    t.symlink("../..", "a/b/haut");
    EXPECT_EQ(vb::FileIdentity(t.text("a/b/haut")), vb::FileIdentity(t.text("")));
    EXPECT_NE(vb::FileIdentity(t.text("a")), vb::FileIdentity(t.text("a/b")));
    EXPECT_EQ(ErrorNumberOf([&] { vb::FileIdentity(t.text("absent")); }), vb::err::PathNotFound);
}

// Statements on the entries of an open folder answer as their path forms do, failures and
// the system's limit on a path's length included.
TEST(Folder, StatementsOnItsEntriesAnswerAsTheirPathForms) {
    TempTree t;
    t.write("d/f", "12345");
    t.symlink("f", "d/lien");
    t.mkdir("d/sous");
    std::string deep = "d";
    while (deep.size() < 3900) {
        deep += "/" + std::string(250, 'x');
    }
    t.mkdir(deep);
    const std::string tooLong(250, 'y');
    const auto use = vb::Folder::Use::Statements;
    const vb::Folder d = vb::Folder::Open(t.text("d") + u"/", use);
    ASSERT_TRUE(d);
    EXPECT_EQ(vb::FileDateTime(d, "lien"), vb::FileDateTime(t.text("d/f")));
    EXPECT_EQ(vb::OwnDateTime(d, "f"), vb::FileDateTime(t.text("d/f")));
    EXPECT_EQ(vb::OwnDateTime(d, "lien"), std::nullopt);
    EXPECT_EQ(vb::FileLen(d, "lien"), 5);
    // A path without its closing separator begins the names; an empty one is the working folder.
    EXPECT_EQ(vb::FileLen(vb::Folder::Open(t.text("d/li"), use), "en"), 5);
    EXPECT_EQ(testsupport::InChild(
                  [&] {
                      return ::chdir(t.path("d").c_str()) == 0
                                 ? std::to_string(vb::FileLen(vb::Folder::Open(u"", use), "f"))
                                 : "";
                  },
                  false),
              "5");

    struct Case {
        std::string folder, name;
    };
    const Case cases[] = {
        {"d", "sous"}, {"d", "absent"}, {"absent", "f"}, {"d/f", "g"}, {deep, tooLong}};
    for (const auto& c : cases) {
        const vb::Folder folder = vb::Folder::Open(t.text(c.folder) + u"/", use);
        const vb::String path = t.text(c.folder + "/" + c.name);
        const int len = ErrorNumberOf([&] { vb::FileLen(path); });
        EXPECT_NE(len, 0) << c.folder << "/" << c.name;
        EXPECT_EQ(ErrorNumberOf([&] { vb::FileLen(folder, c.name); }), len) << c.name;
        EXPECT_EQ(ErrorNumberOf([&] { vb::FileDateTime(folder, c.name); }),
                  ErrorNumberOf([&] { vb::FileDateTime(path); }))
            << c.name;
    }
    EXPECT_EQ(ErrorNumberOf([&] { vb::FileLen(t.text(deep + "/" + tooLong)); }),
              vb::err::BadFileNameOrNumber);
}

} // namespace
