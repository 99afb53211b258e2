#include "EngineTest.h"
#include "copyengine/CopyPool.h"
#include "forms/Form.h"
#include "support/Child.h"
#include "vb/Descriptor.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <set>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using enginetest::Engine;
using Set = std::set<std::string>;

// The openings ("+name") and closings ("-name") of the files of folders, in their order.
class Openings {
public:
    explicit Openings(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        Watch(folder);
    }
    void Watch(const std::string& folder) {
        ::inotify_add_watch(fd_.get(), folder.c_str(), IN_OPEN | IN_CLOSE_NOWRITE);
    }
    std::vector<std::string> Seen() const {
        std::vector<std::string> seen;
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd_.get(), buffer, sizeof buffer)) > 0) {
            for (const char* at = buffer; at < buffer + n;) {
                inotify_event event{};
                std::memcpy(&event, at, sizeof event);
                if (event.len > 0) {
                    seen.push_back((event.mask & IN_OPEN ? "+" : "-") +
                                   std::string(at + sizeof event));
                }
                at += sizeof event + event.len;
            }
        }
        return seen;
    }

private:
    vb::Descriptor fd_;
};

// What the engine shows of a copy: its lists, counters, every caption and redraw, the
// caption at each pump of window messages, the byte count at each " CopyOK ", and the
// destination tree it leaves.
class Threads : public Engine {
protected:
    std::string Observe(const vb::String& statut, unsigned threads) {
        Module7::testing::SetCopyingThreads(threads);
        enginetest::ResetCounters();
        label.events.clear();
        forms::Form window(u"quorvel");
        forms::Label koCopies(window, u"KoCopies");
        vb::String seen;
        label.onSet = [&](const vb::String& caption) {
            if (caption.find(u" CopyOK ") != vb::String::npos) {
                seen += u"[" + koCopies.Caption + u"]";
            }
        };
        std::function<void()> probe = [&] {
            seen += u"{" + label.caption() + u"}";
            forms::EventLoop::instance().post(probe);
        };
        forms::EventLoop::instance().post(probe);
        const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", statut);
        forms::EventLoop::instance().reset();
        Module7::testing::SetCopyingThreads(std::nullopt);

        vb::String out = r.journal + u"|" + r.liste + u"|" + seen + u"|";
        for (const auto& e : label.events) {
            out += e.refresh ? u"<R>" : e.caption + u"\n";
        }
        std::string text = vb::ToUtf8(out);
        for (const std::int64_t n :
             {std::int64_t{r.nCopies}, std::int64_t{r.nParcourus},
              static_cast<std::int64_t>(Module7::OctetsCopies),
              static_cast<std::int64_t>(Module7::VolumeCopie),
              std::int64_t{Module7::NbFichiersParcourus},
              std::int64_t{Module7::NbRepertoiresParcourus},
              std::int64_t{Module7::NbRepertoiresCrees}, std::int64_t{Module7::NbFichiersAJour},
              std::int64_t{Module7::NbFichiersCrees}}) {
            text += " " + std::to_string(n);
        }
        for (const std::string& name : t.list("dst")) {
            const std::string bytes = name.ends_with("/") ? "" : t.read("dst/" + name);
            text += "\n" + name + " " + std::to_string(bytes.size()) + " " + bytes.substr(0, 8);
        }
        return text;
    }
};

