#include "EngineTest.h"
#include "vb/FileSystem.h"

#include <chrono>
#include <limits>
#include <set>

namespace {

using enginetest::Engine;
using Module7::NbFichiersAJour;
using Module7::NbFichiersCrees;
using Module7::NbFichiersParcourus;
using Module7::NbRepertoiresCrees;
using Module7::NbRepertoiresParcourus;
using Set = std::set<std::string>;

TEST_F(Engine, ModeLettersBehaveAlikeInAnyCaseAndOrder) {
    t.write("src/a.txt", "a");
    t.write("src/sous/b.txt", "bb");
    t.write("src/sous/profond/c.txt", "ccc");
    const Set whole = {"a.txt", "sous/", "sous/b.txt", "sous/profond/", "sous/profond/c.txt"};
    for (const vb::String statut : {u"dr", u"DR", u"RD", u"xRyd"}) {
        enginetest::ResetCounters();
        const auto dst = "dst-" + vb::ToUtf8(statut);
        t.mkdir(dst);
        const auto r = Run(t.folder("src"), t.folder(dst), u"*.*", statut);
        EXPECT_EQ(t.list(dst), whole) << vb::ToUtf8(statut);
        EXPECT_EQ(t.read(dst + "/sous/profond/c.txt"), "ccc");
        EXPECT_EQ(r.journal, u"");
        EXPECT_EQ(r.nCopies, 5);
        EXPECT_EQ(NbFichiersCrees, 3);
        EXPECT_EQ(NbFichiersAJour, 0);
        EXPECT_EQ(NbRepertoiresCrees, 2);
        EXPECT_EQ(Module7::OctetsCopies, 6.0);
    }
}

TEST_F(Engine, WithoutModeLettersTopFilesAreCopiedAndFirstLevelFoldersCreatedEmpty) {
    t.write("src/haut.txt", "h");
    t.write("src/a/dedans.txt", "d");
    t.mkdir("src/a/b");
    t.mkdir("src/c");
    for (const vb::String statut : {u"", u"xyz"}) {
        enginetest::ResetCounters();
        const auto dst = "dst" + vb::ToUtf8(statut);
        t.mkdir(dst);
        const auto r = Run(t.folder("src"), t.folder(dst), u"*.*", statut);
        EXPECT_EQ(t.list(dst), (Set{"a/", "c/", "haut.txt"}));
        EXPECT_EQ(r.nCopies, 3);
        EXPECT_EQ(NbRepertoiresCrees, 2);
        EXPECT_EQ(NbFichiersAJour, 0);
        EXPECT_EQ(NbFichiersCrees, 0);
        EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/haut.txt") + u"<br>");
    }
}

TEST_F(Engine, UpdateModeCopiesMissingAndOlderFilesComparedInWholeSeconds) {
    const std::int64_t when = 1'600'000'000;
    for (const char* name : {"meme.txt", "plus-vieux.txt", "plus-recent.txt", "absent.txt"}) {
        t.write(std::string("src/") + name, "nouveau");
        t.setTime(std::string("src/") + name, when, 500);
    }
    t.write("dst/meme.txt", "ancien");
    t.setTime("dst/meme.txt", when, 500);
    t.write("dst/plus-vieux.txt", "ancien");
    t.setTime("dst/plus-vieux.txt", when - 1, 999'999'999);
    t.write("dst/plus-recent.txt", "ancien");
    t.setTime("dst/plus-recent.txt", when + 10);

    auto r = RunSrc(u"*.*", u"D");
    EXPECT_EQ(t.read("dst/meme.txt"), "ancien");
    EXPECT_EQ(t.read("dst/plus-recent.txt"), "ancien");
    EXPECT_EQ(t.read("dst/plus-vieux.txt"), "nouveau");
    EXPECT_EQ(t.read("dst/absent.txt"), "nouveau");
    EXPECT_EQ(NbFichiersAJour, 1);
    EXPECT_EQ(NbFichiersCrees, 1);
    EXPECT_EQ(r.nCopies, 2);
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/absent.txt") + u"<br>copie OK : " +
                           t.text("src/plus-vieux.txt") + u"<br>");
    EXPECT_EQ(Module7::OctetsCopies, 14.0);
    EXPECT_EQ(NbFichiersParcourus, 4);

    // The copies carry their source's time: a second pass finds nothing to do.
    enginetest::ResetCounters();
    r = RunSrc(u"*.*", u"DR");
    EXPECT_EQ(r.nCopies, 0);
    EXPECT_EQ(r.liste, u"");
    EXPECT_EQ(NbFichiersAJour + NbFichiersCrees, 0);
    EXPECT_EQ(NbFichiersParcourus, 4);

    // Without "D" every file is copied, over newer ones too, and neither count moves.
    enginetest::ResetCounters();
    r = RunSrc(u"*.*", u"R");
    EXPECT_EQ(r.nCopies, 4);
    EXPECT_EQ(t.read("dst/plus-recent.txt"), "nouveau");
    EXPECT_EQ(NbFichiersAJour + NbFichiersCrees, 0);
}

