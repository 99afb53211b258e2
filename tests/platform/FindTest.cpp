#include "win32/Find.h"

#include "support/Child.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using testsupport::TempTree;

struct Found {
    vb::String name;
    bool folder;
    bool link = false;
    bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* os) {
    *os << vb::ToUtf8(f.name) << (f.folder ? "/" : "") << (f.link ? "@" : "");
}

// Every entry of one search, names cut at their first NUL.
std::vector<Found> Search(const vb::String& pathAndPattern) {
    std::vector<Found> out;
    win32::WIN32_FIND_DATA data;
    win32::SearchHandle handle = win32::FindFirstFile(pathAndPattern, data);
    if (!handle.valid()) {
        return out;
    }
    do {
        EXPECT_GE(data.cFileName.size(), win32::MAX_PATH);
        out.push_back({data.cFileName.substr(0, data.cFileName.find(u'\0')),
                       (data.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (data.dwFileAttributes & win32::FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (win32::FindNextFile(handle, data));
    EXPECT_TRUE(win32::FindClose(handle));
    return out;
}

TEST(FindPattern, WildcardsMatchWithoutRegardToCase) {
    struct Case {
        vb::StringView name, pattern;
        bool matches;
    };
    const Case cases[] = {
        {u"Rapport.TXT", u"*.txt", true},
        {u"rapport.txt", u"*.TXT", true},
        {u"rapport.txt", u"*.doc", false},
        {u"sans-point", u"*.*", true},
        {u".profile", u"*.*", true},
        {u"a.b.c", u"*.c", true},
        {u"a.b.c", u"*.b", false},
        {u"ab", u"a?", true},
        {u"a", u"a?", false},
        {u"abc", u"a?", false},
        {u"été.doc", u"ÉTÉ.*", true},
        {u"x", u"*", true},
        {u"abcabd", u"*ab?", true},
        {u"abcabe", u"*abd", false},
        {u"Photo 1.jpg", u"photo*.JPG", true},
        {u"name", u"", false},
        {u"exact", u"EXACT", true},
        {u"exact", u"exac", false},
        // "*." takes the names without an extension, the final "." standing for the end.
        {u"Makefile", u"*.", true},
        {u"a.txt", u"*.", false},
        {u".profile", u"*.", false},
        {u"fin.", u"*.", true},
        {u"v1.2-notes", u"v*.", false},
        {u"v1.2-notes", u"v1.*.", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(win32::MatchesPattern(c.name, c.pattern), c.matches)
            << vb::ToUtf8(c.name) << " / " << vb::ToUtf8(c.pattern);
    }
}

TEST(FindFirstFile, DotEntriesFirstThenNamesSortedWithoutRegardToCase) {
    TempTree t;
    t.write("b.txt", "");
    t.write("A.txt", "");
    t.write("c.TXT", "");
    t.write(".hidden", "");
    t.mkdir("Dossier");
    t.mkdir("autre.txt");
    const std::vector<Found> expected = {
        {u".", true},         {u"..", true},     {u".hidden", false}, {u"A.txt", false},
        {u"autre.txt", true}, {u"b.txt", false}, {u"c.TXT", false},   {u"Dossier", true},
    };
    EXPECT_EQ(Search(t.folder("") + u"*.*"), expected);
    const std::vector<Found> texts = {
        {u"A.txt", false}, {u"autre.txt", true}, {u"b.txt", false}, {u"c.TXT", false}};
    EXPECT_EQ(Search(t.folder("") + u"*.txt"), texts);
}

TEST(FindFirstFile, StarDotListsTheNamesWithoutAnExtension) {
    TempTree t;
    t.write("README", "");
    t.write("Makefile", "");
    t.write("a.txt", "");
    t.mkdir("Dossier");
    // As on Windows, "." and ".." have an empty extension and are listed too.
    const std::vector<Found> expected = {
        {u".", true}, {u"..", true}, {u"Dossier", true}, {u"Makefile", false}, {u"README", false}};
    EXPECT_EQ(Search(t.folder("") + u"*."), expected);
}

TEST(FindFirstFile, LinksShowWhatTheyLeadTo) {
    TempTree t;
    t.mkdir("vrai");
    t.write("f", "x");
    t.symlink("vrai", "lien-dossier");
    t.symlink("f", "lien-fichier");
    t.symlink("nulle-part", "lien-casse");
    const std::vector<Found> expected = {{u".", true},
                                         {u"..", true},
                                         {u"f", false},
                                         {u"lien-casse", false, true},
                                         {u"lien-dossier", true, true},
                                         {u"lien-fichier", false, true},
                                         {u"vrai", true}};
    EXPECT_EQ(Search(t.folder("") + u"?*"), expected);
}

TEST(FindFirstFile, NamesAreWholeUnicodeAndBytesThatAreNotUtf8SurviveTheRoundTrip) {
    TempTree t;
    const std::string raw = "caf\xe9-\xff";
    t.write(raw, "");
    t.write("Ça été.txt", "");
    const std::string longName(255, 'n');
    t.write(longName, "");
    const auto found = Search(t.folder("") + u"*");
    ASSERT_EQ(found.size(), 5U);
    EXPECT_EQ(vb::EncodeName(found[2].name), raw);
    EXPECT_EQ(found[3].name, vb::DecodeName(longName));
    EXPECT_EQ(found[4].name, u"Ça été.txt");
}

TEST(FindFirstFile, ASearchThatCannotStartIsAnInvalidHandle) {
    TempTree t;
    t.write("fichier", "x");
    t.mkdir("vide");
    t.mkdir("ferme");
    const vb::String cases[] = {
        t.folder("absent") + u"*.*",
        t.folder("fichier") + u"*.*",
        t.folder("") + u"*.zip",
        t.folder("vide") + u"*.txt",
    };
    for (const auto& pattern : cases) {
        win32::WIN32_FIND_DATA data;
        data.dwFileAttributes = 7;
        win32::SearchHandle handle = win32::FindFirstFile(pattern, data);
        EXPECT_FALSE(handle.valid()) << vb::ToUtf8(pattern);
        EXPECT_EQ(data.dwFileAttributes, 7U);
        EXPECT_FALSE(win32::FindNextFile(handle, data));
        EXPECT_FALSE(win32::FindClose(handle));
    }

    // An unreadable folder, for a user the permission bits apply to.
    ::chmod(t.path("ferme").c_str(), 0);
    ::chmod(t.path().c_str(), 0755);
    const std::string seen = testsupport::InChild(
        [&] {
            win32::WIN32_FIND_DATA data;
            return win32::FindFirstFile(t.folder("ferme") + u"*.*", data).valid() ? "open"
                                                                                  : "refused";
        },
        true);
    EXPECT_EQ(seen, "refused");
}

TEST(FindNextFile, EndsAfterTheLastEntryAndAClosedSearchGivesNothing) {
    TempTree t;
    t.write("seul", "");
    win32::WIN32_FIND_DATA data;
    win32::SearchHandle handle = win32::FindFirstFile(t.folder("") + u"s*", data);
    ASSERT_TRUE(handle.valid());
    EXPECT_FALSE(win32::FindNextFile(handle, data));

    win32::SearchHandle again = win32::FindFirstFile(t.folder("") + u"*", data);
    win32::SearchHandle moved = std::move(again);
    EXPECT_FALSE(again.valid()); // NOLINT(bugprone-use-after-move): what a move leaves
    EXPECT_TRUE(win32::FindNextFile(moved, data)); // ".."
    EXPECT_TRUE(win32::FindClose(moved));
    EXPECT_FALSE(win32::FindNextFile(moved, data));
    EXPECT_FALSE(win32::FindClose(moved));
}

} // namespace
