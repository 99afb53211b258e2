#include "win32/Registry.h"

#include "vb/Encoding.h"
#include "win32/RegistryStore.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>

namespace win32 {

namespace {

using KeyId = RegistryStore::KeyId;

// What an enumeration read of a key, kept while the store does not change, so that going
// through the names by index reads the key once rather than once per index.
struct Snapshot {
    std::pair<std::int64_t, std::int64_t> version{-1, -1};
    std::optional<std::vector<std::string>> subKeys;
    std::optional<std::vector<RegistryValue>> values;
};

struct OpenedKey {
    KeyId id = 0;
    std::uint32_t rights = 0;
    Snapshot snapshot;
};

std::map<HKEY, OpenedKey>& Handles() {
    static std::map<HKEY, OpenedKey> handles;
    return handles;
}

// The roots, with every right, which no handle of the table holds.
std::map<HKEY, OpenedKey>& Roots() {
    static std::map<HKEY, OpenedKey> roots;
    return roots;
}

RegistryStore& Store() {
    return RegistryStore::instance();
}

// The key behind a root or an open handle; none for any other number.
OpenedKey* Resolve(HKEY hKey) {
    if (const KeyId root = RegistryStore::RootOf(hKey); root != 0) {
        return &Roots().try_emplace(hKey, OpenedKey{root, ~std::uint32_t{0}, {}}).first->second;
    }
    const auto found = Handles().find(hKey);
    return found == Handles().end() ? nullptr : &found->second;
}

// The levels of a key path; a closing "\" names the same key.
std::vector<std::string> Levels(vb::StringView path) {
    std::vector<std::string> levels;
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return levels;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(u'\\', start);
        const vb::StringView level = path.substr(start, end - start);
        if (level.empty()) {
            throw RegistryFailure{ERROR_BAD_PATHNAME};
        }
        levels.push_back(vb::EncodeText(level));
        if (end == vb::StringView::npos) {
            return levels;
        }
        start = end + 1;
    }
}

// The lowest number no open key holds.
HKEY NewHandle(KeyId id, std::uint32_t rights) {
    HKEY handle = 1;
    for (const auto& [used, key] : Handles()) {
        if (used != handle) {
            break;
        }
        ++handle;
    }
    Handles().emplace(handle, OpenedKey{id, rights, {}});
    return handle;
}

template <typename Call> std::int32_t Guarded(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (const RegistryFailure& failure) {
        return failure.code;
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}

// Runs `call` on the key behind `hKey` once the handle is known and holds `right` (0: any
// handle will do), and turns the store's failures into result codes.
template <typename Call> std::int32_t OnKey(HKEY hKey, std::uint32_t right, Call&& call) {
    return Guarded([&] {
        const auto key = Resolve(hKey);
        if (!key) {
            return ERROR_INVALID_HANDLE;
        }
        if ((key->rights & right) != right) {
            return ERROR_ACCESS_DENIED;
        }
        return std::forward<Call>(call)(*key);
    });
}

// The list `read` gives of the key, kept in its snapshot until the store changes.
template <typename List>
const List& Cached(OpenedKey& key, std::optional<List> Snapshot::*list,
                   List (RegistryStore::*read)(KeyId)) {
    Snapshot& snapshot = key.snapshot;
    if (const auto version = Store().Version(); version != snapshot.version) {
        snapshot = Snapshot{version, std::nullopt, std::nullopt};
    }
    if (!(snapshot.*list)) {
        snapshot.*list = (Store().*read)(key.id);
    }
    return *(snapshot.*list);
}

std::int32_t CopyData(const std::string& bytes, char* data, std::uint32_t* dataSize) {
    if (dataSize == nullptr) {
        return ERROR_SUCCESS;
    }
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t room = *dataSize;
    *dataSize = needed;
    if (data == nullptr) {
        return ERROR_SUCCESS;
    }
    if (room < needed) {
        return ERROR_MORE_DATA;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    return ERROR_SUCCESS;
}

// Puts `name` and a NUL at the start of `buffer`, within `room` characters.
bool PutName(const std::string& name, vb::String& buffer, std::uint32_t room) {
    const vb::String text = vb::DecodeText(name);
    if (text.size() + 1 > std::min<std::size_t>(room, buffer.size())) {
        return false;
    }
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = u'\0';
    return true;
}

} // namespace

std::int32_t RegOpenKeyExA(HKEY hKey, vb::StringView subKey, std::uint32_t /*options*/,
                           std::uint32_t samDesired, HKEY& result) {
    result = 0;
    return OnKey(hKey, 0, [&](const OpenedKey& from) {
        const auto id = Store().Find(from.id, Levels(subKey));
        if (!id) {
            return ERROR_FILE_NOT_FOUND;
        }
        result = NewHandle(*id, samDesired);
        return ERROR_SUCCESS;
    });
}

std::int32_t RegCreateKeyExA(HKEY hKey, vb::StringView subKey, std::uint32_t /*reserved*/,
                             vb::StringView /*className*/, std::uint32_t /*options*/,
                             std::uint32_t samDesired, const SECURITY_ATTRIBUTES* /*security*/,
                             HKEY& result, std::uint32_t& disposition) {
    result = 0;
    return OnKey(hKey, 0, [&](const OpenedKey& from) {
        const auto levels = Levels(subKey);
        if (const auto id = Store().Find(from.id, levels)) {
            disposition = REG_OPENED_EXISTING_KEY;
            result = NewHandle(*id, samDesired);
            return ERROR_SUCCESS;
        }
        if ((from.rights & KEY_CREATE_SUB_KEY) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        const auto [id, created] = Store().Create(from.id, levels);
        disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        result = NewHandle(id, samDesired);
        return ERROR_SUCCESS;
    });
}

std::int32_t RegCloseKey(HKEY hKey) {
    if (RegistryStore::RootOf(hKey) != 0) {
        return ERROR_SUCCESS;
    }
    return Handles().erase(hKey) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::int32_t RegQueryValueExA(HKEY hKey, vb::StringView valueName, std::uint32_t* /*reserved*/,
                              std::uint32_t* type, char* data, std::uint32_t* dataSize) {
    return OnKey(hKey, KEY_QUERY_VALUE, [&](const OpenedKey& key) {
        const auto value = Store().Value(key.id, vb::EncodeText(valueName));
        if (!value) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (type != nullptr) {
            *type = value->type;
        }
        return CopyData(value->data, data, dataSize);
    });
}

std::int32_t RegSetValueExA(HKEY hKey, vb::StringView valueName, std::uint32_t /*reserved*/,
                            std::uint32_t type, const char* data, std::uint32_t size) {
    return OnKey(hKey, KEY_SET_VALUE, [&](const OpenedKey& key) {
        Store().SetValue(key.id, vb::EncodeText(valueName), type,
                         data == nullptr ? std::string_view() : std::string_view(data, size));
        return ERROR_SUCCESS;
    });
}

std::int32_t RegEnumValueA(HKEY hKey, std::uint32_t index, vb::String& valueName,
                           std::uint32_t& valueNameSize, std::uint32_t* /*reserved*/,
                           std::uint32_t* type, char* data, std::uint32_t* dataSize) {
    return OnKey(hKey, KEY_QUERY_VALUE, [&](OpenedKey& key) {
        const auto& values = Cached(key, &Snapshot::values, &RegistryStore::Values);
        if (index >= values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const RegistryValue& value = values[index];
        if (!PutName(value.name, valueName, valueNameSize)) {
            return ERROR_MORE_DATA;
        }
        valueNameSize = static_cast<std::uint32_t>(vb::DecodeText(value.name).size());
        if (type != nullptr) {
            *type = value.type;
        }
        return CopyData(value.data, data, dataSize);
    });
}

std::int32_t RegEnumKeyA(HKEY hKey, std::uint32_t index, vb::String& name, std::uint32_t nameSize) {
    return OnKey(hKey, KEY_ENUMERATE_SUB_KEYS, [&](OpenedKey& key) {
        const auto& names = Cached(key, &Snapshot::subKeys, &RegistryStore::SubKeys);
        if (index >= names.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        return PutName(names[index], name, nameSize) ? ERROR_SUCCESS : ERROR_MORE_DATA;
    });
}

std::int32_t RegDeleteKeyA(HKEY hKey, vb::StringView subKey) {
    return OnKey(hKey, KEY_CREATE_SUB_KEY, [&](const OpenedKey& from) {
        const auto id = Store().Find(from.id, Levels(subKey));
        if (!id) {
            return ERROR_FILE_NOT_FOUND;
        }
        Store().Delete(*id);
        return ERROR_SUCCESS;
    });
}

std::int32_t RegDeleteValueA(HKEY hKey, vb::StringView valueName) {
    return OnKey(hKey, KEY_SET_VALUE, [&](const OpenedKey& key) {
        return Store().DeleteValue(key.id, vb::EncodeText(valueName)) ? ERROR_SUCCESS
                                                                      : ERROR_FILE_NOT_FOUND;
    });
}

namespace testing {

void CloseRegistryStore() {
    Handles().clear();
    Roots().clear();
    RegistryStore::instance().Close();
}

} // namespace testing

} // namespace win32
