#include "win32/Gdi.h"

#include "win32/Clipboard.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace {

using namespace win32;

// A DIB section selected into a memory device context of its own, for the test's span.
struct Dib {
    Dib(std::int32_t width, std::int32_t height)
        : w(width), h(height), stride((width * 3 + 3) & ~3), dc(CreateCompatibleDC(0)) {
        const BITMAPINFO info{{40, width, height, 1, 24, BI_RGB}, {}};
        bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Dib() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    // Pixel (x, y) counted from the top left corner, as blue | green << 8 | red << 16.
    std::uint8_t* pixel(int x, int y) const {
        return bits + static_cast<std::ptrdiff_t>(h - 1 - y) * stride +
               static_cast<std::ptrdiff_t>(x) * 3;
    }
    std::uint32_t get(int x, int y) const {
        const std::uint8_t* p = pixel(x, y);
        return p[0] | (p[1] << 8U) | (static_cast<std::uint32_t>(p[2]) << 16U);
    }
    void set(int x, int y, std::uint32_t c) const {
        std::uint8_t* p = pixel(x, y);
        p[0] = static_cast<std::uint8_t>(c);
        p[1] = static_cast<std::uint8_t>(c >> 8U);
        p[2] = static_cast<std::uint8_t>(c >> 16U);
    }
    void fill(std::uint32_t c) const {
        for (int i = 0; i < w * h; ++i) {
            set(i % w, i / w, c);
        }
    }

    int w;
    int h;
    int stride;
    HDC dc;
    std::uint8_t* bits = nullptr;
    HBITMAP bitmap = 0;
    HGDIOBJ previous = 0;
};

TEST(Gdi, BitmapsDescribeThemselvesAndBadRequestsMakeNone) {
    const std::size_t before = LiveBitmaps();
    {
        const Dib dib(5, 3);
        BITMAP bm;
        ASSERT_EQ(GetObjectA(dib.bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, 5);
        EXPECT_EQ(bm.bmHeight, 3);
        EXPECT_EQ(bm.bmWidthBytes, 16);
        EXPECT_EQ(bm.bmBitsPixel, 24);
        EXPECT_EQ(bm.bmBits, dib.bits);
        EXPECT_EQ(dib.bits[47], 0); // the last byte is there, zeroed
        DIBSECTION ds;
        ASSERT_EQ(GetObjectA(dib.bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
        EXPECT_EQ(ds.dsBmih.biWidth, 5);
        EXPECT_EQ(GetObjectA(dib.bitmap, sizeof bm - 1, &bm), 0);

        const HBITMAP screenFormat = CreateCompatibleBitmap(dib.dc, 7, 2);
        ASSERT_NE(screenFormat, 0U);
        EXPECT_EQ(GetObjectA(screenFormat, sizeof ds, &ds), static_cast<int>(sizeof bm));
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
        EXPECT_EQ(ds.dsBm.bmBits, nullptr);
        EXPECT_EQ(LiveBitmaps(), before + 2);
        EXPECT_TRUE(DeleteObject(screenFormat));
        EXPECT_FALSE(DeleteObject(screenFormat));
        EXPECT_EQ(CreateCompatibleBitmap(dib.dc, 0, 2), 0U);
        EXPECT_EQ(CreateCompatibleBitmap(12345, 2, 2), 0U);
    }
    EXPECT_EQ(LiveBitmaps(), before);

    const BITMAPINFOHEADER refused[] = {
        {40, 0, 3, 1, 24, BI_RGB}, {40, 5, -3, 1, 24, BI_RGB}, {40, 5, 3, 1, 32, BI_RGB},
        {40, 5, 3, 2, 24, BI_RGB}, {40, 5, 3, 1, 24, 1},       {40, 100000, 100000, 1, 24, BI_RGB},
    };
    for (const auto& header : refused) {
        BITMAPINFO info{header, {}};
        auto* bits = reinterpret_cast<std::uint8_t*>(&info);
        EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0), 0U);
        EXPECT_EQ(bits, nullptr);
    }
    BITMAPINFO info{{40, 5, 3, 1, 24, BI_RGB}, {}};
    std::uint8_t* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(0, &info, 1, &bits, 0, 0), 0U);
    EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 7, 0), 0U);
    EXPECT_EQ(LiveBitmaps(), before);
}

TEST(Gdi, ABitmapLivesInOneDeviceContextAtATime) {
    const std::size_t dcs = LiveDeviceContexts();
    const std::size_t bitmaps = LiveBitmaps();
    const HDC first = CreateCompatibleDC(0);
    const HDC second = CreateCompatibleDC(first);
    const HBITMAP bitmap = CreateCompatibleBitmap(first, 4, 4);
    const HGDIOBJ stock = SelectObject(first, bitmap);
    ASSERT_NE(stock, 0U);
    EXPECT_EQ(SelectObject(second, bitmap), 0U);
    EXPECT_FALSE(DeleteObject(bitmap)); // still selected
    EXPECT_EQ(SelectObject(first, stock), bitmap);
    EXPECT_NE(SelectObject(second, bitmap), 0U);
    EXPECT_TRUE(DeleteDC(second)); // lets the bitmap go without deleting it
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_FALSE(DeleteDC(first));
    EXPECT_EQ(CreateCompatibleDC(first), 0U);

    const HDC screen = GetDC(GetDesktopWindow());
    ASSERT_NE(screen, 0U);
    EXPECT_EQ(SelectObject(screen, stock), 0U);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(GetDC(GetDesktopWindow() + 0x10), 0U);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 1);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 0);
    EXPECT_EQ(LiveDeviceContexts(), dcs);
    EXPECT_EQ(LiveBitmaps(), bitmaps);
}

