#include "settings/INI32.h"

#include "support/Child.h"
#include "support/Names.h"
#include "support/TempFolder.h"
#include "vb/App.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

using testsupport::NameOf;

// Every test keeps its bare-named files in a folder of its own.
class LireEcrireINI : public ::testing::Test {
protected:
    TempFolder dir;
    TempFolder windir;
    testsupport::ScopedEnv env{"WINDIR", windir.path().string()};
    std::filesystem::path path = dir / "quorvel.ini";
    vb::String file = NameOf(path);
};

struct ModeRow {
    std::int16_t mode;
    const char* before;
    const char* result;
    const char* after;
};

// The key "k" of [S] with the default "25": holding another value, holding the default,
// missing, present and empty.
constexpr const char* kOther = "[S]\nk=autre\n";
constexpr const char* kDefault = "[S]\nk=25\n";
constexpr const char* kMissing = "[S]\nx=1\n";
constexpr const char* kEmpty = "[S]\nk=\n";
// Reads as the default too, so only a rewrite in mode 2 changes the line.
constexpr const char* kQuotedDefault = "[S]\nk = \"25\" \n";

const ModeRow kModes[] = {
    {0, kOther, "25", kDefault},
    {0, kDefault, "25", kDefault},
    {0, kMissing, "25", "[S]\nx=1\nk=25\n"},
    {0, kEmpty, "25", kDefault},
    {2, kOther, "autre", kOther},
    {2, kDefault, "25", kDefault},
    {2, kMissing, "25", "[S]\nx=1\nk=25\n"},
    {2, kEmpty, "25", kDefault},
    {1, kOther, "autre", kOther},
    {1, kDefault, "25", kDefault},
    {1, kMissing, "25", kMissing},
    {1, kEmpty, "25", kEmpty},
    {5, kOther, "autre", kOther},
    {5, kMissing, "25", kMissing},
    {5, kEmpty, "25", kEmpty},
    {-1, kOther, "autre", kOther},
    {-1, kEmpty, "25", kEmpty},
    {3, kMissing, "25", kMissing},
    {2, kQuotedDefault, "25", "[S]\nk = 25\n"},
    {1, kQuotedDefault, "25", kQuotedDefault},
};

TEST_F(LireEcrireINI, ModesTable) {
    for (const ModeRow& row : kModes) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << " on " << row.before);
        WriteBytes(path, row.before);
        EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"25", file, row.mode),
                  vb::FromAscii(row.result));
        EXPECT_EQ(ReadBytes(path), row.after);
    }
}

TEST_F(LireEcrireINI, Mode2OnAMissingFileLeavesATemplate) {
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"de", u"", file, 2), u"");
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"statut", u"D", file, 2), u"D");
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"Envoi MAIL", u"OK", file, 2), u"OK");
    EXPECT_EQ(ReadBytes(path), "[SAUVE]\nde=\nstatut=D\nEnvoi MAIL=OK\n");
}

TEST_F(LireEcrireINI, ValuesAreReadAsStoredNotAsTheDefault) {
    WriteBytes(path, "[Sauve]\nEnvoi MAIL=ok\nde =  \"  /x/  \"  \nvers='/y/'\n");
    const auto before = ReadBytes(path);
    // The procedure name left by "SAUVE /I" carries a trailing blank.
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE ", u"envoi mail", u"OK", file, 2), u"ok");
    EXPECT_EQ(INI32::LireEcrireINI(u"sauve", u"DE", u"", file, 2), u"  /x/  ");
    EXPECT_EQ(INI32::LireEcrireINI(u"sauve", u"vers", u"", file, 1), u"/y/");
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(LireEcrireINI, DefaultWithTrailingBlanksIsReadWithoutThem) {
    WriteBytes(path, kMissing);
    // The read returns "25", which differs from "25 ", so mode 2 writes nothing.
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"25 ", file, 2), u"25");
    EXPECT_EQ(ReadBytes(path), kMissing);
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"   ", file, 1), u"   ");
}

