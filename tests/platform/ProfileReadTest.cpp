#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/Encoding.h"
#include "win32/Profile.h"

#include <gtest/gtest.h>

namespace {

using testsupport::TempFolder;
using testsupport::WriteBytes;

using testsupport::NameOf;

struct ReadCase {
    const char* what;
    std::string file;
    vb::String section;
    vb::String key;
    vb::String expected;
};

// Each file holds the wanted key; the default "DEFAUT" shows when it is not found.
const ReadCase kReads[] = {
    {"plain", "[S]\nk=v\n", u"S", u"k", u"v"},
    {"byte-order mark before the first section", "\xEF\xBB\xBF[S]\nk=v\n", u"S", u"k", u"v"},
    {"names ignore case", "[Sauve]\nDe=/x/\n", u"SAUVE", u"dE", u"/x/"},
    {"accented names ignore case", "[été]\nclé=1\n", u"ÉTÉ", u"CLÉ", u"1"},
    {"spaces around the arguments", "[SAUVE]\nde=1\n", u"  SAUVE ", u" de  ", u"1"},
    {"tabs around the arguments", "[SAUVE]\nde=1\n", u"SAUVE\t", u"\v\tde", u"1"},
    {"blanks around names and value in the file", " \t[ \vS\t ]  \n \vk \t=\t v w \v\n", u"S", u"k",
     u"v w"},
    {"double quotes dropped", "[S]\nk=\"  x  \"\n", u"S", u"k", u"  x  "},
    {"single quotes dropped", "[S]\nk='x'\n", u"S", u"k", u"x"},
    {"only the outer pair", "[S]\nk=\"'x'\"\n", u"S", u"k", u"'x'"},
    {"blanks outside the quotes", "[S]\nk =  \"a\"  \n", u"S", u"k", u"a"},
    {"quotes that differ stay", "[S]\nk=\"x'\n", u"S", u"k", u"\"x'"},
    {"a lone quote stays", "[S]\nk=\"\n", u"S", u"k", u"\""},
    {"inner quotes stay", "[S]\nk=a\"b\"\n", u"S", u"k", u"a\"b\""},
    {"first duplicate key", "[S]\nk=1\nK=2\n", u"S", u"k", u"1"},
    {"first duplicate section", "[S]\nk=1\n[s]\nk=2\n", u"S", u"k", u"1"},
    {"key only in the second duplicate", "[S]\na=1\n[S]\nk=2\n", u"S", u"k", u"DEFAUT"},
    {"comment line", "[S]\n;k=1\n  ;k=2\nk=3\n", u"S", u"k", u"3"},
    {"commented key only", "[S]\n\t;k=1\n", u"S", u"k", u"DEFAUT"},
    {"semicolon key argument", "[S]\n;k=1\n", u"S", u";k", u"DEFAUT"},
    {"key argument holding =", "[S]\na=b=1\n", u"S", u"a=b", u"DEFAUT"},
    {"semicolon inside a value", "[S]\nk=a ;b\n", u"S", u"k", u"a ;b"},
    {"section name runs to the last ]", "[a]b]\nk=1\n", u"a]b", u"k", u"1"},
    {"not to the first ]", "[a]b]\nk=1\n", u"a", u"k", u"DEFAUT"},
    {"header without ]", "[a\nk=1\n", u"a", u"k", u"1"},
    {"empty section name", "[]\nk=1\n", u"", u"k", u"1"},
    {"empty key name", "[S]\n=1\n", u"S", u"", u"1"},
    {"key before any section", "k=1\n[S]\n", u"S", u"k", u"DEFAUT"},
    {"line without =", "[S]\nk\n", u"S", u"k", u"DEFAUT"},
    {"key of the next section", "[a]\nx=1\n[b]\nk=2\n", u"a", u"k", u"DEFAUT"},
    {"second section", "[a]\nk=1\n[b]\nk=2\n", u"b", u"k", u"2"},
    {"first = splits", "[S]\nk=a=b\n", u"S", u"k", u"a=b"},
    {"CRLF lines", "[S]\r\nk=v\r\n", u"S", u"k", u"v"},
    {"last line without a line end", "[S]\nk=v", u"S", u"k", u"v"},
    {"Latin-1 value", "[S]\nk=caf\xe9\n", u"S", u"k", u"café"},
    {"UTF-8 value", "[S]\nk=caf\xc3\xa9\n", u"S", u"k", u"café"},
    {"Latin-1 section name", "[\xe9t\xe9]\nk=1\n", u"ÉTÉ", u"k", u"1"},
    {"missing section", "[S]\nk=1\n", u"T", u"k", u"DEFAUT"},
    {"empty value", "[S]\nk=\n", u"S", u"k", u""},
    {"blank value", "[S]\nk= \t \n", u"S", u"k", u""},
};

TEST(GetPrivateProfileString, FindsValuesAsTheWindowsFunctionDoes) {
    const TempFolder dir;
    for (const ReadCase& c : kReads) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir / "t.ini", c.file);
        vb::String got = u"garbage";
        const auto n = win32::GetPrivateProfileString(c.section, c.key, u"DEFAUT", got, 600,
                                                      NameOf(dir / "t.ini"));
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(n, static_cast<std::int32_t>(c.expected.size()));
    }
}

