#include "settings/Module5.h"

#include "settings/INI32.h"
#include "settings/RegistryKey.h"
#include "vb/Error.h"

#include <array>

namespace Module5 {

namespace {

struct Root {
    const vb::Char* name;
    win32::HKEY handle;
};

// In the order they are tested.
constexpr std::array<Root, 7> kRoots = {{
    {u"HKEY_CLASSES_ROOT", win32::HKEY_CLASSES_ROOT},
    {u"HKEY_CURRENT_CONFIG", win32::HKEY_CURRENT_CONFIG},
    {u"HKEY_CURRENT_USER", win32::HKEY_CURRENT_USER},
    {u"HKEY_DYN_DATA", win32::HKEY_DYN_DATA},
    {u"HKEY_LOCAL_MACHINE", win32::HKEY_LOCAL_MACHINE},
    {u"HKEY_PERFORMANCE_DATA", win32::HKEY_PERFORMANCE_DATA},
    {u"HKEY_USERS", win32::HKEY_USERS},
}};

struct KeyPath {
    win32::HKEY root = 0;
    vb::String subKey;
};

// The root named before the first "\" (any letter case; 0 for any other text or without a
// "\"), and the rest of the path as the sub-key.
KeyPath Split(const vb::String& cheminCle, vb::ErrorRecord& Err) {
    KeyPath path;
    const std::size_t p = vb::InStr(cheminCle, u"\\");
    Err.Run([&] {
        if (p == 0) {
            vb::Raise(vb::err::InvalidCall); // no text before a "\" that is not there
        }
        const vb::String name = vb::UCase(vb::Left(cheminCle, p - 1));
        for (const Root& root : kRoots) {
            if (name == root.name) {
                path.root = root.handle;
                break;
            }
        }
    });
    path.subKey = p == 0 ? cheminCle : vb::Mid(cheminCle, p + 1);
    return path;
}

} // namespace

vb::Variant LireValeurRegistre(const vb::String& cheminCle, const vb::String& nomValeur) {
    vb::ErrorRecord Err;
    vb::Variant result = vb::String();
    const KeyPath path = Split(cheminCle, Err);
    RegistryKey key;
    Err.Run([&] { key.OpenKey(path.root, path.subKey, win32::KEY_READ); });
    Err.Run([&] { result = key.value(nomValeur); });
    return result;
}

void EcrireValeurRegistre(const vb::String& cheminCle, const vb::String& nomValeur,
                          const vb::Variant& donnee) {
    vb::ErrorRecord Err;
    const KeyPath path = Split(cheminCle, Err);
    RegistryKey key;
    Err.Run([&] { key.OpenKey(path.root, path.subKey, win32::KEY_WRITE); });
    Err.Run([&] { key.value(nomValeur, donnee); });
}

vb::String LireEcrireRegistre(const vb::String& cheminCle, const vb::String& cle,
                              const vb::String& valeur, std::int16_t mode) {
    if (mode == 0) {
        EcrireValeurRegistre(cheminCle, cle, valeur);
        return valeur;
    }
    vb::String lu = LireValeurRegistre(cheminCle, cle).ToString();
    if (!lu.empty()) {
        return lu;
    }
    // Unlike an INI file, a value equal to the default is not written again.
    if (mode == 2) {
        EcrireValeurRegistre(cheminCle, cle, valeur);
    }
    return valeur;
}

void InstallRegistryBranch() {
    INI32::SetRegistryBranch(&LireEcrireRegistre);
}

} // namespace Module5
