#include "settings/RegistryKey.h"

#include "settings/INI32.h"
#include "settings/Module5.h"
#include "support/RegistryFile.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <gtest/gtest.h>

namespace {

using win32::HKEY_CURRENT_USER;
using win32::KEY_ALL_ACCESS;
using win32::KEY_READ;

// The error a call raises, as "number|source|description".
template <typename Call> std::string Raised(Call&& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        return std::to_string(e.number()) + "|" + vb::ToUtf8(e.source()) + "|" +
               vb::ToUtf8(e.description());
    }
    return "nothing";
}

vb::String Stored(const vb::String& path, const vb::String& name) {
    RegistryKey key;
    key.OpenKey(HKEY_CURRENT_USER, path, KEY_READ);
    return key.handle() == 0 ? u"<no key>" : key.value(name).ToString();
}

class RegistrySettings : public ::testing::Test {
public:
    RegistrySettings() { Module5::InstallRegistryBranch(); }
    ~RegistrySettings() override { INI32::SetRegistryBranch(nullptr); }

protected:
    const testsupport::RegistryFile store;
};

TEST_F(RegistrySettings, AccessorKeepsSettingsUnderTheKeyPath) {
    const vb::String file = u"$hkey_current_user\\Software\\Quorvel";
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"statut", u"D", file, 1), u"D");
    EXPECT_FALSE(std::filesystem::exists(store.path));
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"statut", u"D", file, 2), u"D");
    EXPECT_EQ(Stored(u"Software\\Quorvel\\SAUVE", u"statut"), u"D");

    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"de", u"/données/", file, 0), u"/données/");
    EXPECT_EQ(INI32::LireEcrireINI(u"sauve", u"DE", u"", file, 2), u"/données/");
    // An empty value reads as the default, which only mode 2 stores.
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"vers", u"", file, 0), u"");
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"vers", u"/x/", file, 1), u"/x/");
    EXPECT_EQ(Stored(u"Software\\Quorvel\\SAUVE", u"vers"), u"");
    EXPECT_EQ(INI32::LireEcrireINI(u"SAUVE", u"vers", u"/x/", file, 2), u"/x/");
    EXPECT_EQ(Stored(u"Software\\Quorvel\\SAUVE", u"vers"), u"/x/");

    // A root name outside the seven reads the default and writes nothing.
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"v", u"$HKCU\\Software", 2), u"v");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"w", u"$HKCU\\Software", 0), u"w");
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"", u"$HKCU\\Software", 1), u"");
    EXPECT_EQ(Stored(u"HKCU\\Software\\S", u"k"), u"<no key>");
    EXPECT_EQ(Stored(u"Software\\S", u"k"), u"<no key>");
    // The root name is the whole text before the first "\": one that only begins with a
    // root's name is none, and a path without a "\" has no root at all.
    EXPECT_EQ(INI32::LireEcrireINI(u"S", u"k", u"w", u"$HKEY_CURRENT_USERSoftware", 0), u"w");
    Module5::EcrireValeurRegistre(u"HKEY_CURRENT_USER", u"k", vb::Variant(u"w"));
    EXPECT_EQ(Stored(u"S", u"k"), u"<no key>");
    EXPECT_EQ(Stored(u"HKEY_CURRENT_USER", u"k"), u"<no key>");
    EXPECT_EQ(Stored(u"", u"k"), u"");
    RegistryKey root;
    root.OpenKey(HKEY_CURRENT_USER, u"", win32::KEY_WRITE);
    root.value(u"k", vb::Variant(u"racine"));
    EXPECT_EQ(Module5::LireValeurRegistre(u"HKEY_CURRENT_USER", u"k").ToString(), u"");
}

