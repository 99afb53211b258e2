#include "EngineTest.h"
#include "support/Child.h"
#include "vb/Error.h"

#include <algorithm>
#include <set>

namespace {

using enginetest::Engine;
using Set = std::set<std::string>;

const vb::String kNotFound = vb::DescriptionOf(vb::err::PathNotFound);
const vb::String kAccess = vb::DescriptionOf(vb::err::PathFileAccess);

vb::String FolderLine(const vb::String& path, const vb::String& message) {
    return u" Répertoire " + path + u"\t" + message + u"\r\n";
}
vb::String FileLine(const vb::String& path, const vb::String& message) {
    return u" Fichier " + path + u"\t" + message + u"<br>";
}

TEST_F(Engine, AFailedCopyLeavesAFileLineTheCopyOkCaptionAndStillCounts) {
    t.write("src/f.txt", "12345");
    t.mkdir("dst/f.txt"); // a folder where the copy should go
    const auto r = RunSrc(u"*.*", u"");
    EXPECT_EQ(r.journal, FileLine(t.text("src/f.txt"), kAccess));
    EXPECT_EQ(r.liste, u"");
    EXPECT_EQ(r.nCopies, 1);
    EXPECT_EQ(Module7::OctetsCopies, 5.0);
    EXPECT_EQ(Module7::VolumeCopie, 5.0);
    ASSERT_FALSE(label.events.empty());
    EXPECT_EQ(label.events.back(), enginetest::Set(u"1 / 5 CopyOK " + t.text("src/f.txt")));
    EXPECT_TRUE(t.isFolder("dst/f.txt"));
}

TEST_F(Engine, TheErrorLogHoldsSubFolderLogsThenTheFolderOwnFiles) {
    t.write("src/A/f1.txt", "1");
    t.mkdir("src/A/X");
    t.write("dst/A", "a file where folder A should go");
    t.mkdir("src/B");
    t.fifo("src/B/tube");
    t.symlink(".", "src/boucle");
    t.fifo("src/z");
    t.write("src/ok.txt", "ok");
    const auto r = RunSrc(u"*.*", u"R");
    const vb::String expected =
        FolderLine(t.text("dst/A/X"), kNotFound) + FileLine(t.text("src/A/f1.txt"), kNotFound) +
        FileLine(t.text("src/B/tube"), kAccess) +
        FolderLine(t.text("dst/boucle"),
                   u"Boucle de liens : ce dossier mène à un dossier déjà parcouru") +
        FileLine(t.text("src/z"), kAccess);
    EXPECT_EQ(r.journal, expected);
    EXPECT_EQ(r.liste, u"copie OK : " + t.text("src/ok.txt") + u"<br>");
    EXPECT_EQ(t.list("dst"), (Set{"A", "B/", "ok.txt"}));
}

TEST_F(Engine, LinksToFoldersAreWalkedExceptBackToTheCurrentPath) {
    t.write("dehors/loin.txt", "l");
    t.write("src/a/f.txt", "f");
    t.symlink("../../dehors", "src/a/ailleurs");
    t.symlink("..", "src/a/haut");
    t.symlink("nulle-part", "src/casse");
    t.write("vrai.txt", "v");
    t.symlink("../vrai.txt", "src/lien.txt");
    const auto r = RunSrc(u"*.*", u"R");
    EXPECT_EQ(t.list("dst"),
              (Set{"a/", "a/ailleurs/", "a/ailleurs/loin.txt", "a/f.txt", "lien.txt"}));
    EXPECT_EQ(t.read("dst/lien.txt"), "v");
    EXPECT_EQ(r.journal,
              FolderLine(t.text("dst/a/haut"),
                         u"Boucle de liens : ce dossier mène à un dossier déjà parcouru") +
                  FileLine(t.text("src/casse"), vb::DescriptionOf(vb::err::FileNotFound)));

    // Without "R" nothing is walked: a link to a folder is created like any first-level one.
    t.mkdir("plat");
    const auto flat = Run(t.folder("src/a"), t.folder("plat"), u"*.*", u"");
    EXPECT_EQ(flat.journal, u"");
    EXPECT_TRUE(t.isFolder("plat/haut"));
}

TEST_F(Engine, ADestinationInsideTheSourceIsNeverCopiedIntoItself) {
    const vb::String kInside = u"Destination dans la source : ce dossier mène à la destination";
    t.write("src/a.txt", "a");
    t.write("src/sous/b.txt", "b");
    t.write("src/bak/vieux/v.txt", "v");
    t.symlink("../bak/vieux", "src/sous/raccourci"); // into the destination
    t.symlink("bak", "src/lien");                    // to the destination itself
    const Set copied = {"a.txt", "sous/", "sous/b.txt", "vieux/", "vieux/v.txt"};
    for (const vb::String statut : {u"R", u"RD", u"R"}) {
        const auto r = Run(t.folder("src"), t.folder("src/bak"), u"*.*", statut);
        EXPECT_EQ(t.list("src/bak"), copied);
        EXPECT_EQ(r.journal, FolderLine(t.text("src/bak/bak"), kInside) +
                                 FolderLine(t.text("src/bak/lien"), kInside) +
                                 FolderLine(t.text("src/bak/sous/raccourci"), kInside));
    }
    // Without "R" it is not even made as an empty folder.
    const auto flat = Run(t.folder("src"), t.folder("src/bak"), u"*.*", u"");
    EXPECT_EQ(flat.journal, FolderLine(t.text("src/bak/bak"), kInside) +
                                FolderLine(t.text("src/bak/lien"), kInside));
    EXPECT_EQ(t.list("src/bak"), copied);

    // A destination without its closing separator writes "Jour" + each name in x/bak,
    // whether a folder "Jour" is there or not.
    t.write("x/a.txt", "a");
    t.mkdir("x/bak");
    for (const Set& before : {Set{}, Set{"Jour/"}}) {
        if (!before.empty()) {
            t.mkdir("x/bak/Jour");
        }
        const auto prefixed = Run(t.folder("x"), t.folder("x/bak") + u"Jour", u"*.*", u"R");
        EXPECT_EQ(prefixed.journal, FolderLine(t.text("x/bak/Jourbak"), kInside));
        Set expected = before;
        expected.insert("Joura.txt");
        EXPECT_EQ(t.list("x/bak"), expected);
    }
}

TEST_F(Engine, UnreadableFilesAndFoldersForAnUnprivilegedUser) {
    t.write("src/ok.txt", "ok");
    t.write("src/secret.txt", "s");
    t.write("src/ferme/dedans.txt", "d");
    t.mkdir("dst");
    const auto who = testsupport::Nobody();
    t.giveTo(who.uid, who.gid);
    ::chmod(t.path().c_str(), 0755);
    ::chmod(t.path("src/secret.txt").c_str(), 0);
    ::chmod(t.path("src/ferme").c_str(), 0);
    const std::string out = testsupport::InChild(
        [&] {
            const auto r = Run(t.folder("src"), t.folder("dst"), u"*.*", u"R");
            return vb::ToUtf8(r.journal + u"|" + r.liste);
        },
        true);
    EXPECT_EQ(out, vb::ToUtf8(FileLine(t.text("src/secret.txt"),
                                       vb::DescriptionOf(vb::err::PermissionDenied)) +
                              u"|copie OK : " + t.text("src/ok.txt") + u"<br>"));
    EXPECT_EQ(t.list("dst"), (Set{"ferme/", "ok.txt"}));
}

TEST_F(Engine, MarkupInNamesReachesTheListsAsTextAndTheCaptionsAsIs) {
    const std::string root = "R&D \"x\"";
    t.write(root + "/<img src=x onerror=alert(1)>.txt", "x");
    t.fifo(root + "/a<b>.p");
    t.mkdir("dst");
    const auto r = Run(t.folder(root), t.folder("dst"), u"*.*", u"");
    const vb::String folder = t.text("") + u"/R&amp;D &quot;x&quot;/";
    EXPECT_EQ(r.liste, u"copie OK : " + folder + u"&lt;img src=x onerror=alert(1)&gt;.txt<br>");
    EXPECT_EQ(r.journal, u" Fichier " + folder + u"a&lt;b&gt;.p\t" + kAccess + u"<br>");
    EXPECT_EQ(t.read("dst/<img src=x onerror=alert(1)>.txt"), "x");
    const auto caption =
        enginetest::Set(u"1 / 6 CopyOK " + t.folder(root) + u"<img src=x onerror=alert(1)>.txt");
    EXPECT_NE(std::find(label.events.begin(), label.events.end(), caption), label.events.end());
}

TEST_F(Engine, NamesThatAreNotUtf8AreCopiedByteForByte) {
    const std::string raw = "caf\xe9 \xff.bin";
    const std::string bytes("\x00\x01\xfe\xff", 4);
    t.write("src/" + raw, bytes);
    t.write("src/d\xe9j\xe0/f", "f");
    const auto r = RunSrc(u"*.*", u"R");
    EXPECT_EQ(r.journal, u"");
    EXPECT_EQ(t.read("dst/" + raw), bytes);
    EXPECT_EQ(t.read("dst/d\xe9j\xe0/f"), "f");
    EXPECT_NE(r.liste.find(u"copie OK : " + t.text("src/" + raw) + u"<br>"), vb::String::npos);
}

} // namespace
