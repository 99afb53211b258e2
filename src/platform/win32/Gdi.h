#pragma once
// The graphics device stand-in: memory device contexts, the screen's device context,
// DIB sections and bitmaps in the screen's format, and block transfers with any ternary
// raster operation. Handles are 32-bit values from one table per kind of object; device
// coordinates count from the top left corner of a bitmap or of the screen.
//
// The screen is a surface of WindowManager::screen's size, 32 bits a pixel; a compatible
// bitmap takes that format whatever device context it is made for. A DIB section is
// 24-bit and bottom-up: its first scan line in memory is the bottom row.

#include <cstddef>
#include <cstdint>

namespace win32 {

using HWND = std::intptr_t;
using HDC = std::uint32_t;
using HBITMAP = std::uint32_t;
using HGDIOBJ = std::uint32_t;

// Raster operations: the third byte of a code is the ternary operation (bit i of it is
// the result for pattern, source and destination bits p, s, d with i = 4p + 2s + d); the
// low word is not looked at. The pattern is the device context's brush: white.
inline constexpr std::uint32_t SRCCOPY = 0xCC0020;

inline constexpr std::uint32_t DIB_RGB_COLORS = 0;
inline constexpr std::uint32_t BI_RGB = 0;

struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0; // bytes of one scan line
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr; // a DIB section's pixels; null for other bitmaps
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::int32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// What GetObjectA tells of a DIB section: its BITMAP and the header it was made from.
struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
};

// A memory device context compatible with `hdc` (0: the screen), holding a 1 x 1 stock
// bitmap until another is selected; 0 when `hdc` is not a device context.
HDC CreateCompatibleDC(HDC hdc);
// Deletes a memory device context; the bitmap it holds is released, not deleted. False for
// a window's device context (ReleaseDC gives those back) or an unknown handle.
bool DeleteDC(HDC hdc);

// A 24-bit bottom-up DIB section (biWidth and biHeight above 0, one plane, BI_RGB) with
// zeroed pixels whose address goes to *ppvBits (null on failure). Only DIB_RGB_COLORS and
// no file mapping (hSection 0) are supported. 0 when the section cannot be made.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, std::uint32_t usage,
                         std::uint8_t** ppvBits, std::intptr_t hSection, std::uint32_t offset);
// A black bitmap in the screen's format; 0 for a size below 1 x 1, an unknown device
// context or when the memory cannot be had.
HBITMAP CreateCompatibleBitmap(HDC hdc, std::int32_t cx, std::int32_t cy);

// Selects a bitmap into a memory device context and returns the one it held; 0 when
// either handle is wrong or the bitmap is selected into another device context.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Deletes a bitmap. False when it is unknown, selected into a device context or owned by
// the clipboard. Stock objects are left alone (true).
bool DeleteObject(HGDIOBJ h);

// Fills the record for a bitmap when `c` covers it; the size filled, 0 when nothing is.
std::int32_t GetObjectA(HGDIOBJ h, std::int32_t c, BITMAP* pv);
// A DIB section fills the whole record; another bitmap only its dsBm.
std::int32_t GetObjectA(HGDIOBJ h, std::int32_t c, DIBSECTION* pv);

// Transfers cx x cy pixels from (x1, y1) of hdcSrc to (x, y) of hdc through the raster
// operation `rop`; pixels outside either bitmap are left out. hdcSrc is only needed when
// the operation uses the source. False when a needed device context is wrong.
bool BitBlt(HDC hdc, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC hdcSrc,
            std::int32_t x1, std::int32_t y1, std::uint32_t rop);

HWND GetDesktopWindow();
// A device context over the whole screen for the desktop window (or 0); 0 for any other
// window, which the model does not draw.
HDC GetDC(HWND hwnd);
// Gives back a device context of GetDC: 1, or 0 when it was not one of `hwnd`'s.
std::int32_t ReleaseDC(HWND hwnd, HDC hdc);

// Objects alive now (stock objects and the screen left out), for tests to catch leaks.
std::size_t LiveDeviceContexts();
std::size_t LiveBitmaps();

} // namespace win32
