#include "win32/Registry.h"

#include "support/Child.h"
#include "support/RegistryFile.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace {

using namespace win32;

HKEY Create(HKEY root, vb::StringView path, std::uint32_t* disposition = nullptr) {
    HKEY key = 0;
    std::uint32_t created = 0;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, u"", 0, KEY_ALL_ACCESS, nullptr, key, created), 0);
    if (disposition != nullptr) {
        *disposition = created;
    }
    return key;
}

std::int32_t Set(HKEY key, vb::StringView name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, text.c_str(),
                          static_cast<std::uint32_t>(text.size() + 1));
}

// The value's bytes, or the result code in brackets.
std::string Get(HKEY key, vb::StringView name) {
    std::uint32_t size = 0;
    if (const auto r = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size); r != 0) {
        return "[" + std::to_string(r) + "]";
    }
    std::string data(size, '?');
    const auto r = RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
    return r == 0 ? data : "[" + std::to_string(r) + "]";
}

std::vector<vb::String> SubKeys(HKEY key) {
    std::vector<vb::String> names;
    vb::String buffer(64, u' ');
    for (std::uint32_t i = 0; RegEnumKeyA(key, i, buffer, 64) == 0; ++i) {
        names.push_back(buffer.substr(0, buffer.find(u'\0')));
    }
    return names;
}

std::vector<vb::String> ValueNames(HKEY key) {
    std::vector<vb::String> names;
    vb::String buffer(64, u' ');
    std::uint32_t size = 64;
    for (std::uint32_t i = 0;
         RegEnumValueA(key, i, buffer, size = 64, nullptr, nullptr, nullptr, nullptr) == 0; ++i) {
        names.push_back(buffer.substr(0, size));
    }
    return names;
}

TEST(Registry, KeysAndValuesMatchedWithoutCase) {
    const testsupport::RegistryFile store;
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, key), 2);
    // Created on the first write only: a delete that finds nothing makes no store either.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u""), 5);
    EXPECT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, u"v"), 2);
    EXPECT_FALSE(std::filesystem::exists(store.path));
    testsupport::WriteBytes(store.path, ""); // as `touch` leaves it
    EXPECT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, u"v"), 2);
    EXPECT_EQ(std::filesystem::file_size(store.path), 0U);

    std::uint32_t disposition = 0;
    const HKEY made = Create(HKEY_CURRENT_USER, u"Software\\Quorvel\\Réglages", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const HKEY again = Create(HKEY_CURRENT_USER, u"SOFTWARE\\quorvel\\RÉGLAGES\\", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(again, made);
    EXPECT_EQ(Set(made, u"Envoi MAIL", "OK"), 0);
    EXPECT_EQ(Set(again, u"ENVOI mail", "non"), 0);
    EXPECT_EQ(Get(made, u"envoi Mail"), std::string("non") + '\0');
    EXPECT_EQ(ValueNames(made), std::vector<vb::String>{u"Envoi MAIL"});
    // Another root is another tree.
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, key), 2);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, u"Software\\\\Quorvel", 0, KEY_READ, key), 161);
    EXPECT_EQ(RegOpenKeyExA(0, u"Software", 0, KEY_READ, key), 6);
    EXPECT_EQ(key, 0U);
    EXPECT_EQ(RegCloseKey(made), 0);
    EXPECT_EQ(RegCloseKey(made), 6);
}

TEST(Registry, EnumerationOrderAndBufferSizes) {
    const testsupport::RegistryFile store;
    const HKEY key = Create(HKEY_USERS, u"Ordre");
    for (const auto* name : {u"b", u"A", u"c", u"Ä"}) {
        RegCloseKey(Create(key, name));
    }
    EXPECT_EQ(SubKeys(key), (std::vector<vb::String>{u"A", u"b", u"c", u"Ä"}));
    for (const auto* name : {u"z", u"", u"a"}) {
        Set(key, name, "x");
    }
    Set(key, u"Z", "y"); // keeps its place
    EXPECT_EQ(ValueNames(key), (std::vector<vb::String>{u"z", u"", u"a"}));

    vb::String buffer(8, u' ');
    std::uint32_t size = 1;
    EXPECT_EQ(RegEnumValueA(key, 0, buffer, size, nullptr, nullptr, nullptr, nullptr), 234);
    EXPECT_EQ(RegEnumKeyA(key, 0, buffer, 1), 234);
    EXPECT_EQ(RegEnumKeyA(key, 4, buffer, 8), 259);
    char data[1];
    std::uint32_t dataSize = 1;
    EXPECT_EQ(RegQueryValueExA(key, u"z", nullptr, nullptr, data, &dataSize), 234);
    EXPECT_EQ(dataSize, 2U);
}