TEST_F(LireEcrireINI, NamesAreFoundAgainAsTheyAreWritten) {
    // A name holding "]", one edged with tabs, and one from a Latin-1 command line (its
    // byte kept as a lone surrogate): the second read in mode 2 finds what the first wrote.
    const vb::String latin1{u'c', u'a', u'f', static_cast<vb::Char>(0xDCE9)};
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(INI32::LireEcrireINI(u"x]y", u"de", u"/x/", file, 2), u"/x/");
        EXPECT_EQ(INI32::LireEcrireINI(u"\tOnglet", u"clé\t", u"1", file, 2), u"1");
        EXPECT_EQ(INI32::LireEcrireINI(latin1, u"k", u"2", file, 2), u"2");
    }
    const std::string written = "[x]y]\nde=/x/\n\n[Onglet]\ncl\xc3\xa9=1\n\n[caf\xe9]\nk=2\n";
    EXPECT_EQ(ReadBytes(path), written);

    // What a line cannot hold is never written: a key holding "=" or starting with ";" or
    // "[", a line break in a name or a value. The call answers with its default.
    const struct {
        vb::String section;
        vb::String key;
        vb::String value;
    } refused[] = {{u"x]y", u"de=", u"d"},   {u"x]y", u" ;de", u"d"},
                   {u"x]y", u"\t[de", u"d"}, {u"x]y", u"de\nvers", u"d"},
                   {u"x]y\r", u"de", u"d"},  {u"x]y", u"vers", u"d\n[x]y]\nvers=e"}};
    for (const auto& r : refused) {
        EXPECT_EQ(INI32::LireEcrireINI(r.section, r.key, r.value, file, 2), r.value);
        EXPECT_EQ(INI32::LireEcrireINI(r.section, r.key, r.value, file, 0), r.value);
    }
    EXPECT_EQ(ReadBytes(path), written);
}

TEST_F(LireEcrireINI, LongValuesAreCutTo589Characters) {
    const std::string stored = std::string(300, 'a') + std::string(400, 'b');
    WriteBytes(path, "[S]\nk=" + stored + "\n");
    const vb::String read = INI32::LireEcrireINI(u"S", u"k", u"", file, 2);
    EXPECT_EQ(read, vb::FromAscii(stored.substr(0, 589)));
    EXPECT_EQ(ReadBytes(path), "[S]\nk=" + stored + "\n");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"absent", vb::FromAscii(stored), file, 1), read);
}

TEST_F(LireEcrireINI, NamesArePassedUpToTheirNulAndCutAt600) {
    const std::string long599(599, 's');
    const std::string long650 = std::string(600, 't') + std::string(50, 'u');
    INI32::LireEcrireINI(vb::FromAscii(long599), u"k", u"1", file, 0);
    INI32::LireEcrireINI(vb::FromAscii(long650), vb::FromAscii(long650), u"2", file, 0);
    INI32::LireEcrireINI(vb::String(u"ab\0cd", 5), u"k", u"3", file, 0);
    const std::string cut = long650.substr(0, 600);
    EXPECT_EQ(ReadBytes(path),
              "[" + long599 + "]\nk=1\n\n[" + cut + "]\n" + cut + "=2\n\n[ab]\nk=3\n");
}

TEST_F(LireEcrireINI, EmptyFileNameIsTheFileNamedAfterTheProgram) {
    const auto beside = std::filesystem::path(vb::EncodeName(vb::App().Path)) /
                        (vb::EncodeName(vb::App().EXEName) + ".ini");
    const testsupport::RemoveOnExit cleanup{beside, beside.string() + ".lock"};
    std::filesystem::remove(beside);
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v", u"", 2), u"v");
    EXPECT_EQ(ReadBytes(beside), "[S]\nk=v\n");
    WriteBytes(beside, "[S]\nk=lu\n");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v", u"", 1), u"lu");
}