TEST_F(RegistrySettings, OpeningAndCreatingKeys) {
    RegistryKey key;
    key.OpenKey(HKEY_CURRENT_USER, u"Absente\\Niveau", KEY_READ);
    EXPECT_EQ(key.handle(), 0U);
    key.OpenKey(HKEY_CURRENT_USER, u"Absente", KEY_ALL_ACCESS);
    EXPECT_EQ(key.handle(), 0U); // only KEY_WRITE creates

    EXPECT_TRUE(key.CreateKey(HKEY_CURRENT_USER, u"Neuve\\Niveau", u"", 0, KEY_ALL_ACCESS));
    EXPECT_FALSE(key.CreateKey(HKEY_CURRENT_USER, u"NEUVE\\niveau", u"", 0, KEY_ALL_ACCESS));
    EXPECT_NE(key.handle(), 0U);
    key.value(u"texte", vb::Variant(u"Été à l'œil"));
    key.value(u"nombre", vb::Variant(std::int32_t{42}));
    EXPECT_EQ(key.value(u"TEXTE").ToString(), u"Été à l'œil");
    EXPECT_EQ(key.value(u"nombre").ToString(), u"42");
    EXPECT_EQ(key.value(u"absente").ToString(), u"");
    // Stored bytes lose their last one whatever their type: four bytes read as three.
    const char dword[] = {'1', '2', '3', '4'};
    win32::RegSetValueExA(key.handle(), u"mot", 0, 4, dword, 4);
    EXPECT_EQ(key.value(u"mot").ToString(), u"123");

    // KEY_WRITE creates every missing level; the value written reads back elsewhere.
    RegistryKey writer;
    writer.OpenKey(HKEY_CURRENT_USER, u"Ecrite\\Deux\\Trois", win32::KEY_WRITE);
    EXPECT_NE(writer.handle(), 0U);
    writer.value(u"v", vb::Variant(u"ok"));
    EXPECT_EQ(writer.value(u"v").ToString(), u""); // a write-only handle cannot read
    EXPECT_EQ(Stored(u"ecrite\\deux\\trois", u"V"), u"ok");

    // Opening another key closes the one held: its handle number is free for the new one.
    const win32::HKEY held = writer.handle();
    writer.OpenKey(HKEY_CURRENT_USER, u"Neuve", KEY_READ);
    EXPECT_EQ(writer.handle(), held);
    const win32::HKEY created = key.handle();
    key.CreateKey(HKEY_CURRENT_USER, u"Neuve", u"", 0, KEY_ALL_ACCESS);
    EXPECT_EQ(key.handle(), created);
}

TEST_F(RegistrySettings, NameLists) {
    RegistryKey key;
    key.CreateKey(HKEY_CURRENT_USER, u"Listes", u"", 0, KEY_ALL_ACCESS);
    EXPECT_TRUE(key.ValueNames().empty());
    key.value(u"", vb::Variant(u"sans nom"));
    EXPECT_TRUE(key.ValueNames().empty());
    key.value(u"nom", vb::Variant(u"1"));
    EXPECT_EQ(key.ValueNames(), RegistryNames{u"nom"});
    EXPECT_EQ(key.SubValueNames(), (RegistryNames{u"", u"nom"}));

    RegistryKey child;
    for (const auto* name : {u"Zeta", u"alpha", u"Beta"}) {
        child.CreateKey(key.handle(), name, u"", 0, KEY_ALL_ACCESS);
    }
    EXPECT_EQ(key.SubKeyNames(), (RegistryNames{u"alpha", u"Beta", u"Zeta"}));
    EXPECT_EQ(child.SubKeyNames(), RegistryNames{});

    // With no key open the two absorbing lists give no list at all; ValueNames raises.
    RegistryKey closed;
    EXPECT_EQ(closed.SubKeyNames(), std::nullopt);
    EXPECT_EQ(closed.SubValueNames(), std::nullopt);
    EXPECT_EQ(Raised([&] { (void)closed.ValueNames(); }),
              "6|RegistryKey.GetValues|Unable to retrieve value names for registry key");
}

TEST_F(RegistrySettings, RaisedErrors) {
    RegistryKey key;
    key.CreateKey(HKEY_CURRENT_USER, u"Erreurs\\Sous", u"", 0, KEY_ALL_ACCESS);
    EXPECT_EQ(Raised([&] { key.DeleteValue(u"absente"); }),
              "2|RegistryKey.DeleteValue|Unable to delete registry value 'absente'");
    EXPECT_EQ(Raised([&] { key.DeleteSubKey(u"x"); }),
              "2|RegistryKey.DeleteSubKey|Unable to delete registry subkey 'x'");
    EXPECT_EQ(Raised([&] { key.DeleteKey(HKEY_CURRENT_USER, u"Erreurs"); }),
              "5|RegistryKey.DeleteKey|Unable to delete registry key 'Erreurs'");
    EXPECT_EQ(Raised([&] { key.DeleteKey(HKEY_CURRENT_USER, u"Erreurs\\Sous"); }), "nothing");

    // A handle the store no longer knows cannot be closed.
    win32::testing::CloseRegistryStore();
    EXPECT_EQ(Raised([&] { key.CloseKey(); }),
              "6|RegistryKey.CloseKey|An error occurred while closing the registy key");
    EXPECT_NE(key.handle(), 0U);
}

TEST_F(RegistrySettings, NameCountsAre16Bit) {
    RegistryKey key;
    key.CreateKey(HKEY_CURRENT_USER, u"Compte", u"", 0, KEY_ALL_ACCESS);
    for (int i = 0; i <= 32767; ++i) {
        key.value(vb::FromAscii(std::to_string(i)), vb::Variant(u""));
    }
    EXPECT_EQ(Raised([&] { (void)key.ValueNames(); }), "6||" + vb::ToUtf8(vb::DescriptionOf(6)));
    EXPECT_EQ(key.SubValueNames(), std::nullopt);
}

} // namespace
