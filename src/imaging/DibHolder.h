#pragma once
// What both image buffer classes hold and do alike: a 24-bit DIB section selected into a
// memory device context of their own, and the header it was made from. The header keeps
// the size last asked for, with or without a bitmap.

#include "win32/Gdi.h"

#include <cstdint>

class DibHolder {
public:
    DibHolder() = default;
    ~DibHolder() { ClearUp(); }
    DibHolder(const DibHolder&) = delete;
    DibHolder& operator=(const DibHolder&) = delete;

    bool CreateDIB(win32::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight,
                   win32::HBITMAP& hDib);
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    // Makes a bitmap of the picture's size and copies the picture into it.
    void CreateFromBitmap(win32::HBITMAP picture);
    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return info_.bmiHeader.biWidth; }
    std::int32_t Height() const { return info_.bmiHeader.biHeight; }
    void LoadPictureBlt(win32::HDC lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                        std::int32_t lSrcWidth, std::int32_t lSrcHeight, std::int32_t eRop);
    void ClearUp();

    win32::HDC hdc() const { return hdc_; }
    win32::HBITMAP hDib() const { return hDib_; }
    std::uint8_t* bits() const { return bits_; }

private:
    win32::HBITMAP hDib_ = 0;
    win32::HGDIOBJ hPrevBitmap_ = 0;
    win32::HDC hdc_ = 0;
    std::uint8_t* bits_ = nullptr;
    win32::BITMAPINFO info_{};
};