TEST_F(LireEcrireINI, BareNamesAndDollarAloneAreInTheWindowsFolder) {
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"1", u"reglages.ini", 2), u"1");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"2", u"$", 0), u"2");
    EXPECT_EQ(ReadBytes(windir / "reglages.ini"), "[S]\nk=1\n");
    EXPECT_EQ(ReadBytes(windir / "$"), "[S]\nk=2\n");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"", u"$", 1), u"2");
}

TEST_F(LireEcrireINI, FailedWritesStillAnswer) {
    const vb::String nowhere = NameOf(dir / "absent" / "quorvel.ini");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"valeur", nowhere, 0), u"valeur");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"defaut", nowhere, 2), u"defaut");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"defaut", nowhere, 1), u"defaut");
    EXPECT_FALSE(std::filesystem::exists(dir / "absent"));
}

TEST_F(LireEcrireINI, ANamedPipeAtTheSettingsPathReadsAsMissingAtOnceAndIsNeverWritten) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    // In a child, so that a read waiting for a writer fails the test instead of holding it.
    const std::string read = testsupport::InChild(
        [&] {
            ::alarm(10);
            return vb::ToUtf8(INI32::LireEcrireINI(u"S", u"k", u"25", file, 2));
        },
        false);
    EXPECT_EQ(read, "25");
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

struct BranchCall {
    vb::String keyPath;
    vb::String cle;
    vb::String valeur;
    std::int16_t mode;
};

// Installs a registry branch for one test and removes it afterwards.
class BranchGuard {
public:
    explicit BranchGuard(INI32::RegistryBranch branch) {
        INI32::SetRegistryBranch(std::move(branch));
    }
    ~BranchGuard() { INI32::SetRegistryBranch(nullptr); }
    BranchGuard(const BranchGuard&) = delete;
    BranchGuard& operator=(const BranchGuard&) = delete;
};

TEST_F(LireEcrireINI, RegistryPathsGoToTheBranch) {
    const vb::String key = u"$HKEY_CURRENT_USER\\Software\\Quorvel";
    // No branch installed: read as missing, nothing written anywhere.
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v0", key, 0), u"v0");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v2", key, 2), u"v2");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v1", key, 1), u"v1");
    EXPECT_TRUE(std::filesystem::is_empty(windir.path()));

    std::vector<BranchCall> calls;
    const BranchGuard guard([&](const vb::String& keyPath, const vb::String& cle,
                                const vb::String& valeur, std::int16_t mode) {
        calls.push_back({keyPath, cle, valeur, mode});
        return u"registre " + valeur;
    });
    EXPECT_EQ(INI32::LireEcrireINI(u"Sect", u"Cle", u"x", key, 2), u"registre x");
    EXPECT_EQ(INI32::LireEcrireINI(u"Sect", u"Cle", u"y", key, 0), u"registre y");
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].keyPath, u"HKEY_CURRENT_USER\\Software\\Quorvel\\Sect");
    EXPECT_EQ(calls[0].cle, u"Cle");
    EXPECT_EQ(calls[0].mode, 2);
    EXPECT_EQ(calls[1].valeur, u"y");
    EXPECT_EQ(calls[1].mode, 0);
    // "$" alone is still a file.
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"f", u"$", 2), u"f");
    EXPECT_EQ(calls.size(), 2U);
    EXPECT_EQ(ReadBytes(windir / "$"), "[S]\nk=f\n");
}

TEST_F(LireEcrireINI, BranchErrorsDoNotReachTheCaller) {
    const BranchGuard guard(
        [](const vb::String&, const vb::String&, const vb::String&, std::int16_t) -> vb::String {
            vb::Raise(vb::err::PermissionDenied);
        });
    EXPECT_NO_THROW(INI32::LireEcrireINI(u"S", u"k", u"v", u"$HKEY_USERS\\x", 2));
}

} // namespace
