#include "win32/RegistryStore.h"

#include "vb/Encoding.h"
#include "win32/Registry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <compare>
#include <cstdlib>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

namespace {

constexpr int kBusyMilliseconds = 10000;
// The tables name it in their schema.
constexpr const char* kCollation = "runtime_case";

// Root rows are created with the tables, ids 1 to 7 in the order of the root handles.
constexpr std::array<const char*, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

std::int32_t CodeOf(int result) {
    switch (result & 0xFF) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return ERROR_BADDB;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

void Check(int result) {
    if (result != SQLITE_OK) {
        throw RegistryFailure{CodeOf(result)};
    }
}

void Exec(sqlite3* db, const char* sql) {
    Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// Turning a new file to WAL needs it to itself, and the busy time-out does not wait for
// that: another process creating the store at the same moment is waited for here.
void UseWal(sqlite3* db) {
    constexpr int kStep = 10;
    for (int waited = 0;; waited += kStep) {
        const int result = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if ((result & 0xFF) != SQLITE_BUSY || waited >= kBusyMilliseconds) {
            Check(result);
            return;
        }
        sqlite3_sleep(kStep);
    }
}

// Names compare as the runtime's text comparison does: letter by letter, upper-cased.
int CompareNames(void* /*unused*/, int aSize, const void* a, int bSize, const void* b) {
    const vb::String x =
        vb::DecodeText(std::string_view(static_cast<const char*>(a), static_cast<size_t>(aSize)));
    const vb::String y =
        vb::DecodeText(std::string_view(static_cast<const char*>(b), static_cast<size_t>(bSize)));
    const auto order = std::lexicographical_compare_three_way(
        x.begin(), x.end(), y.begin(), y.end(),
        [](vb::Char l, vb::Char r) { return vb::UpperChar(l) <=> vb::UpperChar(r); });
    return std::is_lt(order) ? -1 : (std::is_gt(order) ? 1 : 0);
}

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) {
        sqlite3_stmt* raw = nullptr;
        const int result =
            sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
        stmt_.reset(raw);
        Check(result);
    }

    Statement& Bind(int index, std::int64_t value) {
        Check(sqlite3_bind_int64(stmt_.get(), index, value));
        return *this;
    }
    Statement& Bind(int index, std::string_view text) {
        Check(sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& BindBlob(int index, std::string_view bytes) {
        // A null pointer would bind NULL rather than no bytes.
        Check(bytes.empty() ? sqlite3_bind_zeroblob(stmt_.get(), index, 0)
                            : sqlite3_bind_blob(stmt_.get(), index, bytes.data(),
                                                static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
        return *this;
    }

    // True while there is a row to read.
    bool Step() {
        const int result = sqlite3_step(stmt_.get());
        if (result == SQLITE_ROW) {
            return true;
        }
        if (result != SQLITE_DONE) {
            throw RegistryFailure{CodeOf(result)};
        }
        return false;
    }

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_.get(), column); }
    std::string Bytes(int column) const {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_.get(), column));
        const int size = sqlite3_column_bytes(stmt_.get(), column);
        return bytes == nullptr ? std::string() : std::string(bytes, static_cast<size_t>(size));
    }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
    };
    std::unique_ptr<sqlite3_stmt, Finalize> stmt_;
};

std::string ConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw != nullptr ? pw->pw_dir : "";
    }
    return std::string(home) + "/.config";
}

// Makes every missing level of `folder`, each for this user only; one that cannot be made
// shows when the store is opened.
void MakeFolders(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        ::mkdir(folder.substr(0, end).c_str(), 0700);
        if (end == std::string::npos) {
            return;
        }
    }
}

// The store file: QUORVEL_REGISTRY when set, otherwise quorvel/registre.sqlite in the
// user's configuration folder, whose missing levels `create` makes.
std::string StorePath(bool create) {
    if (const char* named = std::getenv("QUORVEL_REGISTRY"); named != nullptr && *named != '\0') {
        return named;
    }
    const std::string folder = ConfigFolder() + "/quorvel";
    if (create) {
        MakeFolders(folder);
    }
    return folder + "/registre.sqlite";
}

std::string ImmutableUri(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) != 0 || c == '/' || c == '-' || c == '_' || c == '.') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri + "?immutable=1";
}

} // namespace

void RegistryStore::CloseDatabase::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

RegistryStore& RegistryStore::instance() {
    static RegistryStore store;
    return store;
}

RegistryStore::~RegistryStore() = default;

