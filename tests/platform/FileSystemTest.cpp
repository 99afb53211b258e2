#include "vb/FileSystem.h"

#include "support/Child.h"
#include "support/TempTree.h"
#include "vb/Error.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
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
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorNumberOf([&] { vb::FileCopy(t.text(c.from), t.text(c.to)); }), c.number)
            << c.from << " -> " << c.to;
    }
    EXPECT_EQ(t.list("cible"), (std::set<std::string>{"occupe/"}));

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

TEST(FileDateTime, KeepsNanosecondsAndFollowsLinks) {
    TempTree t;
    t.write("f", "");
    t.setTime("f", 1'700'000'000, 999'999'999);
    t.symlink("f", "lien");
    const vb::FileTime expected =
        vb::FileTime(std::chrono::seconds(1'700'000'000)) + std::chrono::nanoseconds(999'999'999);
    EXPECT_EQ(vb::FileDateTime(t.text("f")), expected);
    EXPECT_EQ(vb::FileDateTime(t.text("lien")), expected);
    EXPECT_LT(vb::FileDateTime(t.text("f")),
              expected + std::chrono::nanoseconds(1)); // ordered at that precision
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

} // namespace