// Many files in a few folders, with failures mixed in: a file its user may not read, a
// named pipe, a dangling link, a folder that cannot be made (a file has its name), a
// file that cannot be replaced (a folder has its name) and a folder that refuses writes.
// Copied on threads, everything shows as it does with one file at a time, in a full copy
// and in an update-only pass that finds some copies older.
TEST_F(Threads, ShowTheSameLinesCaptionsAndCountsAsOneFileAtATime) {
    for (int d = 0; d < 5; ++d) {
        for (int f = 0; f < 40; ++f) {
            const std::string name = "src/d" + std::to_string(d) + "/f" + std::to_string(f);
            t.write(name,
                    std::string(static_cast<std::size_t>(1 + f * 397 % 9000), char('a' + f % 26)));
        }
    }
    t.write("src/gros.bin", std::string((9U << 20) + 5, 'g'));
    t.write("src/ferme.txt", "secret");
    ::chmod(t.path("src/ferme.txt").c_str(), 0);
    t.fifo("src/tube");
    t.symlink("nulle-part", "src/casse");
    ::chmod(t.path().c_str(), 0755);
    const auto who = testsupport::Nobody();

    std::string seen[2];
    for (const unsigned threads : {0U, 4U}) {
        std::filesystem::remove_all(t.path("dst"));
        t.write("dst/d1", "a file where folder d1 should go");
        t.mkdir("dst/d2/f7");
        t.mkdir("dst/d3");
        t.giveTo(who.uid, who.gid);
        ::chmod(t.path("dst/d3").c_str(), 0555);
        seen[threads == 0 ? 0 : 1] = testsupport::InChild(
            [&] {
                std::string out = Observe(u"R", threads);
                for (const char* older : {"dst/d0/f3", "dst/d4/f39", "dst/gros.bin"}) {
                    t.setTime(older, 1'000'000'000);
                }
                return out + "\n--\n" + Observe(u"DR", threads);
            },
            true);
    }
    EXPECT_EQ(seen[1], seen[0]);
    for (const char* failure : {"Permission refusée", "Erreur d'accès au chemin/fichier",
                                "Fichier introuvable", "Chemin d'accès introuvable"}) {
        EXPECT_NE(seen[0].find(failure), std::string::npos) << failure;
    }
    EXPECT_NE(seen[0].find("copie OK : " + t.path("src/gros.bin")), std::string::npos);
}

// A source inside its destination, with a folder named as itself: the copy of that folder
// lands in the source, whose own files are then read again and copied with the new ones.
TEST_F(Threads, AFolderWrittenIntoDuringItsWalkIsReadAgain) {
    t.write("d/s/a.txt", "a");
    t.write("d/s/s/b.txt", "b");
    const auto r = Run(t.folder("d/s"), t.folder("d"), u"*.*", u"R");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(t.read("d/s/b.txt"), "b");
    EXPECT_EQ(t.read("d/b.txt"), "b");
    EXPECT_NE(r.liste.find(u"copie OK : " + t.text("d/s/b.txt") + u"<br>"), vb::String::npos);
}

// A source or destination whose text does not end with its separator is joined to each
// name as it stands: "d/s" is searched as "d/s*.*", its file "s.a" copied from "d/ss.a" to
// "Sauve/Jours.a".
TEST_F(Threads, PathsWithoutTheirClosingSeparatorAreJoinedToTheNamesAsTheyStand) {
    t.write("d/s.a", "1");
    t.write("d/ss.a", "22");
    t.write("d/sX.b/h.txt", "h");
    t.write("d/ssX.b/g.txt", "g");
    t.write("d/s/x.txt", "x");
    for (const unsigned threads : {0U, 4U}) {
        Module7::testing::SetCopyingThreads(threads);
        std::filesystem::remove_all(t.path("Sauve"));
        t.mkdir("Sauve");
        auto r = Run(t.text("d/s"), t.text("Sauve/Jour"), u"*.*", u"R");
        EXPECT_EQ(t.list("Sauve"), (Set{"Jours.a", "JoursX.b/", "JoursX.b/g.txt", "JourssX.b/"}));
        EXPECT_EQ(t.read("Sauve/Jours.a"), "22");
        const vb::String missing = u" Fichier " + t.text("d/sss.a") + u"\tFichier introuvable<br>";
        EXPECT_EQ(r.journal, missing);
        EXPECT_EQ(r.liste, u"copie OK : " + t.text("d/ssX.b/g.txt") + u"<br>copie OK : " +
                               t.text("d/ss.a") + u"<br>");
        // The dates compared are those of the same names: only the missing file is tried again.
        r = Run(t.text("d/s"), t.text("Sauve/Jour"), u"*.*", u"DR");
        EXPECT_EQ(r.journal, missing);
        EXPECT_EQ(r.nCopies, 1);
    }
    Module7::testing::SetCopyingThreads(std::nullopt);
}

// Names that differ only in case are one file on the destinations users back up to (FAT,
// exFAT, SMB): they are copied one after the other, in the walk's order.
TEST_F(Threads, NamesThatDifferOnlyInCaseAreCopiedInTurn) {
    t.write("src/A.bin", std::string(8U << 20, 'A'));
    t.write("src/a.bin", std::string(8U << 20, 'a'));
    t.write("src/b.bin", "b");
    const Openings seen(t.path("src"));
    Module7::testing::SetCopyingThreads(4);
    const auto r = RunSrc(u"*.*", u"DR");
    Module7::testing::SetCopyingThreads(std::nullopt);
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(seen.Seen(), (std::vector<std::string>{"+A.bin", "-A.bin", "+a.bin", "-a.bin",
                                                     "+b.bin", "-b.bin"}));
}

// A file handed over while one thread copies a large file and the others sleep is copied
// beside it at once.
TEST_F(Threads, WorkForASleepingPoolIsTakenBesideALargeCopy) {
    t.write("src/x.bin", std::string(64U << 20, 'x'));
    t.write("src/c.txt", "c");
    t.mkdir("dst");
    const auto open = [&](const char* folder) {
        return std::make_shared<const vb::Folder>(
            vb::Folder::Open(t.folder(folder), vb::Folder::Use::Statements));
    };
    const auto from = open("src");
    const auto to = open("dst");
    bool beside = false;
    bool told = false;
    for (int attempt = 0; attempt < 3 && !told; ++attempt) {
        Module7::CopyPool pool(4);
        const auto large = pool.Submit(from, to, "x.bin");
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // the others fall asleep
        if (Module7::CopyPool::Done(large)) {
            continue; // too slow a machine to tell
        }
        const auto small = pool.Submit(from, to, "c.txt");
        pool.HandOver();
        told = true;
        while (!beside && !Module7::CopyPool::Done(large)) {
            beside = Module7::CopyPool::Done(small) && !Module7::CopyPool::Done(large);
            std::this_thread::yield();
        }
    }
    EXPECT_TRUE(told);
    EXPECT_TRUE(beside);
    EXPECT_EQ(t.read("dst/c.txt"), "c");
}

// Under a low limit on open files, as some services run, every file is copied: what the
// walk keeps open while a large copy holds back the others is bounded by the limit.
TEST_F(Threads, ALowLimitOnOpenFilesLosesNoCopy) {
    t.write("src/a/x.bin", std::string(32U << 20, 'x'));
    for (int i = 0; i < 400; ++i) {
        t.write("src/d" + std::to_string(i) + "/f", "f");
    }
    for (const rlim_t limit : {24, 64}) {
        std::filesystem::remove_all(t.path("dst"));
        t.mkdir("dst");
        const std::string out = testsupport::InChild(
            [&] {
                rlimit lowered{};
                ::getrlimit(RLIMIT_NOFILE, &lowered);
                lowered.rlim_cur = limit;
                if (::setrlimit(RLIMIT_NOFILE, &lowered) != 0) {
                    return std::string("setrlimit");
                }
                Module7::testing::SetCopyingThreads(8);
                const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"R");
                return vb::ToUtf8(r.journal) + "|" + std::to_string(r.nCopies);
            },
            false);
        EXPECT_EQ(out, "|802") << limit;
        EXPECT_EQ(t.list("dst").size(), 802U) << limit;
    }
}

