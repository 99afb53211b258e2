#pragma once
// One open registry key: opening, creating and closing keys, reading and writing string
// values, listing names and deleting keys and values. Failures are raised as vb::Error
// with the platform's result code, a fixed source and an English description, except
// where a member absorbs its own.

#include "vb/String.h"
#include "vb/Variant.h"
#include "win32/Registry.h"

#include <cstdint>
#include <optional>
#include <vector>

// Name lists hold names 1 to n of the runtime's array as elements 0 to n - 1.
using RegistryNames = std::vector<vb::String>;

class RegistryKey {
public:
    RegistryKey() = default;
    // Closes the key; a failure to close goes unreported.
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Closes any open key, then creates or opens `sSubkey`; true only when it was new.
    // A failure leaves no key open and gives false.
    bool CreateKey(win32::HKEY hkeyRoot, const vb::String& sSubkey, const vb::String& sClass = {},
                   std::uint32_t lOptions = 0, std::uint32_t lRights = 0);
    // Closes any open key, then opens `sSubkey`; with exactly KEY_WRITE a missing key is
    // created first. A failure leaves no key open.
    void OpenKey(win32::HKEY hkeyRoot, const vb::String& sSubkey, std::uint32_t lRights);
    void CloseKey();

    win32::HKEY handle() const { return hKey; }

    // The value's stored bytes as text, less their last character (the NUL of a string);
    // an empty text when it cannot be read. Raises nothing.
    vb::Variant value(const vb::String& sName) const;
    // Stores the text of `vValue` as a string value; a failure goes unreported.
    void value(const vb::String& sName, const vb::Variant& vValue);

    // Names of the key's values, the unnamed one left out.
    RegistryNames ValueNames() const;
    // These two absorb their errors: no list at all when the names cannot be read.
    std::optional<RegistryNames> SubKeyNames() const;
    // The unnamed value is listed as an empty name.
    std::optional<RegistryNames> SubValueNames() const;

    void DeleteKey(win32::HKEY hkeyRoot, const vb::String& sSubkey);
    void DeleteSubKey(const vb::String& sSubkey);
    void DeleteValue(const vb::String& sName);

private:
    // Size in bytes of the value's data, its terminating NUL included.
    std::uint32_t GetRegistryValueLen(const vb::String& sName) const;

    win32::HKEY hKey = 0;
};
