#include "support/Child.h"
#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/Encoding.h"
#include "win32/Profile.h"

#include <array>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

using testsupport::NameOf;

struct Write {
    vb::String section;
    vb::String key;
    vb::String value;
};

struct WriteCase {
    const char* what;
    std::optional<std::string> before; // no file at all when empty
    std::vector<Write> writes;
    std::string after;
};

const WriteCase kWrites[] = {
    {"new file", std::nullopt, {{u"S", u"k", u"v"}}, "[S]\nk=v\n"},
    {"empty file", "", {{u"S", u"k", u"v"}}, "[S]\nk=v\n"},
    {"names without their spaces",
     std::nullopt,
     {{u" Sauve ", u"  De ", u" /x/ "}},
     "[Sauve]\nDe= /x/ \n"},
    {"new keys in the order written",
     std::nullopt,
     {{u"S", u"a", u"1"}, {u"S", u"b", u"2"}, {u"T", u"c", u"3"}, {u"s", u"d", u"4"}},
     "[S]\na=1\nb=2\nd=4\n\n[T]\nc=3\n"},
    {"new key after the last key of its section",
     "[a]\nx=1\n; fin de a\n\n[b]\ny=2\n",
     {{u"A", u"z", u"3"}},
     "[a]\nx=1\nz=3\n; fin de a\n\n[b]\ny=2\n"},
    {"new key in a section without keys",
     "[a]\n; rien\n[b]\n",
     {{u"a", u"k", u"1"}},
     "[a]\nk=1\n; rien\n[b]\n"},
    {"replaced value keeps the key's spelling and layout",
     "[A]\n  Key = old\nz=1\n",
     {{u"a", u" key ", u"new"}},
     "[A]\n  Key = new\nz=1\n"},
    {"replaced empty value", "[A]\nk=   \n", {{u"a", u"k", u"v"}}, "[A]\nk=v\n"},
    {"a value's own leading blanks replace the old ones",
     "[a]\nk = 1\n",
     {{u"a", u"k", u" 2415"}, {u"a", u"k", u" 2415"}},
     "[a]\nk = 2415\n"},
    {"empty value keeps the key", "[a]\nk=v\n", {{u"a", u"k", u""}}, "[a]\nk=\n"},
    {"value written as given", "[a]\n", {{u"a", u"k", u"  \"v\" ;x "}}, "[a]\nk=  \"v\" ;x \n"},
    {"new section after a blank line",
     "[a]\nx=1\n",
     {{u"b", u"y", u"2"}},
     "[a]\nx=1\n\n[b]\ny=2\n"},
    {"no second blank line", "[a]\nx=1\n\n", {{u"b", u"y", u"2"}}, "[a]\nx=1\n\n[b]\ny=2\n"},
    {"CRLF file stays CRLF",
     "[a]\r\nx=1\r\n",
     {{u"a", u"y", u"2"}, {u"b", u"z", u"3"}},
     "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n"},
    {"each line keeps its own line end",
     "[a]\r\nx=1\ny=1\r\n",
     {{u"a", u"x", u"2"}},
     "[a]\r\nx=2\ny=1\r\n"},
    {"last line without a line end, appended to",
     "[a]\nx=1",
     {{u"a", u"y", u"2"}},
     "[a]\nx=1\ny=2\n"},
    {"last line without a line end, replaced", "[a]\nx=1", {{u"a", u"x", u"5"}}, "[a]\nx=5"},
    {"first of duplicate keys and sections",
     "[a]\nk=1\nk=2\n[A]\nk=3\n",
     {{u"a", u"k", u"9"}},
     "[a]\nk=9\nk=2\n[A]\nk=3\n"},
    {"new key in the first duplicate section",
     "[a]\nx=1\n[A]\nk=3\n",
     {{u"a", u"k", u"9"}},
     "[a]\nx=1\nk=9\n[A]\nk=3\n"},
    {"comment with the key's name is not the key",
     "[a]\n;k=1\n",
     {{u"a", u"k", u"2"}},
     "[a]\nk=2\n;k=1\n"},
    {"comments, unknown lines and Latin-1 kept byte for byte",
     "; caf\xe9 \x80\n[a]\nnote sans \xe9gal\nx=\xe9t\xe9\n;y=\xff\n\n[b]\nz=\xe0\n",
     {{u"a", u"y", u"créé"}, {u"b", u"z", u"à"}},
     "; caf\xe9 \x80\n[a]\nnote sans \xe9gal\nx=\xe9t\xe9\ny=cr\xc3\xa9\xc3\xa9\n;y=\xff\n\n[b]\n"
     "z=\xc3\xa0\n"},
    {"byte-order mark before the first section, kept",
     "\xEF\xBB\xBF[a]\nx=1\n",
     {{u"a", u"y", u"2"}},
     "\xEF\xBB\xBF[a]\nx=1\ny=2\n"},
};

