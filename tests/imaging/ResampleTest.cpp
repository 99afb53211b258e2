#include "Images.h"
#include "imaging/cDIBSection.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The first byte of scan line `line` in memory.
std::uint8_t* ScanLine(const cDIBSection& image, int line) {
    return image.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(line) * image.BytesPerScanLine();
}

// Scan line `line` of a grey image: one byte a pixel, as the three equal bytes hold it.
std::vector<int> GreyLine(const cDIBSection& image, int line) {
    std::vector<int> out;
    const std::uint8_t* bits = ScanLine(image, line);
    for (std::ptrdiff_t i = 0; i < std::ptrdiff_t{image.Width()} * 3; i += 3) {
        EXPECT_TRUE(bits[i] == bits[i + 1] && bits[i] == bits[i + 2]);
        out.push_back(bits[i]);
    }
    return out;
}

void SetGrey(const cDIBSection& image, int line, int x, std::uint8_t v) {
    std::memset(ScanLine(image, line) + static_cast<std::ptrdiff_t>(x) * 3, v, 3);
}

TEST(Resample, BlendsInTwoRoundedStagesFromTheFirstScanLineInMemory) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    SetGrey(source, 0, 0, 0);
    SetGrey(source, 0, 1, 100);
    SetGrey(source, 1, 0, 200);
    SetGrey(source, 1, 1, 255);
    const auto resampled = source.Resample(4, 4);
    ASSERT_TRUE(resampled);
    EXPECT_EQ(GreyLine(*resampled, 0), (std::vector<int>{0, 25, 50, 75}));
    EXPECT_EQ(GreyLine(*resampled, 1), (std::vector<int>{50, 72, 94, 117}));
    // 0.75 x 100 + 0.25 x 178 = 119.5 goes to 120; one rounding of the whole would give 119.
    EXPECT_EQ(GreyLine(*resampled, 2), (std::vector<int>{100, 120, 139, 158}));
    EXPECT_EQ(GreyLine(*resampled, 3), (std::vector<int>{150, 166, 183, 200}));

    // Height first: 1 line of 3 pixels.
    const auto wide = source.Resample(1, 3);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->Width(), 3);
    EXPECT_EQ(wide->Height(), 1);
}

TEST(Resample, AScaleOfOneTakesTheCornerAndAnEqualSizeIsCopiedByteForByte) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(3, 3));
    Paint(source);
    const auto corner = source.Resample(2, 2);
    ASSERT_TRUE(corner);
    // Scan lines 0 and 1 in memory are the two bottom rows of the picture.
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(GetPixel(*corner, x, 1), Pattern(x, 2));
        EXPECT_EQ(GetPixel(*corner, x, 0), Pattern(x, 1));
    }

    cDIBSection odd;
    ASSERT_TRUE(odd.Create(7, 5));
    Paint(odd);
    const auto copy = odd.Resample(5, 7);
    ASSERT_TRUE(copy);
    for (int line = 0; line < 5; ++line) {
        EXPECT_EQ(std::memcmp(ScanLine(*copy, line), ScanLine(odd, line), 21), 0);
    }
}

TEST(Resample, ScalesAndPositionsAreSinglePrecision) {
    // 639 / 480 as a single is 1.33124995..., a little below 1.33125: at pixel 16 the
    // fraction is 0.2999992 instead of 0.3, and the blend of 255 and 0 comes to 178.5002.
    cDIBSection source;
    ASSERT_TRUE(source.Create(640, 2));
    for (int line = 0; line < 2; ++line) {
        for (int x = 1; x < 640; x += 2) {
            SetGrey(source, line, x, 255);
        }
    }
    const auto resampled = source.Resample(2, 480);
    ASSERT_TRUE(resampled);
    const std::vector<int> line = GreyLine(*resampled, 0);
    EXPECT_EQ(line[16], 179); // 178 with a double-precision scale
    EXPECT_EQ(line[176], 76); // 77
    EXPECT_EQ(line[272], 25); // 26
    EXPECT_EQ(line[464], 77); // 76
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[479], 84); // at 637.67: a third of pixel 637, short of the last one
    EXPECT_EQ(GreyLine(*resampled, 1), line);
}

TEST(Resample, SourcesWithoutTwoByTwoPixelsRaiseError9AndFailedSizesGiveNoObject) {
    for (const auto& [w, h] : {std::pair{1, 5}, std::pair{5, 1}}) {
        cDIBSection thin;
        ASSERT_TRUE(thin.Create(w, h));
        const std::size_t bitmaps = win32::LiveBitmaps();
        EXPECT_EQ(ErrorNumberOf([&] { thin.Resample(3, 3); }), vb::err::SubscriptOutOfRange);
        EXPECT_EQ(win32::LiveBitmaps(), bitmaps); // the new object went with the error
        EXPECT_TRUE(thin.Resample(h, w));         // its own size is copied
    }
    cDIBSection empty;
    EXPECT_EQ(ErrorNumberOf([&] { empty.Resample(3, 3); }), vb::err::SubscriptOutOfRange);
    ASSERT_TRUE(empty.Create(4, 4));
    empty.ClearUp();
    EXPECT_EQ(ErrorNumberOf([&] { empty.Resample(4, 4); }), vb::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorNumberOf([&] { empty.Resample(2, 2); }), vb::err::SubscriptOutOfRange);

    cDIBSection source;
    ASSERT_TRUE(source.Create(4, 4));
    EXPECT_FALSE(source.Resample(0, 4));
    EXPECT_FALSE(source.Resample(4, -1));
}

} // namespace
