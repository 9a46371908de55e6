#include "core/output/clipboard_content.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::rgbPixels;
using test::TempDir;
using test::writeText;

// A picture of more than 236 colours, so that the GIF's colour reduction changes it.
Bitmap manyColours() {
    Bitmap b = test::makePicture(40, 30, [](int x, int y) { return x * 0x060403 + y * 0x030905; });
    b.setDeviceDependent(true);
    return b;
}

// A palette picture with a transparent colour: its PNG file marks that colour transparent.
Bitmap transparentPalette() {
    Bitmap b(4, 2, 8);
    b.setPalette({{255, 255, 255}, {10, 20, 30}, {200, 0, 0}});
    for (int x = 0; x < 4; ++x) {
        b.row(0)[x] = std::uint8_t(x % 3);
        b.row(1)[x] = std::uint8_t((x + 1) % 3);
    }
    b.setTransparent(true, toColorRef({255, 255, 255}));
    return b;
}

std::vector<std::uint8_t> gifOf(const Bitmap& b, int method) {
    VectorSink sink;
    EncodeOptions options;
    options.gifMethod = method;
    encodeGif(sink, b, options);
    return sink.bytes;
}

class ClipboardContentTest : public ::testing::Test {
  protected:
    ClipboardContentTest() { paths.programDir = dir.path(); }
    void settings(const std::string& text) { writeText(paths.settingsFile(), text); }
    TempDir dir;
    ProgramPaths paths;
};

TEST_F(ClipboardContentTest, BmpAndJpegPutTheUnchangedCapture) {
    const Bitmap captures[] = {manyColours(), transparentPalette()};
    for (const Bitmap& capture : captures) {
        for (const char* saveas : {"bmp", "jpg"}) {
            settings(std::string("[main]\nsaveas=") + saveas + "\n[settings]\njcq=10\n");
            auto content = clipboardContent(capture, 0, paths);
            ASSERT_TRUE(content);
            EXPECT_EQ(content->image.depth(), capture.depth());
            EXPECT_EQ(content->image.palette(), capture.palette());
            EXPECT_EQ(rgbPixels(content->image), rgbPixels(capture)) << saveas;
            EXPECT_TRUE(content->gifFile.empty());
        }
    }
}

TEST_F(ClipboardContentTest, PngPutsThePictureAsThePngFileHoldsIt) {
    settings("[main]\nsaveas=png\n");
    const Bitmap capture = manyColours();
    auto content = clipboardContent(capture, 0, paths);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->image.depth(), 24);
    EXPECT_EQ(rgbPixels(content->image), rgbPixels(capture));  // true colour: the same pixels
    EXPECT_TRUE(content->gifFile.empty());
    // A transparent colour becomes transparency, as in the file.
    content = clipboardContent(transparentPalette(), 3, paths);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->image.depth(), 32);
    EXPECT_EQ(content->image.pixel32(0, 0) >> 24, 0u);
    EXPECT_EQ(content->image.pixel32(1, 0), 0xFF0A141Eu);
}

TEST_F(ClipboardContentTest, GifPutsTheReducedPictureAndTheGifFile) {
    const Bitmap capture = manyColours();
    for (int method : {1, 2}) {
        settings("[main]\nsaveas=gif\n[settings]\ngifcomp=" + std::to_string(method) + "\n");
        auto content = clipboardContent(capture, 0, paths);
        ASSERT_TRUE(content);
        EXPECT_EQ(content->gifFile, gifOf(capture, method));  // the file the encoder writes
        const Bitmap reduced = decodeGif(content->gifFile);
        EXPECT_EQ(rgbPixels(content->image), rgbPixels(reduced));
        EXPECT_NE(rgbPixels(content->image), rgbPixels(capture));
        EXPECT_TRUE(content->image.indexed());
    }
}

TEST_F(ClipboardContentTest, NoFormatGivesNothing) {
    settings("[main]\nsaveas=gif\n");
    EXPECT_FALSE(clipboardContent(manyColours(), 5, paths));
    EXPECT_FALSE(clipboardContent(manyColours(), -3, paths));
}

TEST_F(ClipboardContentTest, FilesForAServingProcessHoldTheSameContents) {
    const std::string scratch = dir.file("scratch/");
    std::filesystem::create_directory(scratch);
    ::chmod(scratch.c_str(), 0700);
    const ScratchContext ctx{paths, scratch, 90, [] { return LocalTime{2024, 3, 5, 9, 7, 2}; }};
    const Bitmap capture = manyColours();
    for (const char* saveas : {"bmp", "jpg", "png", "gif"}) {
        SCOPED_TRACE(saveas);
        settings(std::string("[main]\nsaveas=") + saveas + "\n");
        const auto content = clipboardContent(capture, 0, paths);
        const auto files = writeClipboardFiles(capture, 0, ctx);
        ASSERT_TRUE(content && files);
        EXPECT_EQ(rgbPixels(readPictureFile(files->image)), rgbPixels(content->image));
        if (content->gifFile.empty()) {
            EXPECT_EQ(files->gif, "");
        } else {
            EXPECT_EQ(readFileBytes(files->gif), content->gifFile);
        }
    }
    EXPECT_FALSE(writeClipboardFiles(capture, 7, ctx));
}

}  // namespace
}  // namespace pelko