TEST(WritePrivateProfileString, EditsOnlyTheLinesItMust) {
    const TempFolder dir;
    const auto path = dir / "t.ini";
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        if (c.before) {
            WriteBytes(path, *c.before);
        }
        for (const Write& w : c.writes) {
            EXPECT_TRUE(win32::WritePrivateProfileString(w.section, w.key, w.value, NameOf(path)));
        }
        EXPECT_EQ(ReadBytes(path), c.after);
    }
}

TEST(WritePrivateProfileString, WhatIsWrittenReadsBack) {
    const TempFolder dir;
    const vb::String file = NameOf(dir / "t.ini");
    const Write writes[] = {{u"Serveur MAIL", u"IP", u"smtp.exemple.fr"},
                            {u"Procédure", u"de", u"/home/élodie/Documents/"},
                            {u"Procédure", u"Mail TO", u"a@b.fr"},
                            {u"Procédure", u"de", u"/srv/données/"},
                            {u"Procédure", u"vide", u""}};
    for (const Write& w : writes) {
        ASSERT_TRUE(win32::WritePrivateProfileString(w.section, w.key, w.value, file));
    }
    const Write expected[] = {{u"serveur mail", u"ip", u"smtp.exemple.fr"},
                              {u"PROCÉDURE", u"DE", u"/srv/données/"},
                              {u"Procédure", u"Mail TO", u"a@b.fr"},
                              {u"Procédure", u"vide", u""}};
    for (const Write& w : expected) {
        vb::String got;
        win32::GetPrivateProfileString(w.section, w.key, u"absent", got, 600, file);
        EXPECT_EQ(got, w.value);
    }
}

