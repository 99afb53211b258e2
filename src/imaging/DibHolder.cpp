#include "imaging/DibHolder.h"

#include "vb/Arithmetic.h"
#include "win32/GdiScope.h"

bool DibHolder::CreateDIB(win32::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight,
                          win32::HBITMAP& hDib) {
    win32::BITMAPINFOHEADER& h = info_.bmiHeader;
    h.biSize = sizeof(win32::BITMAPINFOHEADER);
    h.biWidth = lWidth;
    h.biHeight = lHeight;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = win32::BI_RGB;
    // The old pixels no longer match the size just written: a failure below must not leave
    // them behind it for the other members to walk.
    bits_ = nullptr;
    h.biSizeImage = vb::MulLong(BytesPerScanLine(), h.biHeight);
    hDib = win32::CreateDIBSection(lhDC, &info_, win32::DIB_RGB_COLORS, &bits_, 0, 0);
    return hDib != 0;
}

bool DibHolder::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    hdc_ = win32::CreateCompatibleDC(0);
    if (hdc_ == 0) {
        return false;
    }
    if (CreateDIB(hdc_, lWidth, lHeight, hDib_)) {
        hPrevBitmap_ = win32::SelectObject(hdc_, hDib_);
        return true;
    }
    win32::DeleteDC(hdc_);
    hdc_ = 0;
    return false;
}

void DibHolder::CreateFromBitmap(win32::HBITMAP picture) {
    win32::BITMAP bm{};
    win32::GetObjectA(picture, sizeof(win32::BITMAP), &bm);
    if (!Create(bm.bmWidth, bm.bmHeight)) {
        return;
    }
    const win32::HWND desktop = win32::GetDesktopWindow();
    win32::WindowDc screen(desktop);
    if (!screen) {
        return;
    }
    const win32::MemoryDc work(screen.get());
    screen.reset();
    if (!work) {
        return;
    }
    const win32::Selection selected(work.get(), picture);
    LoadPictureBlt(work.get(), 0, 0, -1, -1, static_cast<std::int32_t>(win32::SRCCOPY));
}

std::int32_t DibHolder::BytesPerScanLine() const {
    return vb::AddLong(vb::MulLong(info_.bmiHeader.biWidth, 3), 3) & ~3;
}

void DibHolder::LoadPictureBlt(win32::HDC lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                               std::int32_t lSrcWidth, std::int32_t lSrcHeight, std::int32_t eRop) {
    const std::int32_t w = lSrcWidth < 0 ? Width() : lSrcWidth;
    const std::int32_t h = lSrcHeight < 0 ? Height() : lSrcHeight;
    win32::BitBlt(hdc_, 0, 0, w, h, lhDC, lSrcLeft, lSrcTop, static_cast<std::uint32_t>(eRop));
}

void DibHolder::ClearUp() {
    if (hdc_ != 0) {
        if (hDib_ != 0) {
            win32::SelectObject(hdc_, hPrevBitmap_);
            win32::DeleteObject(hDib_);
        }
        win32::DeleteDC(hdc_);
    }
    hdc_ = 0;
    hDib_ = 0;
    hPrevBitmap_ = 0;
    bits_ = nullptr;
}
