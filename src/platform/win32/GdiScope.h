#pragma once
// Graphics handles given back when they go out of scope, in the reverse order of taking.

#include "win32/Gdi.h"

#include <utility>

namespace win32 {

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), hdc_(GetDC(hwnd)) {}
    ~WindowDc() { reset(); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return hdc_; }
    explicit operator bool() const { return hdc_ != 0; }
    void reset() {
        if (hdc_ != 0) {
            ReleaseDC(hwnd_, std::exchange(hdc_, 0));
        }
    }

private:
    HWND hwnd_;
    HDC hdc_;
};

// A memory device context, deleted with DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : hdc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (hdc_ != 0) {
            DeleteDC(hdc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC get() const { return hdc_; }
    explicit operator bool() const { return hdc_ != 0; }

private:
    HDC hdc_;
};

// An object selected into a device context; what the context held before is selected
// again at the end.
class Selection {
public:
    Selection(HDC hdc, HGDIOBJ object) : hdc_(hdc), previous_(SelectObject(hdc, object)) {}
    ~Selection() { SelectObject(hdc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC hdc_;
    HGDIOBJ previous_;
};

// A bitmap deleted at the end unless handed over to a new owner.
class OwnedBitmap {
public:
    explicit OwnedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~OwnedBitmap() {
        if (bitmap_ != 0) {
            DeleteObject(bitmap_);
        }
    }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    HBITMAP get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != 0; }
    HBITMAP release() { return std::exchange(bitmap_, 0); }

private:
    HBITMAP bitmap_;
};

} // namespace win32