// Copies on a file system that keeps coarser times than their source's (SMB, exFAT, FAT)
// are not copied again at each run.
TEST_F(Engine, UpdateModeTakesACopyWhoseTimeTheDestinationCutAsUpToDate) {
    struct StepGuard {
        ~StepGuard() { vb::testing::SetTimeStep(std::chrono::seconds(0)); }
    } guard;
    const std::int64_t when = 1'600'000'001;
    for (const char* name : {"src/a.txt", "src/sous/b.txt"}) {
        t.write(name, "a");
        t.setTime(name, when, 700'000'000);
    }
    RunSrc(u"*.*", u"DR");
    const auto runAfterCut = [&](std::int64_t seconds) {
        for (const char* name : {"dst/a.txt", "dst/sous/b.txt"}) {
            t.setTime(name, seconds);
        }
        enginetest::ResetCounters();
        return RunSrc(u"*.*", u"DR");
    };
    // Cut to the whole second, as the runtime's file date is.
    EXPECT_EQ(runAfterCut(when).nCopies, 0);
    // Cut to even seconds, as the FAT family keeps them: 1 s older is up to date...
    vb::testing::SetTimeStep(std::chrono::seconds(2));
    EXPECT_EQ(runAfterCut(when - 1).nCopies, 0);
    // ...but a source changed since, by 2 s or more, is copied.
    t.write("src/sous/b.txt", "B");
    t.setTime("src/sous/b.txt", when + 1);
    const auto r = runAfterCut(when - 1);
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/sous/b.txt") + u"<br>");
    EXPECT_EQ(t.read("dst/sous/b.txt"), "B");
    EXPECT_EQ(NbFichiersAJour, 1);
}

TEST_F(Engine, DotFoldersArePassedOverAndDotFilesCopied) {
    t.write("src/.profile", "p");
    t.write("src/.git/config", "c");
    t.write("src/visible/.cache", "v");
    const auto r = RunSrc(u"*.*", u"R");
    EXPECT_EQ(t.list("dst"), (Set{".profile", "visible/", "visible/.cache"}));
    EXPECT_EQ(r.journal, u"");
}

TEST_F(Engine, AFolderMatchingThePatternIsNotCopiedByTheFilePass) {
    t.write("src/notes.txt", "n");
    t.write("src/archive.txt/dedans.doc", "d");
    const auto r = RunSrc(u"*.txt", u"");
    EXPECT_EQ(t.list("dst"), (Set{"archive.txt/", "notes.txt"}));
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/notes.txt") + u"<br>");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.nCopies, 2); // the folder created and the one file
    EXPECT_EQ(NbFichiersParcourus, 1);
}

TEST_F(Engine, AnExistingDestinationFolderGivesNoLineNoCountAndIsDescendedInto) {
    t.write("src/sous/f.txt", "f");
    t.mkdir("dst/sous");
    const auto r = RunSrc(u"*.*", u"R");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(NbRepertoiresCrees, 0);
    EXPECT_EQ(NbRepertoiresParcourus, 1);
    EXPECT_EQ(r.nCopies, 1);
    EXPECT_EQ(t.read("dst/sous/f.txt"), "f");
}

TEST_F(Engine, AnEmptyOrMissingSourceDoesNothing) {
    t.mkdir("src");
    auto r = RunSrc(u"*.*", u"RD");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.liste, u"");
    EXPECT_EQ(r.nCopies, 0);
    EXPECT_EQ(r.nParcourus, 4); // "." and ".." in each pass
    EXPECT_EQ(t.list("dst"), Set{});

    r = Run(t.folder("absent"), t.folder("dst"), u"*.*", u"R");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.nParcourus, 0);
}

TEST_F(Engine, EachEntryIsCountedOncePerPass) {
    t.write("src/a.txt", "a");
    t.write("src/b.log", "b");
    t.write("src/sous/c.txt", "c");
    t.mkdir("src/.cache");
    const auto r = RunSrc(u"*.txt", u"R");
    // Root: 6 entries in the folder pass, 1 in the file pass ("*.txt" leaves out "." and
    // ".."); "sous": 3 and 1.
    EXPECT_EQ(r.nParcourus, 11);
    EXPECT_EQ(NbFichiersParcourus, 2);
    EXPECT_EQ(NbRepertoiresParcourus, 1);
    EXPECT_EQ(NbRepertoiresCrees, 1);
    EXPECT_EQ(r.nCopies, 3);
}

TEST_F(Engine, CountersAtTheirMaximumKeepTheirValue) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    t.write("src/f.txt", "f");
    t.write("src/sous/g.txt", "g");
    t.mkdir("dst");
    for (std::int32_t* counter :
         {&NbFichiersParcourus, &NbRepertoiresParcourus, &NbRepertoiresCrees, &NbFichiersCrees}) {
        *counter = kMax;
    }
    const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"RD", kMax, kMax);
    EXPECT_EQ(r.nCopies, kMax);
    EXPECT_EQ(r.nParcourus, kMax);
    EXPECT_EQ(NbFichiersParcourus, kMax);
    EXPECT_EQ(NbRepertoiresParcourus, kMax);
    EXPECT_EQ(NbRepertoiresCrees, kMax);
    EXPECT_EQ(NbFichiersCrees, kMax);
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/sous/g.txt") + u"<br>copie OK : " +
                           t.text("src/f.txt") + u"<br>");
}

} // namespace