TEST(Gdi, RasterOperationsCombinePatternSourceAndDestination) {
    const Dib source(4, 1);
    const Dib dest(4, 1);
    const std::uint32_t s = 0x0F3C5A;
    const std::uint32_t d = 0x33CC96;
    const std::uint32_t white = 0xFFFFFF;
    struct Case {
        std::uint32_t rop;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {SRCCOPY, s},
        {0x330008, ~s & white},       // NOTSRCCOPY
        {0x8800C6, s & d},            // SRCAND
        {0xEE0086, s | d},            // SRCPAINT
        {0x660046, s ^ d},            // SRCINVERT
        {0x440328, s & ~d & white},   // SRCERASE
        {0xBB0226, (~s | d) & white}, // MERGEPAINT
        {0x550009, ~d & white},       // DSTINVERT
        {0xF00021, white},            // PATCOPY: the white brush
        {0x5A0049, ~d & white},       // PATINVERT
        {0x000042, 0},                // BLACKNESS
        {0xFF0062, white},            // WHITENESS
        {0xAA0029, d},                // the destination left as it is
    };
    for (const auto& c : cases) {
        source.fill(s);
        dest.fill(d);
        EXPECT_TRUE(BitBlt(dest.dc, 1, 0, 2, 1, source.dc, 0, 0, c.rop));
        EXPECT_EQ(dest.get(0, 0), d) << std::hex << c.rop;
        EXPECT_EQ(dest.get(1, 0), c.expected) << std::hex << c.rop;
        EXPECT_EQ(dest.get(2, 0), c.expected) << std::hex << c.rop;
        EXPECT_EQ(dest.get(3, 0), d) << std::hex << c.rop;
    }
    // Only an operation that reads the source needs a source device context.
    EXPECT_TRUE(BitBlt(dest.dc, 0, 0, 4, 1, 0, 0, 0, 0x550009));
    EXPECT_FALSE(BitBlt(dest.dc, 0, 0, 4, 1, 0, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(0, 0, 0, 4, 1, source.dc, 0, 0, SRCCOPY));
}

TEST(Gdi, TransfersAreClippedToBothBitmapsAndReadTheSourceFirst) {
    const Dib source(3, 3);
    const Dib dest(4, 4);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            source.set(x, y, static_cast<std::uint32_t>(0x10 * (y + 1) + x));
        }
    }
    dest.fill(0xFFFFFF);
    // Asked for 5 x 5 from (-1, 1) of the source to (2, 1): only what both hold moves.
    EXPECT_TRUE(BitBlt(dest.dc, 2, 1, 5, 5, source.dc, -1, 1, SRCCOPY));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool moved = x == 3 && (y == 1 || y == 2);
            const std::uint32_t expected =
                moved ? static_cast<std::uint32_t>(0x10 * (y + 1) + (x - 3)) : 0xFFFFFF;
            EXPECT_EQ(dest.get(x, y), expected) << x << "," << y;
        }
    }
    // Within one bitmap: a shift right by one copies what was there before.
    BitBlt(source.dc, 1, 0, 3, 1, source.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(source.get(1, 0), 0x10U);
    EXPECT_EQ(source.get(2, 0), 0x11U);

    // The screen keeps colours whole both ways, at the place given.
    const HDC screen = GetDC(0);
    BitBlt(screen, 100, 50, 3, 3, source.dc, 0, 0, SRCCOPY);
    dest.fill(0);
    BitBlt(dest.dc, 0, 0, 3, 3, screen, 100, 50, SRCCOPY);
    EXPECT_EQ(dest.get(2, 2), source.get(2, 2));
    EXPECT_EQ(dest.get(0, 1), source.get(0, 1));
    ReleaseDC(0, screen);
}

TEST(Clipboard, TakesBitmapsWhileOpenAndOwnsThemUntilEmptied) {
    const std::size_t before = LiveBitmaps();
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP first = CreateCompatibleBitmap(dc, 2, 2);
    const HBITMAP second = CreateCompatibleBitmap(dc, 3, 3);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, first), 0U); // not open
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);
    EXPECT_FALSE(DeleteObject(first)); // the clipboard's now
    const HGDIOBJ stock = SelectObject(dc, second);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, second), 0U); // still in use
    SelectObject(dc, stock);
    EXPECT_EQ(SetClipboardData(1, second), 0U);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second); // the first is deleted
    EXPECT_EQ(GetClipboardData(CF_BITMAP), second);
    EXPECT_EQ(LiveBitmaps(), before + 1);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(CF_BITMAP), 0U); // not open

    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardData(CF_BITMAP), 0U);
    CloseClipboard();
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(LiveBitmaps(), before);
    DeleteDC(dc);
}

} // namespace