TEST(WritePrivateProfileString, FailsWithoutTouchingAnything) {
    const TempFolder dir;
    EXPECT_FALSE(
        win32::WritePrivateProfileString(u"S", u"k", u"v", NameOf(dir / "absent" / "t.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent"));

    std::filesystem::create_directory(dir / "folder.ini");
    EXPECT_FALSE(win32::WritePrivateProfileString(u"S", u"k", u"v", NameOf(dir / "folder.ini")));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
}

TEST(WritePrivateProfileString, ReadOnlyFileIsNotReplaced) {
    // The folder is writable, so only the write's own check keeps the rename away: from an
    // ordinary user, and from root, whom permissions do not bind.
    const TempFolder dir;
    const auto path = dir / "t.ini";
    WriteBytes(path, "[S]\nk=1\n");
    ::chmod(path.c_str(), 0444);
    const bool root = ::geteuid() == 0;
    if (root) {
        const auto who = testsupport::Nobody();
        ASSERT_EQ(::chown(dir.path().c_str(), who.uid, who.gid), 0);
        ASSERT_EQ(::chown(path.c_str(), who.uid, who.gid), 0);
    }
    for (const bool asNobody : {true, false}) {
        SCOPED_TRACE(asNobody ? "ordinary user" : "this process's user");
        EXPECT_EQ(testsupport::InChild(
                      [&] {
                          return win32::WritePrivateProfileString(u"S", u"k", u"2", NameOf(path))
                                     ? "written"
                                     : "refused";
                      },
                      asNobody),
                  "refused");
        EXPECT_EQ(ReadBytes(path), "[S]\nk=1\n");
    }
}

TEST(WritePrivateProfileString, KeepsPermissionsAndLinks) {
    const TempFolder dir;
    const auto target = dir / "reel.ini";
    const auto link = dir / "lien.ini";
    WriteBytes(target, "[S]\nk=1\n");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);
    // Extended attributes too (an access control list is one), where the file system has them.
    const std::string attribute("A\0\xff", 3);
    const bool attributes =
        ::setxattr(target.c_str(), "user.quorvel", attribute.data(), attribute.size(), 0) == 0;

    ASSERT_TRUE(win32::WritePrivateProfileString(u"S", u"k", u"2", NameOf(link)));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "[S]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    if (attributes) {
        std::string kept(16, '\0');
        const ssize_t n = ::getxattr(target.c_str(), "user.quorvel", kept.data(), kept.size());
        kept.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        EXPECT_EQ(kept, attribute);
    }

    // A link to a file not made yet makes it where the link points, relative to the link's
    // folder; where that folder is missing, the write fails as for any missing folder.
    std::filesystem::create_directory(dir / "cible");
    std::filesystem::create_symlink("cible/neuf.ini", dir / "pendant.ini");
    std::filesystem::create_symlink("absent/neuf.ini", dir / "perdu.ini");
    ASSERT_TRUE(win32::WritePrivateProfileString(u"S", u"k", u"4", NameOf(dir / "pendant.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "pendant.ini"));
    EXPECT_EQ(ReadBytes(dir / "cible" / "neuf.ini"), "[S]\nk=4\n");
    EXPECT_FALSE(win32::WritePrivateProfileString(u"S", u"k", u"4", NameOf(dir / "perdu.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "perdu.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent"));

    // A file of several names is still one file after the write.
    const auto hard = dir / "autre-nom.ini";
    std::filesystem::create_hard_link(target, hard);
    ASSERT_TRUE(win32::WritePrivateProfileString(u"S", u"k", u"3", NameOf(hard)));
    EXPECT_EQ(ReadBytes(target), "[S]\nk=3\n");
    EXPECT_EQ(std::filesystem::hard_link_count(target), 2U);
}

// Takes from root the right to act as the owner of others' files (CAP_FOWNER), which a
// sticky folder asks of whoever replaces a file there; giving files away (CAP_CHOWN) stays.
bool DropFileOwnerRights() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, 2> data{};
    if (::syscall(SYS_capget, &header, data.data()) != 0) {
        return false;
    }
    data[0].effective &= ~(1U << CAP_FOWNER);
    return ::syscall(SYS_capset, &header, data.data()) == 0;
}

TEST(WritePrivateProfileString, AnotherUsersFileIsWrittenAndKeepsItsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give the file to another user";
    }
    const auto who = testsupport::Nobody();
    struct Case {
        const char* what;
        mode_t folder;
        bool nobodys; // file and folder are nobody's, written by root; else root's, by nobody
    };
    const Case cases[] = {
        {"folder anyone may write", 0777, false},
        {"sticky folder", 01777, false},
        {"sticky folder, a writer that may give the file to its owner", 01777, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder dir;
        const auto path = dir / "t.ini";
        WriteBytes(path, "[S]\nk=1\n");
        ::chmod(path.c_str(), 0666);
        ::chmod(dir.path().c_str(), c.folder);
        if (c.nobodys) {
            ASSERT_EQ(::chown(dir.path().c_str(), who.uid, who.gid), 0);
            ASSERT_EQ(::chown(path.c_str(), who.uid, who.gid), 0);
        }
        EXPECT_EQ(testsupport::InChild(
                      [&] {
                          if (c.nobodys && !DropFileOwnerRights()) {
                              return "capabilities kept";
                          }
                          return win32::WritePrivateProfileString(u"S", u"k", u"2", NameOf(path))
                                     ? "written"
                                     : "refused";
                      },
                      !c.nobodys),
                  "written");
        EXPECT_EQ(ReadBytes(path), "[S]\nk=2\n");
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, c.nobodys ? who.uid : 0);
        EXPECT_EQ(st.st_gid, c.nobodys ? who.gid : 0);
        // Nothing but the file and its lock file.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    }
}

TEST(WritePrivateProfileString, BareNameIsWrittenInTheWindowsFolder) {
    const TempFolder windir;
    const TempFolder elsewhere;
    const testsupport::ScopedEnv env("WINDIR", windir.path().string());
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    EXPECT_TRUE(win32::WritePrivateProfileString(u"S", u"k", u"v", u"$"));
    std::filesystem::current_path(previous);
    EXPECT_EQ(ReadBytes(windir / "$"), "[S]\nk=v\n");
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "$"));
}

} // namespace
