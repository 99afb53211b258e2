#pragma once
// The registry calls of the Windows API, over one SQLite database file of this user: keys
// by root and path, string values, enumeration by index. Every call returns the platform's
// numeric result code. Key paths separate their levels with "\"; names are matched without
// regard to case. Name sizes count characters, data sizes bytes.

#include "vb/String.h"

#include <cstdint>

namespace win32 {

using HKEY = std::uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x1;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x2;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x4;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x8;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
// A write through a handle without the right, a key that still has sub-keys, a root, or a
// store that cannot be opened or written.
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_OUTOFMEMORY = 14;
inline constexpr std::int32_t ERROR_DISK_FULL = 112;
// A key path with an empty level ("a\\b", "\a").
inline constexpr std::int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;
inline constexpr std::int32_t ERROR_NO_MORE_ITEMS = 259;
// The store file is not a database, or a damaged one.
inline constexpr std::int32_t ERROR_BADDB = 1009;
inline constexpr std::int32_t ERROR_REGISTRY_IO_FAILED = 1016;
// The handle's key was deleted since it was opened.
inline constexpr std::int32_t ERROR_KEY_DELETED = 1018;

struct SECURITY_ATTRIBUTES {
    std::uint32_t nLength = 12;
    std::uint32_t lpSecurityDescriptor = 0;
    bool bInheritHandle = false;
};

// Opens `subKey` below `hKey` (an empty path opens `hKey`'s own key again). `result` is
// 0 on failure. The rights of `hKey` do not matter.
std::int32_t RegOpenKeyExA(HKEY hKey, vb::StringView subKey, std::uint32_t options,
                           std::uint32_t samDesired, HKEY& result);

// Opens `subKey` below `hKey`, creating every missing level; `disposition` is
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. Creating needs KEY_CREATE_SUB_KEY on
// `hKey` unless it is a root. The class, options and security record are not kept.
std::int32_t RegCreateKeyExA(HKEY hKey, vb::StringView subKey, std::uint32_t reserved,
                             vb::StringView className, std::uint32_t options,
                             std::uint32_t samDesired, const SECURITY_ATTRIBUTES* security,
                             HKEY& result, std::uint32_t& disposition);

// Closing a root succeeds and does nothing.
std::int32_t RegCloseKey(HKEY hKey);

// Without `data`, only the size of the value's data goes to `dataSize`. With it, the data
// is copied when `dataSize` bytes hold it, otherwise ERROR_MORE_DATA and the size needed.
std::int32_t RegQueryValueExA(HKEY hKey, vb::StringView valueName, std::uint32_t* reserved,
                              std::uint32_t* type, char* data, std::uint32_t* dataSize);

// Stores `size` bytes of `data` as the value, of the given type; needs KEY_SET_VALUE.
std::int32_t RegSetValueExA(HKEY hKey, vb::StringView valueName, std::uint32_t reserved,
                            std::uint32_t type, const char* data, std::uint32_t size);

// Value `index` of the key, in the order the values were created. Its name followed by a
// NUL goes to the start of `valueName`, which has room for `valueNameSize` characters; on
// return `valueNameSize` is the name's length. ERROR_MORE_DATA when the name and its NUL do
// not fit; ERROR_NO_MORE_ITEMS past the last value. `data` and `dataSize` as for
// RegQueryValueExA, both null to ask for names only.
std::int32_t RegEnumValueA(HKEY hKey, std::uint32_t index, vb::String& valueName,
                           std::uint32_t& valueNameSize, std::uint32_t* reserved,
                           std::uint32_t* type, char* data, std::uint32_t* dataSize);

// Sub-key `index` of the key, in the order of their names. The name followed by a NUL goes
// to the start of `name`, which has room for `nameSize` characters.
std::int32_t RegEnumKeyA(HKEY hKey, std::uint32_t index, vb::String& name, std::uint32_t nameSize);

// Deletes `subKey` below `hKey` with its values; ERROR_ACCESS_DENIED while it has sub-keys.
std::int32_t RegDeleteKeyA(HKEY hKey, vb::StringView subKey);

std::int32_t RegDeleteValueA(HKEY hKey, vb::StringView valueName);

namespace testing {
// Closes the store and every open handle; the next call opens the store that
// QUORVEL_REGISTRY names then.
void CloseRegistryStore();
} // namespace testing

} // namespace win32
