#include "win32/Profile.h"

#include "vb/App.h"
#include "vb/Encoding.h"
#include "vb/Error.h"
#include "win32/IniDocument.h"
#include "win32/ProfileFile.h"

#include <cstdlib>
#include <optional>

namespace win32 {

namespace {

std::string ProfilePath(vb::StringView file) {
    if (file.find(vb::PathSeparator) != vb::StringView::npos) {
        return vb::EncodeName(file);
    }
    vb::String path = WindowsDirectory();
    path += vb::PathSeparator;
    path += file;
    return vb::EncodeName(path);
}

} // namespace

vb::String WindowsDirectory() {
    const char* folder = std::getenv("WINDIR");
    if (folder != nullptr && *folder != '\0') {
        return vb::DecodeName(folder);
    }
    return u"/etc";
}

std::int32_t GetPrivateProfileString(vb::StringView section, vb::StringView key,
                                     vb::StringView defaultValue, vb::String& returned,
                                     std::uint32_t size, vb::StringView file) {
    std::optional<vb::String> value;
    try {
        if (const auto bytes = ReadFileBytes(ProfilePath(file))) {
            value = IniDocument::Parse(*bytes).Value(section, key);
        }
    } catch (const vb::Error&) {
        // An unreadable file answers like a missing one: with the default.
    }
    const vb::String text = value ? std::move(*value) : vb::RTrim(defaultValue);
    returned = text.substr(0, size == 0 ? 0 : size - 1);
    return static_cast<std::int32_t>(returned.size());
}

bool WritePrivateProfileString(vb::StringView section, vb::StringView key, vb::StringView value,
                               vb::StringView file) {
    // What would not read back as written is not written at all.
    if (!IniDocument::Holds(section, key, value)) {
        return false;
    }
    try {
        FileUpdate update(WriteTarget(ProfilePath(file)));
        const std::optional<std::string>& previous = update.previous();
        IniDocument doc = IniDocument::Parse(previous ? std::string_view(*previous) : "");
        doc.Set(section, key, value);
        const std::string bytes = doc.Bytes();
        if (!previous || bytes != *previous) {
            update.Write(bytes);
        }
        return true;
    } catch (const vb::Error&) {
        return false;
    }
}

} // namespace win32
