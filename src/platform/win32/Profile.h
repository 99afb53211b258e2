#pragma once
// The profile (INI file) functions of the Windows API, as the system uses them.

#include "vb/String.h"

#include <cstdint>

namespace win32 {

// The folder where a bare INI file name is looked up: $WINDIR when set and not empty,
// otherwise /etc.
vb::String WindowsDirectory();

// Reads `key` of `section` in `file`. `returned` receives the value (blanks around it and
// one pair of enclosing quotes dropped), or `defaultValue` without its trailing spaces when
// the file, the section or the key is missing or the file cannot be read; either is cut to
// `size` - 1 characters, the room left by the terminating NUL of a buffer of `size`.
// Returns the number of characters in `returned`.
std::int32_t GetPrivateProfileString(vb::StringView section, vb::StringView key,
                                     vb::StringView defaultValue, vb::String& returned,
                                     std::uint32_t size, vb::StringView file);

// Sets `key` of `section` in `file` to `value`, creating the file, the section and the key
// as needed. Returns false when the file cannot be written, or when a line cannot hold the
// names or the value (a line break in any, a key holding "=" or starting with ";" or "[");
// the file is then left as it was.
bool WritePrivateProfileString(vb::StringView section, vb::StringView key, vb::StringView value,
                               vb::StringView file);

} // namespace win32
