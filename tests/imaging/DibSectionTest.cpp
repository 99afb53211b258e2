#include "Images.h"
#include "forms/MessageBox.h"
#include "imaging/aDIBSection.h"
#include "imaging/cDIBSection.h"
#include "vb/Clock.h"
#include "vb/Convert.h"
#include "vb/DateTime.h"
#include "vb/Random.h"
#include "win32/Clipboard.h"
#include "win32/GdiScope.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

using win32::LiveBitmaps;
using win32::LiveDeviceContexts;

// Both classes hold, make and release their bitmaps alike.
template <typename Image> void CheckLifecycle() {
    const std::size_t bitmaps = LiveBitmaps();
    const std::size_t dcs = LiveDeviceContexts();
    {
        Image image;
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 0);
        EXPECT_EQ(image.BytesPerScanLine(), 0);
        EXPECT_EQ(image.hdc(), 0U);
        EXPECT_EQ(image.hDib(), 0U);
        EXPECT_EQ(image.DIBSectionBitsPtr(), nullptr);
        image.ClearUp();
        EXPECT_EQ(image.hdc(), 0U);

        const int padded[] = {4, 8, 12, 12, 16, 20, 24, 24};
        for (int w = 1; w <= 8; ++w) {
            ASSERT_TRUE(image.Create(w, 1));
            EXPECT_EQ(image.BytesPerScanLine(), padded[w - 1]) << w;
        }
        ASSERT_TRUE(image.Create(5, 3));
        EXPECT_NE(image.hdc(), 0U);
        EXPECT_NE(image.DIBSectionBitsPtr(), nullptr);
        win32::DIBSECTION ds;
        ASSERT_EQ(win32::GetObjectA(image.hDib(), sizeof ds, &ds), static_cast<int>(sizeof ds));
        EXPECT_EQ(ds.dsBmih.biSizeImage, 48);
        EXPECT_EQ(ds.dsBmih.biHeight, 3); // bottom-up
        EXPECT_EQ(LiveBitmaps(), bitmaps + 1);
        EXPECT_EQ(LiveDeviceContexts(), dcs + 1);

        const win32::HBITMAP first = image.hDib();
        ASSERT_TRUE(image.Create(6, 2));
        EXPECT_EQ(win32::GetObjectA(first, sizeof ds, &ds), 0); // deleted
        EXPECT_EQ(LiveBitmaps(), bitmaps + 1);
        EXPECT_EQ(LiveDeviceContexts(), dcs + 1);

        EXPECT_FALSE(image.Create(0, 3));
        EXPECT_EQ(image.hdc(), 0U);
        EXPECT_EQ(image.hDib(), 0U);
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 3);
        EXPECT_EQ(LiveBitmaps(), bitmaps);

        ASSERT_TRUE(image.Create(5, 3));
        image.ClearUp();
        image.ClearUp();
        EXPECT_EQ(image.hdc(), 0U);
        EXPECT_EQ(image.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(image.Width(), 5);
        EXPECT_EQ(image.BytesPerScanLine(), 16);

        // The first width whose scan line overflows: the context made stays until ClearUp.
        EXPECT_EQ(ErrorNumberOf([&] { image.Create(715827882, 1); }), vb::err::Overflow);
        EXPECT_NE(image.hdc(), 0U);
        EXPECT_EQ(image.hDib(), 0U);
        EXPECT_EQ(ErrorNumberOf([&] { image.BytesPerScanLine(); }), vb::err::Overflow);
        image.ClearUp();
        EXPECT_EQ(LiveDeviceContexts(), dcs);
        // 3000 bytes a scan line, a million of them: the image's byte size overflows.
        EXPECT_EQ(ErrorNumberOf([&] { image.Create(1000, 1000000); }), vb::err::Overflow);
        ASSERT_TRUE(image.Create(5, 3));
        // The old pixels are not left behind a size they do not have.
        win32::HBITMAP made = 0;
        EXPECT_EQ(ErrorNumberOf([&] { image.CreateDIB(image.hdc(), 100000, 100000, made); }),
                  vb::err::Overflow);
        EXPECT_EQ(image.DIBSectionBitsPtr(), nullptr);
    }
    EXPECT_EQ(LiveBitmaps(), bitmaps);
    EXPECT_EQ(LiveDeviceContexts(), dcs);
}

