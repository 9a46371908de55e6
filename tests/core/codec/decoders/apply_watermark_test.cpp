#include "core/codec/apply_watermark.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::filledPicture;
using test::rgbAt;
using test::rgbPixels;
using test::TempDir;

TEST(PictureFileKind, ExtensionWithLetterCaseCounting) {
    struct Case {
        const char* path;
        PictureFileKind kind;
    } cases[] = {
        {"/a/stamp.jpg", PictureFileKind::Jpeg}, {"/a/stamp.jpeg", PictureFileKind::Jpeg},
        {"/a/stamp.png", PictureFileKind::Png},  {"/a/stamp.gif", PictureFileKind::Gif},
        {"/a/stamp.bmp", PictureFileKind::Bmp},  {"/a/stamp.PNG", PictureFileKind::Bmp},
        {"/a/stamp.JPG", PictureFileKind::Bmp},  {"/a/stamp", PictureFileKind::Bmp},
        {"/a.png/stamp", PictureFileKind::Bmp},  {"/a/x.tar.gif", PictureFileKind::Gif},
        {"stamp.png", PictureFileKind::Png},     {"/a/.png", PictureFileKind::Png},
        {"/a/stamp.", PictureFileKind::Bmp},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pictureFileKind(c.path), c.kind) << c.path;
    }
}

// Files a user opens are read as their first bytes say, whatever their names; a file without a
// known signature is read as its name says and gets that reader's error.
TEST(OpenPictureFile, ReadsTheFormatItsFirstBytesShow) {
    TempDir dir;
    const std::vector<std::uint32_t> picture =
        rgbPixels(decodePng(test::fixtureBytes("picture.png")));
    for (auto [fixture, name] : {std::pair{"picture.png", "shot.bmp"},
                                 {"picture.png", "shot.PNG"},
                                 {"rgb24.bmp", "shot.png"},
                                 {"plain.gif", "shot"},
                                 {"pal8.bmp", "shot.JPG"}}) {
        const std::string path = dir.file(name);
        fs::copy_file(test::fixture(fixture), path, fs::copy_options::overwrite_existing);
        EXPECT_EQ(rgbPixels(openPictureFile(path)), picture) << fixture << " as " << name;
    }
    const std::string camera = dir.file("IMG_0001.JPG");
    fs::copy_file(test::fixture("baseline.jpg"), camera);
    EXPECT_EQ(rgbPixels(openPictureFile(camera)),
              rgbPixels(decodeJpeg(test::fixtureBytes("baseline.jpg"))));

    const std::string text = dir.file("notes.png");
    test::writeText(text, "not a picture");
    try {
        openPictureFile(text);
        ADD_FAILURE() << "a text file opened";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "\"" + text + "\" is not a PNG file or is damaged (Not a PNG file).");
    }
}

class ApplyWatermarkTest : public ::testing::Test {
  protected:
    // Copies a fixture into the test folder under another name.
    std::string stamp(const std::string& fixture, const std::string& name) {
        const std::string path = dir.file(name);
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(test::fixture(fixture), path, fs::copy_options::overwrite_existing);
        return path;
    }
    std::string apply(const std::string& path, bool transparent = false) {
        try {
            ApplyWatermark(target, path, 0, 0, transparent, 2, 0, 0);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }
    TempDir dir;
    Bitmap target = filledPicture(20, 10, 0x123456);
};

TEST_F(ApplyWatermarkTest, ReadsEachFormatByItsExtension) {
    const std::vector<std::uint32_t> picture =
        rgbPixels(decodePng(test::fixtureBytes("picture.png")));
    for (auto [fixture, name] : {std::pair{"picture.png", "stamp.png"},
                                 {"rgb24.bmp", "stamp.bmp"},
                                 {"rgb24.bmp", "stamp"},
                                 {"rgb24.bmp", "dir.png/stamp"},
                                 {"plain.gif", "stamp.gif"},
                                 {"pal8.bmp", "stamp.JPG"}}) {
        target = filledPicture(20, 10, 0x123456);
        ASSERT_EQ(apply(stamp(fixture, name)), "") << name;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                ASSERT_EQ(rgbAt(target, x, y), picture[std::size_t(y) * 13 + x]) << name;
            }
        }
        EXPECT_EQ(rgbAt(target, 13, 0), 0x123456u);
    }
    target = filledPicture(30, 20, 0);
    ASSERT_EQ(apply(stamp("baseline.jpg", "photo.jpeg")), "");
    EXPECT_EQ(rgbAt(target, 23, 15), rgbAt(decodeJpeg(test::fixtureBytes("baseline.jpg")), 23, 15));
}

