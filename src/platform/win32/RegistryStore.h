#pragma once
// The registry's SQLite database: keys in a tree under the seven roots, values of a key in
// the order they were created. Names are UTF-8 and compared with the runtime's case
// folding. One connection per process, opened at first use and closed at exit; each write
// is one transaction, so other processes see it whole or not at all.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace win32 {

// A store step that failed, with the registry result code it gives.
struct RegistryFailure {
    std::int32_t code;
};

struct RegistryValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
};

class RegistryStore {
public:
    using KeyId = std::int64_t;

    static RegistryStore& instance();
    // The key of a predefined root handle; 0 when `root` is none.
    static KeyId RootOf(std::uint32_t root);

    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // The key `path` below `from` (the key itself for an empty path); none when a level
    // is missing. Before the first write there is no file, and every root is empty.
    std::optional<KeyId> Find(KeyId from, const std::vector<std::string>& path);
    // Creates the missing levels; also says whether the last level was new.
    std::pair<KeyId, bool> Create(KeyId from, const std::vector<std::string>& path);
    // Fails with ERROR_ACCESS_DENIED for a root (without making the store) or a key with
    // sub-keys.
    void Delete(KeyId key);

    std::optional<RegistryValue> Value(KeyId key, const std::string& name);
    void SetValue(KeyId key, const std::string& name, std::uint32_t type, std::string_view data);
    // False when there was no such value; a store not made yet stays so.
    bool DeleteValue(KeyId key, const std::string& name);

    std::vector<std::string> SubKeys(KeyId key);
    std::vector<RegistryValue> Values(KeyId key);

    // Changes whenever this process or another one has written since the last call; an
    // enumeration may keep what it read while this stays the same.
    std::pair<std::int64_t, std::int64_t> Version();

    void Close();

private:
    RegistryStore() = default;

    struct CloseDatabase {
        void operator()(sqlite3* db) const;
    };

    // False when there is no store file yet (or no tables in it).
    bool OpenForReading();
    void OpenForWriting();
    void Open(bool create);
    void CheckSchema();
    void RequireKey(KeyId key);
    // `work` as one transaction, undone when it fails.
    template <typename Work> auto Transaction(Work&& work);
    template <typename Work> auto Write(Work&& work);

    std::unique_ptr<sqlite3, CloseDatabase> db_;
    bool schema_ = false;
};

} // namespace win32