RegistryStore::KeyId RegistryStore::RootOf(std::uint32_t root) {
    return root >= HKEY_CLASSES_ROOT && root <= HKEY_DYN_DATA ? root - HKEY_CLASSES_ROOT + 1 : 0;
}

void RegistryStore::Open(bool create) {
    const std::string path = StorePath(create);
    const auto connect = [](const std::string& name, int flags) {
        sqlite3* raw = nullptr;
        const int result = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
        std::unique_ptr<sqlite3, CloseDatabase> db(raw);
        Check(result);
        sqlite3_extended_result_codes(db.get(), 1);
        sqlite3_busy_timeout(db.get(), kBusyMilliseconds);
        Check(sqlite3_create_collation_v2(db.get(), kCollation, SQLITE_UTF8, nullptr, CompareNames,
                                          nullptr));
        return db;
    };
    // A WAL store is read through its -wal and -shm files, made beside it at the first read.
    // Where this user may not make them (a folder it may not write), the store is read
    // without writing: through the files another process left there, else as it stands.
    const auto readable = [](sqlite3* db) {
        const int probe =
            sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        return (probe & 0xFF) != SQLITE_READONLY && (probe & 0xFF) != SQLITE_CANTOPEN;
    };
    auto db = connect(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
    if (!readable(db.get())) {
        db = connect(path, SQLITE_OPEN_READONLY);
        if (!readable(db.get())) {
            db = connect(ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        }
    }
    if (sqlite3_db_readonly(db.get(), "main") == 0) {
        // Committed writes may be lost with the power, never half-kept.
        Exec(db.get(), "PRAGMA synchronous=NORMAL");
    }
    db_ = std::move(db);
    schema_ = false;
}

void RegistryStore::CheckSchema() {
    Statement tables(db_.get(), "SELECT 1 FROM sqlite_master WHERE type='table' AND name='vals'");
    schema_ = tables.Step();
}

bool RegistryStore::OpenForReading() {
    if (!db_) {
        struct stat info {};
        if (::stat(StorePath(false).c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                return false;
            }
            throw RegistryFailure{ERROR_ACCESS_DENIED};
        }
        Open(false);
    }
    if (!schema_) {
        CheckSchema();
    }
    return schema_;
}

template <typename Work> auto RegistryStore::Transaction(Work&& work) {
    Exec(db_.get(), "BEGIN IMMEDIATE");
    try {
        auto result = std::forward<Work>(work)();
        Exec(db_.get(), "COMMIT");
        return result;
    } catch (const RegistryFailure&) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void RegistryStore::OpenForWriting() {
    if (!db_) {
        Open(true);
    }
    if (sqlite3_db_readonly(db_.get(), "main") != 0) {
        throw RegistryFailure{ERROR_ACCESS_DENIED};
    }
    if (schema_) {
        return;
    }
    UseWal(db_.get());
    schema_ = Transaction([&] {
        Exec(db_.get(), "CREATE TABLE IF NOT EXISTS keys("
                        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                        " parent INTEGER NOT NULL,"
                        " name TEXT NOT NULL COLLATE runtime_case,"
                        " UNIQUE(parent, name));"
                        "CREATE TABLE IF NOT EXISTS vals("
                        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                        " key INTEGER NOT NULL,"
                        " name TEXT NOT NULL COLLATE runtime_case,"
                        " type INTEGER NOT NULL,"
                        " data BLOB NOT NULL,"
                        " UNIQUE(key, name))");
        for (std::size_t i = 0; i < kRootNames.size(); ++i) {
            Statement(db_.get(), "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(?, 0, ?)")
                .Bind(1, static_cast<std::int64_t>(i + 1))
                .Bind(2, kRootNames.at(i))
                .Step();
        }
        return true;
    });
}

template <typename Work> auto RegistryStore::Write(Work&& work) {
    OpenForWriting();
    return Transaction(std::forward<Work>(work));
}

void RegistryStore::RequireKey(KeyId key) {
    if (!Statement(db_.get(), "SELECT 1 FROM keys WHERE id=?").Bind(1, key).Step()) {
        throw RegistryFailure{ERROR_KEY_DELETED};
    }
}

std::optional<RegistryStore::KeyId> RegistryStore::Find(KeyId from,
                                                        const std::vector<std::string>& path) {
    if (!OpenForReading()) {
        return path.empty() && RootOf(HKEY_CLASSES_ROOT) <= from && from <= RootOf(HKEY_DYN_DATA)
                   ? std::optional(from)
                   : std::nullopt;
    }
    if (path.empty() &&
        !Statement(db_.get(), "SELECT 1 FROM keys WHERE id=?").Bind(1, from).Step()) {
        return std::nullopt;
    }
    KeyId id = from;
    for (const std::string& name : path) {
        Statement level(db_.get(), "SELECT id FROM keys WHERE parent=? AND name=?");
        if (!level.Bind(1, id).Bind(2, name).Step()) {
            return std::nullopt;
        }
        id = level.Int(0);
    }
    return id;
}

std::pair<RegistryStore::KeyId, bool> RegistryStore::Create(KeyId from,
                                                            const std::vector<std::string>& path) {
    return Write([&] {
        RequireKey(from);
        KeyId id = from;
        bool created = false;
        for (const std::string& name : path) {
            Statement level(db_.get(), "SELECT id FROM keys WHERE parent=? AND name=?");
            created = !level.Bind(1, id).Bind(2, name).Step();
            if (created) {
                Statement(db_.get(), "INSERT INTO keys(parent, name) VALUES(?, ?)")
                    .Bind(1, id)
                    .Bind(2, name)
                    .Step();
                id = sqlite3_last_insert_rowid(db_.get());
            } else {
                id = level.Int(0);
            }
        }
        return std::pair(id, created);
    });
}

void RegistryStore::Delete(KeyId key) {
    // A root is never deleted: refused before the store is made.
    if (key <= RootOf(HKEY_DYN_DATA)) {
        throw RegistryFailure{ERROR_ACCESS_DENIED};
    }
    Write([&] {
        if (Statement(db_.get(), "SELECT 1 FROM keys WHERE parent=?").Bind(1, key).Step()) {
            throw RegistryFailure{ERROR_ACCESS_DENIED};
        }
        Statement(db_.get(), "DELETE FROM vals WHERE key=?").Bind(1, key).Step();
        Statement(db_.get(), "DELETE FROM keys WHERE id=?").Bind(1, key).Step();
        return true;
    });
}

std::optional<RegistryValue> RegistryStore::Value(KeyId key, const std::string& name) {
    if (!OpenForReading()) {
        return std::nullopt;
    }
    Statement value(db_.get(), "SELECT name, type, data FROM vals WHERE key=? AND name=?");
    if (!value.Bind(1, key).Bind(2, name).Step()) {
        return std::nullopt;
    }
    return RegistryValue{value.Bytes(0), static_cast<std::uint32_t>(value.Int(1)), value.Bytes(2)};
}

void RegistryStore::SetValue(KeyId key, const std::string& name, std::uint32_t type,
                             std::string_view data) {
    Write([&] {
        RequireKey(key);
        // An existing value keeps its place among the key's values, and its spelling.
        Statement(db_.get(), "INSERT INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)"
                             " ON CONFLICT(key, name) DO UPDATE"
                             " SET type=excluded.type, data=excluded.data")
            .Bind(1, key)
            .Bind(2, name)
            .Bind(3, static_cast<std::int64_t>(type))
            .BindBlob(4, data)
            .Step();
        return true;
    });
}

bool RegistryStore::DeleteValue(KeyId key, const std::string& name) {
    // A store not made yet holds no value, and finding none makes nothing.
    if (!OpenForReading()) {
        return false;
    }
    return Write([&] {
        Statement(db_.get(), "DELETE FROM vals WHERE key=? AND name=?")
            .Bind(1, key)
            .Bind(2, name)
            .Step();
        return sqlite3_changes(db_.get()) > 0;
    });
}

std::vector<std::string> RegistryStore::SubKeys(KeyId key) {
    std::vector<std::string> names;
    if (OpenForReading()) {
        Statement keys(db_.get(), "SELECT name FROM keys WHERE parent=? ORDER BY name");
        keys.Bind(1, key);
        while (keys.Step()) {
            names.push_back(keys.Bytes(0));
        }
    }
    return names;
}

std::vector<RegistryValue> RegistryStore::Values(KeyId key) {
    std::vector<RegistryValue> values;
    if (OpenForReading()) {
        Statement rows(db_.get(), "SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
        rows.Bind(1, key);
        while (rows.Step()) {
            values.push_back(
                {rows.Bytes(0), static_cast<std::uint32_t>(rows.Int(1)), rows.Bytes(2)});
        }
    }
    return values;
}

std::pair<std::int64_t, std::int64_t> RegistryStore::Version() {
    if (!OpenForReading() && !db_) {
        return {-1, -1};
    }
    Statement version(db_.get(), "PRAGMA data_version");
    version.Step();
    return {version.Int(0), sqlite3_total_changes64(db_.get())};
}

void RegistryStore::Close() {
    db_.reset();
    schema_ = false;
}

} // namespace win32
