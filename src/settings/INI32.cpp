#include "settings/INI32.h"

#include "vb/App.h"
#include "vb/Convert.h"
#include "vb/Error.h"
#include "win32/Profile.h"

namespace INI32 {

vb::String CheminINI;

namespace {

// Size of the fixed-length texts the names and the value are passed in.
constexpr std::size_t kBufferLength = 600;
// What the read may fill of the value buffer, its terminating NUL included.
constexpr std::uint32_t kReadSize = 590;

RegistryBranch& Branch() {
    static RegistryBranch branch;
    return branch;
}

// A name in its fixed-length buffer: followed by a NUL and blanks, or cut to the buffer.
vb::String NameBuffer(const vb::String& name) {
    vb::String buffer = name;
    buffer.push_back(u'\0');
    buffer.resize(kBufferLength, u' ');
    return buffer;
}

// What the profile functions see of a buffer: its text up to the first NUL.
vb::StringView SeenName(const vb::String& buffer) {
    return vb::StringView(buffer).substr(0, buffer.find(u'\0'));
}

} // namespace

void SetRegistryBranch(RegistryBranch branch) {
    Branch() = std::move(branch);
}

vb::String LireEcrireINI(vb::String section, vb::String cle, vb::String valeur, vb::String fichier,
                         std::int16_t mode) {
    vb::ErrorRecord Err;
    vb::String result;

    if (fichier.empty()) {
        Err.Run(
            [&] { fichier = vb::App().Path + vb::PathSeparator + vb::App().EXEName + u".ini"; });
    }
    const vb::String sectionBuffer = NameBuffer(section);
    const vb::String keyBuffer = NameBuffer(cle);

    const vb::String registryPath =
        !fichier.empty() && fichier.front() == u'$' ? fichier.substr(1) : vb::String();
    if (!registryPath.empty()) {
        Err.Run([&] {
            const vb::String keyPath = registryPath + u"\\" + section;
            result = Branch() ? Branch()(keyPath, cle, valeur, mode) : valeur;
        });
        return result;
    }

    const auto ecrire = [&] {
        Err.Run([&] {
            win32::WritePrivateProfileString(SeenName(sectionBuffer), SeenName(keyBuffer), valeur,
                                             fichier);
        });
    };
    if (mode == 0) {
        ecrire();
        return valeur;
    }

    vb::String buffer(kBufferLength, u' ');
    std::int16_t n = 0;
    Err.Run([&] {
        n = vb::CInt(win32::GetPrivateProfileString(SeenName(sectionBuffer), SeenName(keyBuffer),
                                                    valeur, buffer, kReadSize, fichier));
    });
    if (n > 0) {
        vb::String read = vb::Left(buffer, static_cast<std::size_t>(n));
        if (mode == 2 && read == valeur) {
            return LireEcrireINI(section, cle, valeur, fichier, 0);
        }
        return read;
    }
    if (mode == 2) {
        ecrire();
    }
    return valeur;
}

} // namespace INI32