TEST(GetPrivateProfileString, DefaultLosesOnlyTrailingSpaces) {
    const TempFolder dir;
    WriteBytes(dir / "t.ini", "[S]\nautre=1\n");
    const struct {
        vb::String defaultValue;
        vb::String expected;
    } cases[] = {
        {u"25  ", u"25"}, {u"  25", u"  25"}, {u"25\t", u"25\t"}, {u"   ", u""}, {u"", u""}};
    for (const auto& c : cases) {
        vb::String got;
        const auto n = win32::GetPrivateProfileString(u"S", u"k", c.defaultValue, got, 600,
                                                      NameOf(dir / "t.ini"));
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(n, static_cast<std::int32_t>(c.expected.size()));
    }
}

TEST(GetPrivateProfileString, CutsValueAndDefaultToTheBuffer) {
    const TempFolder dir;
    WriteBytes(dir / "t.ini", "[S]\nk=abcdef\n");
    const vb::String file = NameOf(dir / "t.ini");
    const struct {
        vb::StringView key;
        std::uint32_t size;
        vb::String expected;
    } cases[] = {{u"k", 4, u"abc"}, {u"k", 7, u"abcdef"}, {u"k", 6, u"abcde"},   {u"k", 1, u""},
                 {u"k", 0, u""},    {u"x", 3, u"uv"},     {u"x", 100, u"uvwxyz"}};
    for (const auto& c : cases) {
        vb::String got;
        const auto n = win32::GetPrivateProfileString(u"S", c.key, u"uvwxyz", got, c.size, file);
        EXPECT_EQ(got, c.expected) << "size " << c.size;
        EXPECT_EQ(n, static_cast<std::int32_t>(c.expected.size()));
    }
}

TEST(GetPrivateProfileString, UnreadableFileReadsTheDefault) {
    const TempFolder dir;
    std::filesystem::create_directory(dir / "folder.ini");
    const vb::String files[] = {NameOf(dir / "missing.ini"), NameOf(dir / "folder.ini"),
                                NameOf(dir / "no-folder" / "t.ini")};
    for (const auto& file : files) {
        vb::String got;
        EXPECT_EQ(win32::GetPrivateProfileString(u"S", u"k", u"d ", got, 600, file), 1);
        EXPECT_EQ(got, u"d");
    }
}

TEST(WindowsDirectory, IsWindirWhenSetOtherwiseEtc) {
    {
        const testsupport::ScopedEnv env("WINDIR", "/srv/win");
        EXPECT_EQ(win32::WindowsDirectory(), u"/srv/win");
    }
    {
        const testsupport::ScopedEnv env("WINDIR", std::nullopt);
        EXPECT_EQ(win32::WindowsDirectory(), u"/etc");
    }
    {
        const testsupport::ScopedEnv env("WINDIR", "");
        EXPECT_EQ(win32::WindowsDirectory(), u"/etc");
    }
}

TEST(GetPrivateProfileString, BareNameIsLookedUpInTheWindowsFolder) {
    const TempFolder windir;
    const TempFolder elsewhere;
    const testsupport::ScopedEnv env("WINDIR", windir.path().string());
    WriteBytes(windir / "reglages.ini", "[S]\nk=windows\n");
    WriteBytes(elsewhere / "reglages.ini", "[S]\nk=ailleurs\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    vb::String got;
    win32::GetPrivateProfileString(u"S", u"k", u"", got, 600, u"reglages.ini");
    EXPECT_EQ(got, u"windows");
    win32::GetPrivateProfileString(u"S", u"k", u"", got, 600, u"./reglages.ini");
    EXPECT_EQ(got, u"ailleurs");
    win32::GetPrivateProfileString(u"S", u"k", u"", got, 600, NameOf(elsewhere / "reglages.ini"));
    EXPECT_EQ(got, u"ailleurs");
    std::filesystem::current_path(previous);
}

} // namespace
