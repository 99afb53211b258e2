#include "settings/RegistryKey.h"

#include "vb/Encoding.h"
#include "vb/Error.h"

#include <limits>

using namespace win32;

namespace {

// Room of the name buffers the lists are read into.
constexpr std::size_t kNameBuffer = 4096;
constexpr std::uint32_t kShortName = 512;

vb::String Quoted(const vb::String& text, const vb::String& name) {
    return text + u"'" + name + u"'";
}

// The runtime's 16-bit count of a list: past 32767 it overflows.
void Append(RegistryNames& names, vb::String name) {
    if (names.size() >= static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        vb::Raise(vb::err::Overflow);
    }
    names.push_back(std::move(name));
}

vb::String BeforeNul(const vb::String& buffer) {
    return buffer.substr(0, buffer.find(u'\0'));
}

[[noreturn]] void RaiseGetValues(std::int32_t result) {
    throw vb::Error(result, u"Unable to retrieve value names for registry key",
                    u"RegistryKey.GetValues");
}

// The names `enumerate` gives by index, each cut at its NUL, up to "no more items"; any
// other end, as any failure, gives no list at all.
template <typename Enumerate> std::optional<RegistryNames> AbsorbedNames(Enumerate enumerate) {
    try {
        RegistryNames names;
        vb::String buffer(kNameBuffer, u' ');
        std::int32_t result = ERROR_SUCCESS;
        for (std::uint32_t index = 0; (result = enumerate(index, buffer)) == ERROR_SUCCESS;
             ++index) {
            Append(names, BeforeNul(buffer));
        }
        if (result != ERROR_NO_MORE_ITEMS) {
            RaiseGetValues(result);
        }
        return names;
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

} // namespace

RegistryKey::~RegistryKey() {
    try {
        CloseKey();
    } catch (const vb::Error&) {
        // Nothing can be told from here.
    }
}

bool RegistryKey::CreateKey(HKEY hkeyRoot, const vb::String& sSubkey, const vb::String& sClass,
                            std::uint32_t lOptions, std::uint32_t lRights) {
    CloseKey();
    const SECURITY_ATTRIBUTES security{};
    HKEY created = 0;
    std::uint32_t disposition = 0;
    if (RegCreateKeyExA(hkeyRoot, sSubkey, 0, sClass, lOptions, lRights, &security, created,
                        disposition) != ERROR_SUCCESS) {
        hKey = 0;
        return false;
    }
    hKey = created;
    return disposition == REG_CREATED_NEW_KEY;
}

void RegistryKey::OpenKey(HKEY hkeyRoot, const vb::String& sSubkey, std::uint32_t lRights) {
    CloseKey();
    std::int32_t result = RegOpenKeyExA(hkeyRoot, sSubkey, 0, lRights, hKey);
    if (lRights == KEY_WRITE && result == ERROR_FILE_NOT_FOUND) {
        CreateKey(hkeyRoot, sSubkey, u"", 0, KEY_ALL_ACCESS);
        CloseKey();
        result = RegOpenKeyExA(hkeyRoot, sSubkey, 0, lRights, hKey);
    }
    if (result != ERROR_SUCCESS) {
        hKey = 0;
    }
}

void RegistryKey::CloseKey() {
    if (hKey == 0) {
        return;
    }
    if (const std::int32_t result = RegCloseKey(hKey); result != ERROR_SUCCESS) {
        throw vb::Error(result, u"An error occurred while closing the registy key",
                        u"RegistryKey.CloseKey");
    }
    hKey = 0;
}

std::uint32_t RegistryKey::GetRegistryValueLen(const vb::String& sName) const {
    std::uint32_t size = 0;
    if (const std::int32_t result = RegQueryValueExA(hKey, sName, nullptr, nullptr, nullptr, &size);
        result != ERROR_SUCCESS) {
        throw vb::Error(
            result,
            Quoted(u"An error occurred while getting the length of the registy value ", sName),
            u"RegistryKey.GetRegistryValueLen");
    }
    return size;
}

vb::Variant RegistryKey::value(const vb::String& sName) const {
    // The member's own errors are noted here and go no further.
    vb::ErrorRecord Err;
    std::uint32_t n = 0;
    if (!Err.Run([&] { n = GetRegistryValueLen(sName); })) {
        Err.Description = Quoted(u"Unable to get the length of the registy value ", sName);
    }
    std::string buffer(n, '\0');
    std::uint32_t size = n;
    if (const std::int32_t result =
            RegQueryValueExA(hKey, sName, nullptr, nullptr, buffer.data(), &size);
        result != ERROR_SUCCESS) {
        Err.Number = result;
        Err.Description = Quoted(u"An error occurred while getting the registy value ", sName);
    }
    const vb::String text = vb::DecodeText(buffer);
    return text.empty() ? vb::String() : text.substr(0, text.size() - 1);
}

void RegistryKey::value(const vb::String& sName, const vb::Variant& vValue) {
    const std::string text = vb::EncodeText(vValue.ToString());
    RegSetValueExA(hKey, sName, 0, REG_SZ, text.c_str(),
                   static_cast<std::uint32_t>(text.size() + 1));
}

RegistryNames RegistryKey::ValueNames() const {
    RegistryNames names;
    vb::String buffer(kNameBuffer, u' ');
    std::int32_t result = ERROR_SUCCESS;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t size = kNameBuffer;
        std::uint32_t type = 0;
        result = RegEnumValueA(hKey, index, buffer, size, nullptr, &type, nullptr, nullptr);
        if (result != ERROR_SUCCESS) {
            break;
        }
        if (size > 0) {
            Append(names, buffer.substr(0, size));
        }
    }
    if (result != ERROR_NO_MORE_ITEMS) {
        RaiseGetValues(result);
    }
    return names;
}

std::optional<RegistryNames> RegistryKey::SubKeyNames() const {
    return AbsorbedNames([this](std::uint32_t index, vb::String& buffer) {
        return RegEnumKeyA(hKey, index, buffer, kShortName);
    });
}

std::optional<RegistryNames> RegistryKey::SubValueNames() const {
    return AbsorbedNames([this](std::uint32_t index, vb::String& buffer) {
        std::uint32_t size = kShortName;
        return RegEnumValueA(hKey, index, buffer, size, nullptr, nullptr, nullptr, nullptr);
    });
}

void RegistryKey::DeleteKey(HKEY hkeyRoot, const vb::String& sSubkey) {
    if (const std::int32_t result = RegDeleteKeyA(hkeyRoot, sSubkey); result != ERROR_SUCCESS) {
        throw vb::Error(result, Quoted(u"Unable to delete registry key ", sSubkey),
                        u"RegistryKey.DeleteKey");
    }
}

void RegistryKey::DeleteSubKey(const vb::String& sSubkey) {
    if (const std::int32_t result = RegDeleteKeyA(hKey, sSubkey); result != ERROR_SUCCESS) {
        throw vb::Error(result, Quoted(u"Unable to delete registry subkey ", sSubkey),
                        u"RegistryKey.DeleteSubKey");
    }
}

void RegistryKey::DeleteValue(const vb::String& sName) {
    if (const std::int32_t result = RegDeleteValueA(hKey, sName); result != ERROR_SUCCESS) {
        throw vb::Error(result, Quoted(u"Unable to delete registry value ", sName),
                        u"RegistryKey.DeleteValue");
    }
}