// Copies side by side on a destination short of room each take part of it, and could all
// fail where one at a time saves the first: a copy that failed for room is made again
// alone. The destination is a small tmpfs with room for a.bin, not for b.bin or d.bin.
TEST_F(Threads, ADestinationShortOfRoomSavesWhatOneFileAtATimeSaves) {
    t.write("src/a.bin", std::string(3U << 20, 'a'));
    t.write("src/b.bin", std::string(5U << 20, 'b'));
    t.write("src/c.txt", "c");
    t.write("src/d.bin", std::string(5U << 20, 'd'));
    t.mkdir("dst");
    std::string seen[2];
    for (const unsigned threads : {0U, 4U}) {
        seen[threads == 0 ? 0 : 1] = testsupport::InChild(
            [&] {
                // Mounted in a namespace of the child's own, gone with it.
                if (::unshare(CLONE_NEWNS) != 0 ||
                    ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount("tmpfs", t.path("dst").c_str(), "tmpfs", 0, "size=4m") != 0) {
                    return std::string("cannot mount");
                }
                Module7::testing::SetCopyingThreads(threads);
                const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"R");
                std::string out = vb::ToUtf8(r.journal + u"|" + r.liste);
                for (const std::string& name : t.list("dst")) {
                    out += "|" + name + " " + std::to_string(t.read("dst/" + name).size());
                }
                return out;
            },
            false);
    }
    if (seen[0] == "cannot mount") {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    EXPECT_EQ(seen[1], seen[0]);
    const std::string full = "\tDisque plein<br>";
    EXPECT_EQ(seen[0], " Fichier " + t.path("src/b.bin") + full + " Fichier " +
                           t.path("src/d.bin") + full + "|copie OK : " + t.path("src/a.bin") +
                           "<br>copie OK : " + t.path("src/c.txt") + "<br>|a.bin 3145728|c.txt 1");
}

} // namespace
