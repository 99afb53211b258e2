#include "EngineTest.h"
#include "vb/Descriptor.h"
#include "vb/Error.h"
#include "vb/FileCopier.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using enginetest::Engine;

const std::string kOld = "ancienne copie";

vb::String InUse(const vb::String& path) {
    return u" Fichier " + path + u"\t" + vb::DescriptionOf(vb::err::PermissionDenied) + u"<br>";
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// A source changed once its state is noted, just as its data is about to be read, is copied
// once more; changed again, it has its file line and its old copy stays. The changes: a
// sparse image cut short (its old length would pad the copy) and a text rewritten in place
// (its copy would keep the old date).
TEST_F(Engine, ASourceChangedDuringItsCopyIsCopiedAgainOrLeavesItsOldCopy) {
    constexpr off_t kImage = off_t{8} << 20;
    const auto change = [&](const std::string& name, int k) {
        const vb::Descriptor fd(::open(t.path("src/" + name).c_str(), O_WRONLY));
        const std::string bytes =
            name == "image.img" ? "etat " + std::to_string(k) : std::string(3000, char('a' + k));
        if (name == "image.img") {
            ASSERT_EQ(::ftruncate(fd.get(), kImage >> k), 0);
            ASSERT_EQ(::pwrite(fd.get(), "fin", 3, (kImage >> k) - 3), 3);
        }
        ASSERT_EQ(::pwrite(fd.get(), bytes.data(), bytes.size(), 0),
                  static_cast<ssize_t>(bytes.size()));
        t.setTime("src/" + name, 1'600'000'000 + k);
    };
    for (const unsigned threads : {0U, 4U}) {
        Module7::testing::SetCopyingThreads(threads);
        for (const bool always : {false, true}) {
            for (const std::string name : {"image.img", "texte.txt"}) {
                std::filesystem::remove_all(t.path("src"));
                std::filesystem::remove_all(t.path("dst"));
                t.write("src/" + name, "");
                change(name, 0);
                t.write("dst/" + name, kOld);
                int changes = 0;
                vb::testing::SetBeforeCopyData([&] {
                    if (changes == 0 || always) {
                        change(name, ++changes);
                    }
                });
                enginetest::ResetCounters();
                const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
                vb::testing::SetBeforeCopyData({});

                const struct stat source = StatOf(t.path("src/" + name));
                EXPECT_EQ(Module7::OctetsCopies, static_cast<double>(source.st_size));
                EXPECT_EQ(r.nCopies, 1);
                EXPECT_EQ(t.list("dst"), std::set<std::string>{name});
                const std::string trace =
                    name + (always ? " always" : " once") + " threads " + std::to_string(threads);
                if (always) {
                    EXPECT_EQ(changes, 2) << trace;
                    EXPECT_EQ(r.journal, InUse(t.text("src/" + name))) << trace;
                    EXPECT_EQ(r.liste, u"") << trace;
                    EXPECT_EQ(t.read("dst/" + name), kOld) << trace;
                    continue;
                }
                EXPECT_EQ(changes, 1) << trace;
                EXPECT_EQ(r.journal, u"") << trace;
                EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/" + name) + u"<br>") << trace;
                const struct stat copy = StatOf(t.path("dst/" + name));
                EXPECT_EQ(copy.st_size, source.st_size) << trace;
                EXPECT_EQ(copy.st_mtim.tv_sec, source.st_mtim.tv_sec) << trace;
                EXPECT_TRUE(t.read("dst/" + name) == t.read("src/" + name)) << trace;
                if (source.st_blocks * 512 < source.st_size) {
                    EXPECT_LE(copy.st_blocks, source.st_blocks + 64) << "holes filled " << trace;
                }
            }
        }
    }
    Module7::testing::SetCopyingThreads(std::nullopt);
}

// Whether `bytes` is a state that a file rewritten front first, each time with the next
// letter, has at some moment: one letter, or the next one up to some place and the
// previous one after it.
bool RewrittenState(const std::string& bytes) {
    const std::size_t turn = bytes.find_first_not_of(bytes.front());
    return turn == std::string::npos ||
           (bytes.find_first_not_of(bytes[turn], turn) == std::string::npos &&
            bytes.front() == 'a' + (bytes[turn] - 'a' + 1) % 26);
}

// Two files written all through several runs, copied on threads and without: one rewritten
// in place, one cut and grown again. Each is listed "copie OK" with a copy equal to a state
// it had, or has its file line and its old copy stays as it was.
TEST_F(Engine, FilesWrittenAllThroughTheRunAreCopiedAsTheyStoodOrNotAtAll) {
    constexpr std::size_t kSize = std::size_t{1} << 20;
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    t.write("src/reecrit.bin", std::string(kSize, 'a'));
    t.write("src/recoupe.bin", std::string(kSize, 'a'));
    std::atomic<bool> stop{false};
    std::jthread writer([&] {
        const vb::Descriptor rewritten(::open(t.path("src/reecrit.bin").c_str(), O_WRONLY));
        const vb::Descriptor cut(::open(t.path("src/recoupe.bin").c_str(), O_WRONLY));
        for (int k = 1; !stop; ++k) {
            const std::string state(kSize, char('a' + k % 26));
            bool written = ::pwrite(rewritten.get(), state.data(), kSize, 0) == kSize &&
                           ::ftruncate(cut.get(), 0) == 0;
            for (std::size_t at = 0; written && at < kSize; at += kPiece) {
                written = ::pwrite(cut.get(), state.data() + at, kPiece, static_cast<off_t>(at)) ==
                          static_cast<ssize_t>(kPiece);
            }
            if (k % 8 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a quiet moment
            }
        }
    });
    for (int round = 0; round < 12; ++round) {
        Module7::testing::SetCopyingThreads(round % 2 == 0 ? 0U : 4U);
        std::filesystem::remove_all(t.path("dst"));
        t.write("dst/reecrit.bin", kOld);
        t.write("dst/recoupe.bin", kOld);
        const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"");
        for (const std::string name : {"reecrit.bin", "recoupe.bin"}) {
            const std::string copy = t.read("dst/" + name);
            const vb::String path = t.text("src/" + name);
            if (r.liste.find(u"copie OK : " + path + u"<br>") == vb::String::npos) {
                EXPECT_NE(r.journal.find(InUse(path)), vb::String::npos) << name << round;
                EXPECT_EQ(copy, kOld) << name << round;
            } else if (name == "reecrit.bin") {
                EXPECT_TRUE(copy.size() == kSize && RewrittenState(copy)) << round;
            } else {
                EXPECT_TRUE(copy.empty() ||
                            copy.find_first_not_of(copy.front()) == std::string::npos)
                    << round;
            }
        }
        EXPECT_EQ(t.list("dst"), (std::set<std::string>{"reecrit.bin", "recoupe.bin"}));
    }
    stop = true;
    Module7::testing::SetCopyingThreads(std::nullopt);
}

// Files whose length says nothing of their content, reached through links in the source: a
// /proc file (length 0) and a /sys attribute (length a page) are copied as reading finds them.
TEST_F(Engine, KernelFilesAreCopiedAsReadingFindsThem) {
    t.mkdir("src");
    t.symlink("/proc/version", "src/version");
    std::string names[] = {"version", ""};
    for (const char* attribute : {"/sys/kernel/mm/transparent_hugepage/enabled",
                                  "/sys/kernel/profiling", "/sys/kernel/address_bits"}) {
        if (::access(attribute, R_OK) == 0) {
            t.symlink(attribute, "src/attribut");
            names[1] = "attribut";
            break;
        }
    }
    const auto r = RunSrc(u"*.*", u"");
    EXPECT_EQ(r.journal, u"");
    for (const std::string& name : names) {
        if (name.empty()) {
            continue;
        }
        const std::string read = t.read("src/" + name);
        EXPECT_FALSE(read.empty()) << name;
        EXPECT_LT(read.size(), 4096U) << name;
        EXPECT_EQ(read.find('\0'), std::string::npos) << name;
        EXPECT_EQ(t.read("dst/" + name), read) << name;
        EXPECT_NE(r.liste.find(u"copie OK : " + t.text("src/" + name)), vb::String::npos);
    }
}

} // namespace
