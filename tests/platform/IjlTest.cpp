#include "jpeg/Ijl.h"

#include "support/Jpeg.h"
#include "support/TempTree.h"
#include "vb/Descriptor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace jpeg;

// 8 x 4 pixels, blue-green-red with 2 spare bytes a row: the top half red, the bottom half
// blue, stored bottom-up (the bottom row first) or top-down.
std::vector<std::uint8_t> Rows(bool bottomUp) {
    std::vector<std::uint8_t> bytes;
    for (int line = 0; line < 4; ++line) {
        const bool top = bottomUp ? line >= 2 : line < 2;
        for (int x = 0; x < 8; ++x) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(top ? 0 : 255), 0,
                                       static_cast<std::uint8_t>(top ? 255 : 0)});
        }
        bytes.insert(bytes.end(), {0xEE, 0xEE});
    }
    return bytes;
}

void Describe(JPEG_CORE_PROPERTIES& p, const std::vector<std::uint8_t>& rows, bool bottomUp,
              const char* file) {
    p.DIBBytes = rows.data();
    p.DIBWidth = 8;
    p.DIBHeight = bottomUp ? -4 : 4;
    p.DIBPadBytes = 2;
    p.JPGFile = file;
    p.JPGWidth = 8;
    p.JPGHeight = 4;
    p.jquality = 90;
}

TEST(Ijl, WritesRowsWhereTheyLieTheRightWayUp) {
    const testsupport::TempTree t;
    for (const bool bottomUp : {true, false}) {
        const std::vector<std::uint8_t> rows = Rows(bottomUp);
        const std::string file = t.path(bottomUp ? "up.jpg" : "down.jpg");
        JPEG_CORE_PROPERTIES p;
        ASSERT_EQ(ijlInit(&p), IJL_OK);
        Describe(p, rows, bottomUp, file.c_str());
        ASSERT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), IJL_OK);
        EXPECT_EQ(ijlFree(&p), IJL_OK);
        const auto image = testsupport::DecodeJpegFile(file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, 8);
        EXPECT_EQ(image->height, 4);
        for (const int x : {0, 7}) {
            EXPECT_GT(image->at(x, 0)[0], 200) << bottomUp; // red on top
            EXPECT_LT(image->at(x, 0)[2], 60) << bottomUp;
            EXPECT_GT(image->at(x, 3)[2], 200) << bottomUp; // blue below
            EXPECT_LT(image->at(x, 3)[0], 60) << bottomUp;
        }
    }

    // A file already open takes the image; the name is then not opened.
    const std::vector<std::uint8_t> rows = Rows(true);
    const std::string file = t.path("open.jpg");
    const std::string nowhere = t.path("missing/x.jpg");
    const vb::Descriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0444));
    JPEG_CORE_PROPERTIES p;
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    Describe(p, rows, true, nowhere.c_str());
    p.JPGFileDescriptor = fd.get();
    ASSERT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), IJL_OK);
    const auto image = testsupport::DecodeJpegFile(file);
    ASSERT_TRUE(image);
    EXPECT_GT(image->at(0, 0)[0], 200);
}

TEST(Ijl, FailuresAreNonZeroCodes) {
    const testsupport::TempTree t;
    const std::vector<std::uint8_t> rows = Rows(true);
    const std::string file = t.path("x.jpg");
    const std::string nowhere = t.path("missing/x.jpg");
    JPEG_CORE_PROPERTIES p;
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), NotInitialised);
    EXPECT_EQ(ijlInit(nullptr), NoRecord);
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    Describe(p, rows, true, file.c_str());
    EXPECT_EQ(ijlWrite(&p, 1), UnsupportedMode);
    p.jquality = 0;
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), BadQuality);
    p.jquality = 101;
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), BadQuality);
    p.jquality = 90;
    p.JPGHeight = 5;
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), BadImage);
    p.JPGHeight = 4;
    p.DIBBytes = nullptr;
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), BadImage);
    p.DIBBytes = rows.data();
    p.JPGFile = nowhere.c_str();
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), CannotOpenFile);
    p.JPGFile = "";
    EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), CannotOpenFile);
    EXPECT_EQ(ijlFree(&p), IJL_OK);
    EXPECT_EQ(ijlFree(&p), NotInitialised);
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