TEST(DibSection, BitmapsAreMadeReleasedAndSizedAlikeInBothClasses) {
    CheckLifecycle<cDIBSection>();
    CheckLifecycle<aDIBSection>();
}

TEST(DibSection, TransfersInGoToTheTopLeftCornerAndOutToTheGivenPlace) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(6, 5));
    Paint(source);
    struct Case {
        std::int32_t left, top, width, height;
        int movedWidth, movedHeight;
    };
    for (const Case c :
         {Case{0, 0, -1, -1, 6, 5}, Case{2, 1, -5, 2, 4, 2}, Case{1, 1, 0, -1, 0, 0}}) {
        aDIBSection image;
        ASSERT_TRUE(image.Create(6, 5));
        image.LoadPictureBlt(source.hdc(), c.left, c.top, c.width, c.height);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool moved = x < c.movedWidth && y < c.movedHeight;
                EXPECT_EQ(GetPixel(image, x, y), moved ? Pattern(x + c.left, y + c.top) : Bgr{})
                    << c.left << "," << c.top << " at " << x << "," << y;
            }
        }
    }

    cDIBSection canvas;
    ASSERT_TRUE(canvas.Create(20, 30));
    source.PaintPicture(canvas.hdc(), 10, 20);
    EXPECT_EQ(GetPixel(canvas, 10, 20), Pattern(0, 0));
    EXPECT_EQ(GetPixel(canvas, 15, 24), Pattern(5, 4));
    EXPECT_EQ(GetPixel(canvas, 9, 20), Bgr{});
    EXPECT_EQ(GetPixel(canvas, 16, 24), Bgr{});
    source.PaintPicture(canvas.hdc(), 0, 0, 2, -1, 3, 1);
    EXPECT_EQ(GetPixel(canvas, 1, 3), Pattern(4, 4));
    EXPECT_EQ(GetPixel(canvas, 2, 3), Bgr{});
}

TEST(DibSection, PicturesAreCopiedWholeAndAMissingOneIsError91) {
    cDIBSection drawn;
    ASSERT_TRUE(drawn.Create(7, 4));
    Paint(drawn);
    const win32::HDC screen = win32::GetDC(0);
    auto picture = std::make_unique<win32::StdPicture>(win32::CreateCompatibleBitmap(screen, 7, 4));
    win32::ReleaseDC(0, screen);
    {
        const win32::MemoryDc dc(0);
        const win32::Selection selected(dc.get(), picture->Handle());
        drawn.PaintPicture(dc.get());
    }
    cDIBSection image;
    EXPECT_TRUE(image.CreateFromPicture(picture.get()).IsEmpty());
    aDIBSection twin;
    EXPECT_TRUE(twin.CreateFromPicture(picture->Handle()).IsEmpty());
    ASSERT_EQ(image.Width(), 7);
    ASSERT_EQ(twin.Height(), 4);
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{6, 0}, std::pair{3, 2}, std::pair{6, 3}}) {
        EXPECT_EQ(GetPixel(image, x, y), Pattern(x, y));
        EXPECT_EQ(GetPixel(twin, x, y), Pattern(x, y));
    }
    const std::size_t bitmaps = LiveBitmaps();
    picture.reset();
    EXPECT_EQ(LiveBitmaps(), bitmaps - 1);

    EXPECT_EQ(ErrorNumberOf([&] { image.CreateFromPicture(nullptr); }), 91);
    EXPECT_NE(image.hDib(), 0U); // raised before anything was released
    // A handle that is no bitmap reads as 0 x 0: the previous bitmap goes all the same.
    EXPECT_TRUE(twin.CreateFromPicture(0).IsEmpty());
    EXPECT_EQ(twin.hDib(), 0U);
}

class Remember final : public forms::MessageBoxHost {
public:
    int ask(const forms::MessageBoxText& box) override {
        prompts.push_back(box.Prompt);
        clipboardFree = win32::OpenClipboard(0) && win32::CloseClipboard();
        return forms::vbOK;
    }
    std::vector<vb::String> prompts;
    bool clipboardFree = false;
};

win32::HGDIOBJ OnClipboard() {
    win32::OpenClipboard(0);
    const win32::HGDIOBJ held = win32::GetClipboardData(win32::CF_BITMAP);
    win32::CloseClipboard();
    return held;
}

