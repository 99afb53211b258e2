#include "Images.h"
#include "imaging/cDIBSection.h"
#include "support/Child.h"
#include "support/Jpeg.h"
#include "support/TempTree.h"
#include "vb/App.h"
#include "vb/Convert.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

using testsupport::TempTree;

// A smooth picture, so that a JPEG at quality 90 stays close to it.
void PaintGradient(const cDIBSection& image) {
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            SetPixel(image, x, y,
                     {128, static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x * 6)});
        }
    }
}

// Pixels of a written file against the picture, as the largest difference of a channel.
int LargestDifference(const testsupport::DecodedJpeg& file, const cDIBSection& image) {
    int worst = 0;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Bgr want = GetPixel(image, x, y);
            const auto got = file.at(x, y);
            worst = std::max({worst, std::abs(got[0] - want.r), std::abs(got[1] - want.g),
                              std::abs(got[2] - want.b)});
        }
    }
    return worst;
}

std::string DosAttributes(const std::string& path) {
    char value[64];
    const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value);
    return n < 0 ? "none" : std::string(value, static_cast<std::size_t>(n));
}

bool SetDosAttributes(const std::string& path, const std::string& value) {
    return ::setxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

TEST(SaveJPG, WritesThePictureOfTheImageGivenTheRightWayUp) {
    const TempTree t;
    cDIBSection image;
    ASSERT_TRUE(image.Create(40, 30));
    PaintGradient(image);
    cDIBSection writer; // plays no part: the picture is the one given
    EXPECT_TRUE(writer.SaveJPG(image, t.text("dégradé.jpg")));
    const auto file = testsupport::DecodeJpegFile(t.path("dégradé.jpg"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->width, 40);
    EXPECT_EQ(file->height, 30);
    EXPECT_LE(LargestDifference(*file, image), 12);
    EXPECT_LT(file->at(20, 0)[1], 20); // the top row has little green, the bottom row much
    EXPECT_GT(file->at(20, 29)[1], 210);
    EXPECT_EQ(t.list(""), (std::set<std::string>{"dégradé.jpg"})); // nothing else left

    // 5 x 3: one spare byte a scan line must not shift the rows.
    cDIBSection small;
    ASSERT_TRUE(small.Create(5, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const auto grey = static_cast<std::uint8_t>(y == 1 ? 230 - 40 * x : 30 + 40 * x);
            SetPixel(small, x, y, {grey, grey, grey});
        }
    }
    EXPECT_TRUE(writer.SaveJPG(small, t.text("small.jpg"), 100));
    const auto five = testsupport::DecodeJpegFile(t.path("small.jpg"));
    ASSERT_TRUE(five);
    EXPECT_EQ(five->width, 5);
    EXPECT_EQ(five->height, 3);
    EXPECT_LE(LargestDifference(*five, small), 10);

    // The quality left out is 90.
    writer.SaveJPG(image, t.text("q90.jpg"), 90);
    writer.SaveJPG(image, t.text("q20.jpg"), 20);
    EXPECT_EQ(t.read("dégradé.jpg"), t.read("q90.jpg"));
    EXPECT_NE(t.read("q20.jpg"), t.read("q90.jpg"));
}

TEST(SaveJPG, AReplacedFileKeepsItsTimesAndAttributes) {
    const TempTree t;
    cDIBSection image;
    ASSERT_TRUE(image.Create(8, 8));
    PaintGradient(image);
    for (const std::string attributes : {"0x22", "0x2"}) { // hidden and archive; hidden only
        t.write("old.jpg", "old content");
        ::chmod(t.path("old.jpg").c_str(), 0640);
        const timespec times[2] = {{1000000000, 5}, {1100000000, 7}};
        ::utimensat(AT_FDCWD, t.path("old.jpg").c_str(), times, 0);
        const bool xattrs = SetDosAttributes(t.path("old.jpg"), attributes);

        EXPECT_TRUE(image.SaveJPG(image, t.text("old.jpg")));
        const struct stat st = StatOf(t.path("old.jpg"));
        EXPECT_TRUE(testsupport::DecodeJpegFile(t.path("old.jpg")));
        EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
        EXPECT_EQ(st.st_atim.tv_nsec, 5);
        EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
        EXPECT_EQ(st.st_mtim.tv_nsec, 7);
        EXPECT_EQ(st.st_mode & 0777, 0640U);
        if (xattrs) {
            EXPECT_EQ(DosAttributes(t.path("old.jpg")), attributes);
        }
    }
    // A run as root leaves a user's file to its user.
    if (::geteuid() == 0) {
        ::chown(t.path("old.jpg").c_str(), 65534, 65534);
        EXPECT_TRUE(image.SaveJPG(image, t.text("old.jpg")));
        EXPECT_EQ(StatOf(t.path("old.jpg")).st_uid, 65534U);
        EXPECT_EQ(StatOf(t.path("old.jpg")).st_mode & 0777, 0640U);
    }
    // A new file takes nothing from anywhere.
    image.SaveJPG(image, t.text("new.jpg"));
    EXPECT_EQ(DosAttributes(t.path("new.jpg")), "none");
    EXPECT_GT(StatOf(t.path("new.jpg")).st_mtim.tv_sec, 1100000000);
}

TEST(SaveJPG, AFailedWriteRaises26001AndLeavesTheOldFileAsItWas) {
    const TempTree t;
    cDIBSection image;
    ASSERT_TRUE(image.Create(4, 4));
    const vb::String source = vb::App().EXEName + u".mIntelJPEGLibrary";
    t.write("kept.jpg", "old content");
    t.mkdir("folder.jpg");
    t.write("a1.jpg", "one");
    t.write("a2.jpg", "two");

    const struct {
        vb::String path;
        std::int32_t quality;
        vb::String description;
    } failures[] = {
        {u"", 90, u"Failed to save to JPG -8"},
        {t.text("missing/kept.jpg"), 90, u"Failed to save to JPG -8"},
        {t.text("kept.jpg"), 0, u"Failed to save to JPG -6"},
        {t.text("kept.jpg/"), 90, u"Failed to save to JPG -8"},
    };
    for (const auto& f : failures) {
        const auto e = ErrorRaisedBy([&] { image.SaveJPG(image, f.path, f.quality); });
        ASSERT_TRUE(e) << vb::ToUtf8(f.path);
        EXPECT_EQ(e->number(), 26001);
        EXPECT_EQ(e->description(), f.description) << vb::ToUtf8(f.path);
        EXPECT_EQ(e->source(), source);
    }
    cDIBSection none;
    const auto absent = ErrorRaisedBy([&] { image.SaveJPG(none, t.text("kept.jpg")); });
    ASSERT_TRUE(absent);
    EXPECT_EQ(absent->description(), u"Failed to save to JPG -5");

    // What may not be deleted is not replaced: a read-only file, a folder, a pipe.
    ::chmod(t.path("kept.jpg").c_str(), 0444);
    EXPECT_EQ(ErrorNumberOf([&] { image.SaveJPG(image, t.text("kept.jpg")); }), 75);
    EXPECT_EQ(ErrorNumberOf([&] { image.SaveJPG(image, t.text("folder.jpg")); }), 75);
    EXPECT_TRUE(t.isFolder("folder.jpg"));
    ASSERT_EQ(::mkfifo(t.path("pipe.jpg").c_str(), 0644), 0);
    EXPECT_EQ(ErrorNumberOf([&] { image.SaveJPG(image, t.text("pipe.jpg")); }), 75);
    struct stat pipe {};
    EXPECT_TRUE(::stat(t.path("pipe.jpg").c_str(), &pipe) == 0 && S_ISFIFO(pipe.st_mode));
    ::unlink(t.path("pipe.jpg").c_str());
    ::chmod(t.path("kept.jpg").c_str(), 0644);

    // A folder the user may not write in.
    ::chmod(t.path().c_str(), 0755);
    const std::string refused = testsupport::InChild(
        [&] {
            const auto e = ErrorRaisedBy([&] { image.SaveJPG(image, t.text("kept.jpg")); });
            return e ? std::to_string(e->number()) : std::string("saved");
        },
        true);
    EXPECT_EQ(refused, "70"); // the old file may not be deleted there
    EXPECT_EQ(t.read("kept.jpg"), "old content");

    // A sticky folder, where a file of another user may not be deleted.
    t.write("shared/other.jpg", "old content");
    ::chmod(t.path("shared").c_str(), 01777);
    const std::string sticky = testsupport::InChild(
        [&] {
            return std::to_string(
                ErrorNumberOf([&] { image.SaveJPG(image, t.text("shared/other.jpg")); }));
        },
        true);
    EXPECT_EQ(sticky, "70");
    EXPECT_EQ(t.read("shared/other.jpg"), "old content");

    // Wildcards are characters of the one name.
    EXPECT_TRUE(image.SaveJPG(image, t.text("a?.jpg")));
    EXPECT_TRUE(image.SaveJPG(image, t.text("a*.jpg")));
    EXPECT_EQ(t.read("a1.jpg"), "one");
    EXPECT_EQ(t.read("a2.jpg"), "two");
    EXPECT_TRUE(testsupport::DecodeJpegFile(t.path("a?.jpg")));
    EXPECT_EQ(t.list(""),
              (std::set<std::string>{"a*.jpg", "a1.jpg", "a2.jpg", "a?.jpg", "folder.jpg/",
                                     "kept.jpg", "shared/", "shared/other.jpg"}));
}

TEST(SaveJPG, AUmaskThatTakesAwayTheOwnersWritePermissionStillLetsTheUserSave) {
    const TempTree t;
    cDIBSection image;
    ASSERT_TRUE(image.Create(8, 8));
    PaintGradient(image);
    ::chmod(t.path().c_str(), 0777);
    for (const mode_t mask : {0222, 0277}) {
        const std::string name = "masked-" + std::to_string(mask) + ".jpg";
        const std::string saved = testsupport::InChild(
            [&] {
                ::umask(mask);
                const auto e = ErrorRaisedBy([&] { image.SaveJPG(image, t.text(name)); });
                return e ? vb::ToUtf8(e->description()) : std::string("saved");
            },
            true);
        EXPECT_EQ(saved, "saved") << mask;
        EXPECT_TRUE(testsupport::DecodeJpegFile(t.path(name))) << mask;
        EXPECT_EQ(StatOf(t.path(name)).st_mode & 0777, 0666 & ~mask);
    }
}

} // namespace