TEST(Registry, RightsAndDeletion) {
    const testsupport::RegistryFile store;
    RegCloseKey(Create(HKEY_CURRENT_USER, u"Parent\\Enfant"));
    HKEY reader = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, u"Parent", 0, KEY_READ, reader), 0);
    EXPECT_EQ(Set(reader, u"v", "1"), 5);
    EXPECT_EQ(RegDeleteKeyA(reader, u"Enfant"), 5);
    EXPECT_EQ(Get(reader, u"v"), "[2]");

    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u"Parent"), 5); // still has a sub-key
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u"Parent\\Enfant"), 0);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u"Parent\\Enfant"), 2);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u""), 5);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, u"Parent"), 0);
    // A handle outlives its deleted key without reaching a new one.
    EXPECT_EQ(Get(reader, u"v"), "[2]");
    const HKEY writer = Create(HKEY_CURRENT_USER, u"Parent");
    EXPECT_EQ(SubKeys(reader), std::vector<vb::String>{});
    EXPECT_EQ(Set(writer, u"v", "2"), 0);
    EXPECT_EQ(Get(reader, u"v"), "[2]");
    EXPECT_EQ(RegDeleteValueA(writer, u"V"), 0);
    EXPECT_EQ(RegDeleteValueA(writer, u"v"), 2);
}

TEST(Registry, TwoProcessesWritingOneKeyBothKeepTheirs) {
    const testsupport::RegistryFile store;
    constexpr int kValues = 40;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (const char writer : {'a', 'b'}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char byte = 0;
            int failures = static_cast<int>(::read(gate[0], &byte, 1));
            for (int i = 0; i < kValues; ++i) {
                // Each write opens the key, creating it when missing, as the settings do.
                HKEY key = 0;
                std::uint32_t disposition = 0;
                failures += RegCreateKeyExA(HKEY_CURRENT_USER, u"Partage\\Commun", 0, u"", 0,
                                            KEY_WRITE, nullptr, key, disposition) != 0;
                const std::string name = writer + std::to_string(i);
                failures += Set(key, vb::FromAscii(name), name) != 0;
                RegCloseKey(key);
            }
            ::_exit(failures);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, u"Partage\\Commun", 0, KEY_READ, key), 0);
    EXPECT_EQ(ValueNames(key).size(), 2U * kValues);
    EXPECT_EQ(Get(key, u"b39"), std::string("b39") + '\0');
}

TEST(Registry, StoresThatCannotBeWrittenOrRead) {
    const testsupport::RegistryFile store;
    const HKEY key = Create(HKEY_CURRENT_USER, u"Lecture");
    Set(key, u"v", "lu");
    win32::testing::CloseRegistryStore();
    const auto before = testsupport::ReadBytes(store.path);
    std::filesystem::permissions(store.dir.path(), std::filesystem::perms(0755));
    // A folder this user may not write, so SQLite cannot make its journal files there; the
    // file itself read-only, then writable.
    for (const auto mode : {0444, 0666}) {
        SCOPED_TRACE(mode);
        std::filesystem::permissions(store.path, std::filesystem::perms(mode));
        const std::string seen = testsupport::InChild(
            [] {
                HKEY readOnly = 0;
                std::string out = std::to_string(
                    RegOpenKeyExA(HKEY_CURRENT_USER, u"lecture", 0, KEY_ALL_ACCESS, readOnly));
                out += " " + Get(readOnly, u"V");
                out += " " + std::to_string(Set(readOnly, u"v", "x"));
                std::uint32_t disposition = 0;
                HKEY created = 0;
                out +=
                    " " + std::to_string(RegCreateKeyExA(HKEY_CURRENT_USER, u"Neuve", 0, u"", 0,
                                                         KEY_WRITE, nullptr, created, disposition));
                return out + " " + std::to_string(RegDeleteKeyA(HKEY_CURRENT_USER, u"Lecture"));
            },
            true);
        EXPECT_EQ(seen, std::string("0 lu\0 5 5 5", 11));
        EXPECT_EQ(testsupport::ReadBytes(store.path), before);
    }

    // A file that is no database is neither read nor touched; a folder cannot be opened.
    win32::testing::CloseRegistryStore();
    testsupport::WriteBytes(store.path, "pas une base");
    HKEY none = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, u"Lecture", 0, KEY_READ, none), 1009);
    EXPECT_EQ(Set(HKEY_CURRENT_USER, u"v", "x"), 1009);
    EXPECT_EQ(testsupport::ReadBytes(store.path), "pas une base");
    win32::testing::CloseRegistryStore();
    const testsupport::ScopedEnv folder("QUORVEL_REGISTRY", store.dir.path().string());
    EXPECT_EQ(Set(HKEY_CURRENT_USER, u"v", "x"), 5);
}

TEST(Registry, DefaultStoreFolderIsMadeWholeAtTheFirstWrite) {
    const testsupport::RegistryFile closing;
    const testsupport::TempFolder home;
    const testsupport::ScopedEnv named("QUORVEL_REGISTRY", std::nullopt);
    const testsupport::ScopedEnv config("XDG_CONFIG_HOME", (home / "a/b").string());
    EXPECT_EQ(Set(HKEY_CURRENT_USER, u"v", "x"), 0);
    win32::testing::CloseRegistryStore();
    EXPECT_EQ(Get(HKEY_CURRENT_USER, u"v"), std::string("x") + '\0');
    for (const char* level : {"a", "a/b", "a/b/quorvel"}) {
        EXPECT_EQ(std::filesystem::status(home / level).permissions(),
                  std::filesystem::perms::owner_all)
            << level;
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(home / "a/b/quorvel/registre.sqlite"));
}

} // namespace
