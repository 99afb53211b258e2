#include "win32/Gdi.h"

#include "win32/GdiObjects.h"
#include "win32/Window.h"

#include <limits>
#include <sys/mman.h>
#include <utility>

namespace win32 {

namespace gdi {

PixelMemory::PixelMemory(std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
        data_ = static_cast<std::uint8_t*>(p);
        size_ = bytes;
    }
}

PixelMemory::~PixelMemory() {
    if (data_ != nullptr) {
        ::munmap(data_, size_);
    }
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) {
            ::munmap(data_, size_);
        }
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

namespace {

// A bitmap's memory: at most what a 32-bit size can tell, as for the platform's own.
PixelMemory Allocate(std::int64_t stride, std::int64_t height) {
    const std::int64_t bytes = stride * height;
    if (bytes <= 0 || bytes > std::numeric_limits<std::int32_t>::max()) {
        return {};
    }
    return PixelMemory(static_cast<std::size_t>(bytes));
}

} // namespace

Bitmap ScreenFormatBitmap(std::int32_t width, std::int32_t height) {
    Bitmap b;
    const std::int64_t stride = static_cast<std::int64_t>(width) * 4;
    b.pixels = Allocate(stride, height);
    if (b.pixels) {
        b.width = width;
        b.height = height;
        b.stride = static_cast<std::int32_t>(stride);
        b.bitsPerPixel = 32;
    }
    return b;
}

Objects& Objects::instance() {
    static Objects objects;
    return objects;
}

Objects::Objects() : stock_(ScreenFormatBitmap(1, 1)) {
    const Screen& s = WindowManager::instance().screen;
    screen_ = ScreenFormatBitmap(s.width, s.height);
}

Bitmap* Objects::bitmap(HGDIOBJ h) {
    if (h == kStockBitmap) {
        return &stock_;
    }
    const auto it = bitmaps_.find(h);
    return it != bitmaps_.end() ? &it->second : nullptr;
}

DeviceContext* Objects::dc(HDC h) {
    const auto it = dcs_.find(h);
    return it != dcs_.end() ? &it->second : nullptr;
}

Bitmap* Objects::surfaceOf(HDC h) {
    const DeviceContext* d = dc(h);
    if (d == nullptr) {
        return nullptr;
    }
    return d->window ? &screen_ : bitmap(d->selected);
}

HBITMAP Objects::add(Bitmap bitmap) {
    HBITMAP h = 0;
    do {
        h = kBitmapTag | (nextBitmap_++ & kIndexMask);
    } while (h == kStockBitmap || bitmaps_.count(h) != 0);
    bitmaps_.emplace(h, std::move(bitmap));
    return h;
}

HDC Objects::add(DeviceContext dc) {
    HDC h = 0;
    do {
        h = kDcTag | (nextDc_++ & kIndexMask);
    } while (h == kDcTag || dcs_.count(h) != 0);
    dcs_.emplace(h, dc);
    return h;
}

void Objects::erase(HBITMAP h) {
    bitmaps_.erase(h);
}

void Objects::eraseDc(HDC h) {
    dcs_.erase(h);
}

} // namespace gdi

namespace {

using gdi::Bitmap;
using gdi::DeviceContext;
using gdi::Objects;

// Window handles of the model start above this one (forms::Window numbers them).
constexpr HWND kDesktopWindow = 0x10000;

} // namespace

HDC CreateCompatibleDC(HDC hdc) {
    Objects& objects = Objects::instance();
    if (hdc != 0 && objects.dc(hdc) == nullptr) {
        return 0;
    }
    return objects.add(DeviceContext{false, objects.stockBitmap()});
}

