#include "imaging/cDIBSection.h"

#include "forms/MessageBox.h"
#include "imaging/DibByteView.h"
#include "vb/Arithmetic.h"
#include "vb/Convert.h"
#include "vb/DateTime.h"
#include "vb/Random.h"
#include "win32/Clipboard.h"
#include "win32/GdiScope.h"

namespace {

std::uint8_t RandomByte() {
    return static_cast<std::uint8_t>(vb::RoundHalfEven(static_cast<double>(vb::Rnd()) * 255.0));
}

} // namespace

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    const win32::HWND desktop = win32::GetDesktopWindow();
    const win32::WindowDc screen(desktop);
    if (!screen) {
        return false;
    }
    const win32::MemoryDc work(screen.get());
    if (!work) {
        return false;
    }
    if (bAsDIB) {
        forms::MsgBox(u"I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
        return false;
    }
    if (hDib() == 0) {
        return false; // nothing to copy: an empty bitmap would pass for the image
    }
    win32::OwnedBitmap bitmap(win32::CreateCompatibleBitmap(screen.get(), Width(), Height()));
    if (!bitmap) {
        return false;
    }
    {
        const win32::Selection selected(work.get(), bitmap.get());
        PaintPicture(work.get(), 0, 0, -1, -1, 0, 0, SrcCopy);
    }
    bool result = false;
    if (win32::OpenClipboard(0)) {
        win32::EmptyClipboard();
        if (win32::SetClipboardData(win32::CF_BITMAP, bitmap.get()) != 0) {
            bitmap.release();
            result = true;
        }
        win32::CloseClipboard();
    }
    return result;
}

bool cDIBSection::CreateDIB(win32::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight,
                            win32::HBITMAP& hDib) {
    return dib_.CreateDIB(lhDC, lWidth, lHeight, hDib);
}

vb::Variant cDIBSection::CreateFromPicture(const win32::StdPicture* picThis) {
    if (picThis == nullptr) {
        vb::Raise(vb::err::ObjectNotSet);
    }
    dib_.CreateFromBitmap(picThis->Handle());
    return {};
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    return dib_.Create(lWidth, lHeight);
}

void cDIBSection::PaintPicture(win32::HDC lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                               std::int32_t lDestWidth, std::int32_t lDestHeight,
                               std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int32_t eRop) {
    const std::int32_t w = lDestWidth < 0 ? Width() : lDestWidth;
    const std::int32_t h = lDestHeight < 0 ? Height() : lDestHeight;
    win32::BitBlt(lhDC, lDestLeft, lDestTop, w, h, hdc(), lSrcLeft, lSrcTop,
                  static_cast<std::uint32_t>(eRop));
}

void cDIBSection::RandomiseBits(bool bGray) {
    if (DIBSectionBitsPtr() == nullptr) {
        return; // the header may still tell a size, but there are no pixels to write
    }
    const DibByteView bits(DIBSectionBitsPtr(), BytesPerScanLine(), Height());
    vb::Randomize(vb::Timer());
    const std::int32_t last = vb::MulLong(vb::SubLong(Width(), 1), 3);
    const std::int32_t lastLine = vb::SubLong(Height(), 1);
    // The loop order decides which pixel takes which number of the sequence.
    if (bGray) {
        for (std::int32_t s = 0; s <= lastLine; ++s) {
            for (std::int64_t c = 0; c <= last; c += 3) {
                const std::uint8_t v = RandomByte();
                const auto column = static_cast<std::int32_t>(c);
                bits(column, s) = v;
                bits(column + 1, s) = v;
                bits(column + 2, s) = v;
            }
        }
        return;
    }
    for (std::int64_t c = 0; c <= last; c += 3) {
        const auto column = static_cast<std::int32_t>(c);
        for (std::int32_t s = 0; s <= lastLine; ++s) {
            bits(column, s) = 0;
            bits(column + 1, s) = RandomByte();
            bits(column + 2, s) = RandomByte();
        }
    }
}
