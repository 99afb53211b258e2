#pragma once
// A 24-bit device-independent bitmap kept selected into a memory device context of its
// own: it can be drawn into and out of with block transfers, and its pixels are reached
// directly at its bits pointer (bottom-up scan lines of blue, green, red bytes, each
// padded to a multiple of 4 bytes). Errors raised inside a member reach its caller.

#include "imaging/DibHolder.h"
#include "vb/String.h"
#include "vb/Variant.h"
#include "win32/StdPicture.h"

#include <cstdint>
#include <memory>

class cDIBSection {
public:
    static constexpr std::int32_t SrcCopy = static_cast<std::int32_t>(win32::SRCCOPY);

    // The end of the object releases its bitmap and device context, as ClearUp does.
    cDIBSection() = default;
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // With bAsDIB (the default) only says, in a message box, that it cannot; otherwise
    // puts a copy of the bitmap on the clipboard. True when the clipboard took it.
    bool CopyToClipboard(bool bAsDIB = true);
    // Writes the header for lWidth x lHeight and makes a DIB section of that size, whose
    // handle goes to hDib; error 6 when the image's byte size overflows. The object's
    // pixels are then that section's: the caller keeps it alive while the object uses them.
    bool CreateDIB(win32::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight,
                   win32::HBITMAP& hDib);
    // A bitmap of the picture's size holding the picture; error 91 without a picture.
    // The result is always empty.
    vb::Variant CreateFromPicture(const win32::StdPicture* picThis);
    // Releases what the object holds, then makes a bitmap of lWidth x lHeight.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    // Width x 3 raised to a multiple of 4; error 6 on overflow.
    std::int32_t BytesPerScanLine() const { return dib_.BytesPerScanLine(); }
    std::int32_t Width() const { return dib_.Width(); }
    std::int32_t Height() const { return dib_.Height(); }
    // Copies from lhDC into the top left corner of the bitmap; a negative size means the
    // bitmap's own.
    void LoadPictureBlt(win32::HDC lhDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1,
                        std::int32_t eRop = SrcCopy) {
        dib_.LoadPictureBlt(lhDC, lSrcLeft, lSrcTop, lSrcWidth, lSrcHeight, eRop);
    }
    // Draws the bitmap into lhDC; a negative size means the bitmap's own.
    void PaintPicture(win32::HDC lhDC, std::int32_t lDestLeft = 0, std::int32_t lDestTop = 0,
                      std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1,
                      std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                      std::int32_t eRop = SrcCopy);
    win32::HDC hdc() const { return dib_.hdc(); }
    win32::HBITMAP hDib() const { return dib_.hDib(); }
    std::uint8_t* DIBSectionBitsPtr() const { return dib_.bits(); }
    // Random pixels, seeded from the time of day at every call: grey ones with bGray,
    // otherwise green and red ones with no blue.
    void RandomiseBits(bool bGray = false);
    void ClearUp() { dib_.ClearUp(); }
    // A new image of the size asked for (height first): a copy when the size is the same,
    // otherwise a bilinear resampling. None when that bitmap cannot be made.
    std::unique_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth);
    // Writes cDib's picture as a JPEG file; errors raise 26001, never return False.
    bool SaveJPG(const cDIBSection& cDib, vb::StringView sFile, std::int32_t lQuality = 90);

private:
    void ResampleInto(cDIBSection& destination) const;

    DibHolder dib_;
};
