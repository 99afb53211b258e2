#pragma once
// The clipboard of the process: opened by one caller at a time, it owns the bitmap it is
// given until it is emptied.

#include "win32/Gdi.h"

#include <cstdint>

namespace win32 {

inline constexpr std::uint32_t CF_BITMAP = 2;

// False when the clipboard is open already.
bool OpenClipboard(HWND hWndNewOwner);
// Drops what the clipboard holds (its bitmap is deleted); false when it is not open.
bool EmptyClipboard();
// Hands a bitmap over (CF_BITMAP only) and returns it; 0 when the clipboard is not open
// or refuses it (not a bitmap of ours, or one selected into a device context). A bitmap
// held before is deleted.
HGDIOBJ SetClipboardData(std::uint32_t uFormat, HGDIOBJ hMem);
// The bitmap held, still the clipboard's; 0 when none or the clipboard is not open.
HGDIOBJ GetClipboardData(std::uint32_t uFormat);
// False when it was not open.
bool CloseClipboard();

} // namespace win32
