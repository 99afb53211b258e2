#pragma once
// The reduced twin of cDIBSection: the same bitmap and device context, creation, block
// transfer in and release; its picture is given as a bitmap handle.

#include "imaging/DibHolder.h"
#include "vb/Variant.h"

#include <cstdint>

class aDIBSection {
public:
    // The end of the object releases its bitmap and device context, as ClearUp does.
    aDIBSection() = default;
    aDIBSection(const aDIBSection&) = delete;
    aDIBSection& operator=(const aDIBSection&) = delete;

    bool CreateDIB(win32::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight,
                   win32::HBITMAP& hDib) {
        return dib_.CreateDIB(lhDC, lWidth, lHeight, hDib);
    }
    // A bitmap of the size of the bitmap picd holding a copy of it. Always empty.
    vb::Variant CreateFromPicture(const win32::HBITMAP& picd) {
        dib_.CreateFromBitmap(picd);
        return {};
    }
    bool Create(std::int32_t lWidth, std::int32_t lHeight) { return dib_.Create(lWidth, lHeight); }
    std::int32_t BytesPerScanLine() const { return dib_.BytesPerScanLine(); }
    std::int32_t Width() const { return dib_.Width(); }
    std::int32_t Height() const { return dib_.Height(); }
    void LoadPictureBlt(win32::HDC lhDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1,
                        std::int32_t eRop = static_cast<std::int32_t>(win32::SRCCOPY)) {
        dib_.LoadPictureBlt(lhDC, lSrcLeft, lSrcTop, lSrcWidth, lSrcHeight, eRop);
    }
    win32::HDC hdc() const { return dib_.hdc(); }
    win32::HBITMAP hDib() const { return dib_.hDib(); }
    std::uint8_t* DIBSectionBitsPtr() const { return dib_.bits(); }
    void ClearUp() { dib_.ClearUp(); }

private:
    DibHolder dib_;
};