TEST(DibSection, CopyToClipboardShowsItsMessageOrLeavesABitmapOfThePixels) {
    cDIBSection image;
    ASSERT_TRUE(image.Create(9, 5));
    Paint(image);
    Remember host;
    forms::SetMessageBoxHost(&host);
    const std::size_t bitmaps = LiveBitmaps();
    const std::size_t dcs = LiveDeviceContexts();
    const win32::HGDIOBJ before = OnClipboard();

    EXPECT_FALSE(image.CopyToClipboard());
    EXPECT_FALSE(image.CopyToClipboard(-1));
    ASSERT_EQ(host.prompts.size(), 2U);
    EXPECT_EQ(host.prompts[0],
              u"I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    EXPECT_TRUE(host.clipboardFree);
    EXPECT_EQ(OnClipboard(), before);
    EXPECT_EQ(LiveBitmaps(), bitmaps);

    ASSERT_TRUE(win32::OpenClipboard(0)); // someone else holds it open
    EXPECT_FALSE(image.CopyToClipboard(false));
    win32::CloseClipboard();
    EXPECT_EQ(LiveBitmaps(), bitmaps);

    EXPECT_TRUE(image.CopyToClipboard(false));
    EXPECT_EQ(host.prompts.size(), 2U);
    EXPECT_EQ(LiveDeviceContexts(), dcs);
    ASSERT_TRUE(win32::OpenClipboard(0));
    const win32::HGDIOBJ copy = win32::GetClipboardData(win32::CF_BITMAP);
    aDIBSection read;
    read.CreateFromPicture(copy);
    EXPECT_EQ(read.Width(), 9);
    EXPECT_EQ(read.Height(), 5);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{8, 0}, std::pair{4, 4}}) {
        EXPECT_EQ(GetPixel(read, x, y), Pattern(x, y));
    }
    win32::EmptyClipboard();
    win32::CloseClipboard();

    image.ClearUp(); // no pixels: nothing goes on the clipboard
    EXPECT_FALSE(image.CopyToClipboard(false));
    EXPECT_EQ(OnClipboard(), before);
    forms::SetMessageBoxHost(nullptr);
}

TEST(DibSection, RandomiseBitsFillsGreyOrGreenAndRedPixelsAnewAtEveryTime) {
    cDIBSection image;
    image.RandomiseBits(); // no bitmap: nothing to write
    ASSERT_TRUE(image.Create(5, 4));
    const auto bytes = [&] {
        return std::vector<std::uint8_t>(image.DIBSectionBitsPtr(), image.DIBSectionBitsPtr() + 64);
    };
    vb::ManualClock clock;
    const vb::ScopedClock scoped(clock);
    for (const bool grey : {false, true}) {
        std::fill_n(image.DIBSectionBitsPtr(), 16 * 4, 0xAB);
        image.RandomiseBits(grey);
        const std::vector<std::uint8_t> first = bytes();
        int distinct = 0;
        for (int line = 0; line < 4; ++line) {
            EXPECT_EQ(first[line * 16 + 15], 0xAB) << "spare byte of line " << line;
            for (int x = 0; x < 5; ++x) {
                const std::uint8_t* p = &first[line * 16 + x * 3];
                if (grey) {
                    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
                } else {
                    EXPECT_EQ(p[0], 0);
                }
                distinct += p[1] != first[4] ? 1 : 0;
            }
        }
        EXPECT_GT(distinct, 0);
        // The runtime's numbers, seeded as the routine seeds them, land in the order of its
        // loops: lines outside for grey, pixels outside for colour, green drawn before red.
        vb::Randomize(vb::Timer());
        const auto next = [] {
            return static_cast<std::uint8_t>(vb::RoundHalfEven(vb::Rnd() * 255.0));
        };
        std::vector<std::uint8_t> drawn = first;
        for (int outer = 0; outer < (grey ? 4 : 5); ++outer) {
            for (int inner = 0; inner < (grey ? 5 : 4); ++inner) {
                std::uint8_t* p = &drawn[grey ? outer * 16 + inner * 3 : inner * 16 + outer * 3];
                if (grey) {
                    std::fill_n(p, 3, next());
                } else {
                    p[1] = next();
                    p[2] = next();
                }
            }
        }
        EXPECT_EQ(first, drawn);
        image.RandomiseBits(grey);
        EXPECT_EQ(bytes(), first) << "the same time of day seeds the same numbers";
        clock.advance(std::chrono::seconds(1));
        image.RandomiseBits(grey);
        EXPECT_NE(bytes(), first);
    }
}

} // namespace