// Every refusal names the file and says what is wrong with it, keeping the reader's own
// message where it says more; the target stays as it was.
TEST_F(ApplyWatermarkTest, ErrorsNameTheFileAndLeaveTheTargetUnchanged) {
    const std::string missing = dir.file("missing.bmp");
    fs::create_directory(dir.file("folder.bmp"));
    const std::string empty = dir.file("empty.png");
    test::writeText(empty, "");
    const std::vector<std::uint8_t> bitmap = test::fixtureBytes("rgb24.bmp");
    const std::string cutBitmap = dir.file("cut.bmp");
    test::writeText(cutBitmap, std::string(bitmap.begin(), bitmap.begin() + 80));
    const std::string text = dir.file("text.jpg");
    test::writeText(text, "not a picture");
    auto named = [](const std::string& path) { return "\"" + path + "\""; };
    struct Case {
        std::string path;
        std::string message;
    } cases[] = {
        {missing, "Cannot open file \"" + missing + "\". No such file or directory"},
        {dir.file("folder.bmp"),
         "Cannot open file \"" + dir.file("folder.bmp") + "\". Is a directory"},
        {empty, named(empty) + " is empty."},
        // Read by the name's ending, letter case counting: the name is what to change.
        {stamp("picture.png", "stamp.PNG"),
         named(dir.file("stamp.PNG")) +
             " holds a PNG picture, but its name makes Pelko read it as a BMP file (Bitmap "
             "image is not valid). Names of PNG files end in \".png\"."},
        {stamp("baseline.jpg", "noextension"),
         named(dir.file("noextension")) +
             " holds a JPEG picture, but its name makes Pelko read it as a BMP file (Bitmap "
             "image is not valid). Names of JPEG files end in \".jpg\"."},
        {stamp("rgb24.bmp", "stamp.jpg"),
         named(dir.file("stamp.jpg")) +
             " holds a BMP picture, but its name makes Pelko read it as a JPEG file (JPEG "
             "error #53). Names of BMP files end in \".bmp\"."},
        {stamp("rgb24.bmp", "stamp.png"),
         named(dir.file("stamp.png")) +
             " holds a BMP picture, but its name makes Pelko read it as a PNG file (Not a PNG "
             "file). Names of BMP files end in \".bmp\"."},
        {stamp("rgb24.bmp", "stamp.gif"),
         named(dir.file("stamp.gif")) +
             " holds a BMP picture, but its name makes Pelko read it as a GIF file (Data is not "
             "in GIF format). Names of BMP files end in \".bmp\"."},
        {text, named(text) + " is not a JPEG file or is damaged (JPEG error #" +
                   std::to_string(JERR_NO_SOI) + ")."},
        // Inputs that once gave only the reader's message.
        {stamp("regressions/png/huge-declared-size", "big.png"),
         named(dir.file("big.png")) + " declares 65535 x 65535 pixels, more than Pelko reads."},
        {stamp("regressions/gif/huge-screen", "screen.gif"),
         named(dir.file("screen.gif")) + " declares 65535 x 65535 pixels, more than Pelko reads."},
        {stamp("regressions/jpeg/cut-off", "cut.jpg"),
         named(dir.file("cut.jpg")) + " is not a JPEG file or is damaged (JPEG error #" +
             std::to_string(JWRN_JPEG_EOF) + ")."},
        {cutBitmap, named(cutBitmap) + " declares 13 x 7 pixels but holds too little data for "
                                       "them: it is cut off or damaged."},
    };
    const std::vector<std::uint32_t> before = rgbPixels(target);
    for (const Case& c : cases) {
        EXPECT_EQ(apply(c.path), c.message);
        EXPECT_EQ(rgbPixels(target), before) << c.path;
    }
}

TEST_F(ApplyWatermarkTest, PlacementAndTransparencyOfTheFactoryDefaults) {
    // Bottom-right, 90 pixels in from each side, the bottom-left pixel's colour left out.
    const std::string path = stamp("picture.png", "stamp.png");
    const Bitmap picture = decodePng(test::fixtureBytes("picture.png"));
    const std::uint32_t key = rgbAt(picture, 0, 6);
    Bitmap screen = filledPicture(800, 600, 0x123456);
    ApplyWatermark(screen, path, 90, 90, true, 1, 0, 0);
    int left = 0, drawn = 0;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const std::uint32_t want = rgbAt(picture, x, y);
            const std::uint32_t got = rgbAt(screen, 697 + x, 503 + y);
            if (want == key) {
                ++left;
                EXPECT_EQ(got, 0x123456u);
            } else {
                ++drawn;
                EXPECT_EQ(got, want);
            }
        }
    }
    EXPECT_GT(left, 0);
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(rgbAt(screen, 696, 503), 0x123456u);
    EXPECT_EQ(rgbAt(screen, 710, 510), 0x123456u);
}

TEST(FactoryStamp, IsASmallPictureWhoseBackgroundIsLeftOut) {
    const std::string path = std::string(PELKO_PROGRAM_DATA) + "/lib/images/watermark.bmp";
    ASSERT_EQ(pictureFileKind(path), PictureFileKind::Bmp);
    const Bitmap stamp = readPictureFile(path);
    EXPECT_LE(stamp.width(), 200);
    EXPECT_LE(stamp.height(), 60);
    EXPECT_EQ(rgbAt(stamp, 0, stamp.height() - 1), 0xFFFFFFu);
    Bitmap target = filledPicture(stamp.width(), stamp.height(), 0x000080);
    ApplyWatermark(target, path, 0, 0, true, 2, 0, 0);
    int kept = 0, drawn = 0;
    for (int y = 0; y < stamp.height(); ++y) {
        for (int x = 0; x < stamp.width(); ++x) {
            const bool background = rgbAt(stamp, x, y) == 0xFFFFFF;
            EXPECT_EQ(rgbAt(target, x, y), background ? 0x000080u : rgbAt(stamp, x, y));
            (background ? kept : drawn) += 1;
        }
    }
    EXPECT_GT(drawn, 50);
    EXPECT_GT(kept, 100);
}

}  // namespace
}  // namespace pelko