bool DeleteDC(HDC hdc) {
    Objects& objects = Objects::instance();
    const DeviceContext* d = objects.dc(hdc);
    if (d == nullptr || d->window) {
        return false;
    }
    if (Bitmap* held = objects.bitmap(d->selected);
        held != nullptr && d->selected != objects.stockBitmap()) {
        held->selectedInto = 0;
    }
    objects.eraseDc(hdc);
    return true;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, std::uint32_t usage, std::uint8_t** ppvBits,
                         std::intptr_t hSection, std::uint32_t) {
    if (ppvBits != nullptr) {
        *ppvBits = nullptr;
    }
    if (pbmi == nullptr || usage != DIB_RGB_COLORS || hSection != 0) {
        return 0;
    }
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != BI_RGB) {
        return 0;
    }
    const std::int64_t stride = (static_cast<std::int64_t>(h.biWidth) * 3 + 3) & ~std::int64_t{3};
    Bitmap b;
    b.pixels = gdi::Allocate(stride, h.biHeight);
    if (!b.pixels) {
        return 0;
    }
    b.width = h.biWidth;
    b.height = h.biHeight;
    b.stride = static_cast<std::int32_t>(stride);
    b.bitsPerPixel = 24;
    b.dib = true;
    b.header = h;
    std::uint8_t* const bits = b.pixels.data();
    const HBITMAP handle = Objects::instance().add(std::move(b));
    if (ppvBits != nullptr) {
        *ppvBits = bits;
    }
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, std::int32_t cx, std::int32_t cy) {
    Objects& objects = Objects::instance();
    if (objects.dc(hdc) == nullptr || cx < 1 || cy < 1) {
        return 0;
    }
    Bitmap b = gdi::ScreenFormatBitmap(cx, cy);
    return b.pixels ? objects.add(std::move(b)) : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    Objects& objects = Objects::instance();
    DeviceContext* d = objects.dc(hdc);
    Bitmap* incoming = objects.bitmap(h);
    if (d == nullptr || d->window || incoming == nullptr) {
        return 0;
    }
    const bool stock = h == objects.stockBitmap();
    if (!stock && incoming->selectedInto != 0 && incoming->selectedInto != hdc) {
        return 0;
    }
    const HBITMAP previous = d->selected;
    if (Bitmap* old = objects.bitmap(previous);
        old != nullptr && previous != objects.stockBitmap()) {
        old->selectedInto = 0;
    }
    if (!stock) {
        incoming->selectedInto = hdc;
    }
    d->selected = h;
    return previous;
}

bool DeleteObject(HGDIOBJ h) {
    Objects& objects = Objects::instance();
    if (h == objects.stockBitmap()) {
        return true;
    }
    const Bitmap* b = objects.bitmap(h);
    if (b == nullptr || b->selectedInto != 0 || b->onClipboard) {
        return false;
    }
    objects.erase(h);
    return true;
}

std::int32_t GetObjectA(HGDIOBJ h, std::int32_t c, BITMAP* pv) {
    const Bitmap* b = Objects::instance().bitmap(h);
    if (b == nullptr || pv == nullptr || c < static_cast<std::int32_t>(sizeof(BITMAP))) {
        return 0;
    }
    pv->bmType = 0;
    pv->bmWidth = b->width;
    pv->bmHeight = b->height;
    pv->bmWidthBytes = b->stride;
    pv->bmPlanes = 1;
    pv->bmBitsPixel = b->bitsPerPixel;
    pv->bmBits = b->dib ? b->pixels.data() : nullptr;
    return static_cast<std::int32_t>(sizeof(BITMAP));
}

std::int32_t GetObjectA(HGDIOBJ h, std::int32_t c, DIBSECTION* pv) {
    const Bitmap* b = Objects::instance().bitmap(h);
    if (b == nullptr || pv == nullptr || c < static_cast<std::int32_t>(sizeof(DIBSECTION))) {
        return GetObjectA(h, c, pv != nullptr ? &pv->dsBm : nullptr);
    }
    GetObjectA(h, c, &pv->dsBm);
    if (!b->dib) {
        return static_cast<std::int32_t>(sizeof(BITMAP));
    }
    pv->dsBmih = b->header;
    return static_cast<std::int32_t>(sizeof(DIBSECTION));
}

HWND GetDesktopWindow() {
    return kDesktopWindow;
}

HDC GetDC(HWND hwnd) {
    if (hwnd != 0 && hwnd != kDesktopWindow) {
        return 0;
    }
    return Objects::instance().add(DeviceContext{true, 0});
}

std::int32_t ReleaseDC(HWND hwnd, HDC hdc) {
    Objects& objects = Objects::instance();
    const DeviceContext* d = objects.dc(hdc);
    if (d == nullptr || !d->window || (hwnd != 0 && hwnd != kDesktopWindow)) {
        return 0;
    }
    objects.eraseDc(hdc);
    return 1;
}

std::size_t LiveDeviceContexts() {
    return Objects::instance().liveDcs();
}

std::size_t LiveBitmaps() {
    return Objects::instance().liveBitmaps();
}

} // namespace win32
