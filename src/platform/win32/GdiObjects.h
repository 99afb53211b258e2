#pragma once
// Inside the graphics stand-in: the bitmaps and device contexts behind the handles.
// Only the stand-in's own files (Gdi, BitBlt, Clipboard) include this.

#include "win32/Gdi.h"

#include <cstdint>
#include <unordered_map>

namespace win32::gdi {

// Zeroed pixel memory, mapped only as it is touched, so that a large bitmap costs what is
// drawn in it.
class PixelMemory {
public:
    PixelMemory() = default;
    // Empty when the memory cannot be had.
    explicit PixelMemory(std::size_t bytes);
    ~PixelMemory();
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    std::uint8_t* data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;        // bytes of one scan line
    std::uint16_t bitsPerPixel = 0; // 24 (DIB section) or 32 (the screen's format)
    bool dib = false;               // DIB sections are bottom-up
    BITMAPINFOHEADER header;        // what a DIB section was made from
    PixelMemory pixels;
    HDC selectedInto = 0;
    bool onClipboard = false;

    bool contains(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    std::uint8_t* at(std::int32_t x, std::int32_t y) const {
        const std::int32_t line = dib ? height - 1 - y : y;
        return pixels.data() + static_cast<std::ptrdiff_t>(line) * stride +
               static_cast<std::ptrdiff_t>(x) * (bitsPerPixel / 8);
    }
    // A colour as blue | green << 8 | red << 16.
    std::uint32_t get(std::int32_t x, std::int32_t y) const {
        const std::uint8_t* p = at(x, y);
        return p[0] | (p[1] << 8U) | (static_cast<std::uint32_t>(p[2]) << 16U);
    }
    void set(std::int32_t x, std::int32_t y, std::uint32_t colour) const {
        std::uint8_t* p = at(x, y);
        p[0] = static_cast<std::uint8_t>(colour);
        p[1] = static_cast<std::uint8_t>(colour >> 8U);
        p[2] = static_cast<std::uint8_t>(colour >> 16U);
    }
};

struct DeviceContext {
    // A window's device context draws on the screen; a memory one on its bitmap.
    bool window = false;
    HBITMAP selected = 0;
};

class Objects {
public:
    static Objects& instance();

    Bitmap* bitmap(HGDIOBJ h);
    DeviceContext* dc(HDC h);
    // What a device context draws on; null for an unknown handle.
    Bitmap* surfaceOf(HDC h);

    HBITMAP add(Bitmap bitmap);
    HDC add(DeviceContext dc);
    void erase(HBITMAP h);
    void eraseDc(HDC h);

    HBITMAP stockBitmap() const { return kStockBitmap; }
    std::size_t liveBitmaps() const { return bitmaps_.size(); }
    std::size_t liveDcs() const { return dcs_.size(); }

private:
    Objects();

    static constexpr HBITMAP kStockBitmap = 0x05000000;
    static constexpr HBITMAP kBitmapTag = 0x05000000;
    static constexpr HDC kDcTag = 0x01000000;
    static constexpr std::uint32_t kIndexMask = 0x00FFFFFF;

    Bitmap stock_;
    Bitmap screen_;
    std::unordered_map<HBITMAP, Bitmap> bitmaps_;
    std::unordered_map<HDC, DeviceContext> dcs_;
    std::uint32_t nextBitmap_ = 1;
    std::uint32_t nextDc_ = 1;
};

// A bitmap in the screen's format, black; an empty one when the memory cannot be had.
Bitmap ScreenFormatBitmap(std::int32_t width, std::int32_t height);

} // namespace win32::gdi
