// The picture adapter between Bitmap and QImage, and the capture on the clipboard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "ui/toolkit/bitmap_image.h"
#include "ui/toolkit/capture_clipboard.h"

namespace pelko {
namespace {

using test::rgbPixels;
using test::TempDir;
using test::writeText;

Bitmap palettePicture(int depth, std::vector<Rgb> palette) {
    Bitmap b(5, 3, depth);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            b.row(y)[x] = std::uint8_t((x + y) % palette.size());
        }
    }
    b.setPalette(std::move(palette));
    return b;
}

std::vector<QRgb> qtPixels(const QImage& image) {
    std::vector<QRgb> out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            out.push_back(image.pixel(x, y));
        }
    }
    return out;
}

TEST(BitmapImage, BitmapsBecomeImagesOfTheirKindAndComeBack) {
    Bitmap alpha(3, 2, 32);
    const std::uint32_t argb[] = {0xFF102030, 0x80FF0000, 0x00000000,
                                  0x7F00FF00, 0x01ABCDEF, 0xFFFFFFFF};
    for (int i = 0; i < 6; ++i) {
        alpha.setPixel32(i % 3, i / 3, argb[i]);
    }
    struct Case {
        const char* what;
        Bitmap bitmap;
        QImage::Format format;
        int depthBack;
    };
    const Case cases[] = {
        {"true colour",
         test::makePicture(7, 5, [](int x, int y) { return x * 0x251301 + y * 0x0711FF; }),
         QImage::Format_RGB32, 24},
        {"alpha", alpha, QImage::Format_ARGB32, 32},
        {"8-bit palette", palettePicture(8, {{1, 2, 3}, {250, 0, 7}, {0, 128, 255}}),
         QImage::Format_Indexed8, 8},
        {"4-bit palette", palettePicture(4, {{0, 0, 0}, {255, 255, 255}, {9, 99, 199}}),
         QImage::Format_Indexed8, 8},
        {"1-bit palette", palettePicture(1, {{0, 0, 0}, {255, 255, 0}}), QImage::Format_Indexed8,
         8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = toQImage(c.bitmap);
        ASSERT_EQ(image.format(), c.format);
        ASSERT_EQ(image.size(), QSize(c.bitmap.width(), c.bitmap.height()));
        std::vector<QRgb> expected = test::argbPixels(c.bitmap);
        EXPECT_EQ(qtPixels(image), expected);

        const Bitmap back = toBitmap(image);
        EXPECT_EQ(back.depth(), c.depthBack);
        EXPECT_EQ(test::argbPixels(back), expected);
        if (c.bitmap.indexed()) {
            EXPECT_EQ(back.palette(), c.bitmap.palette());
            EXPECT_EQ(
                std::vector<std::uint8_t>(back.data(), back.data() + back.byteSize()),
                std::vector<std::uint8_t>(c.bitmap.data(), c.bitmap.data() + c.bitmap.byteSize()));
        } else {
            EXPECT_EQ(
                std::vector<std::uint8_t>(back.data(), back.data() + back.byteSize()),
                std::vector<std::uint8_t>(c.bitmap.data(), c.bitmap.data() + c.bitmap.byteSize()));
        }
    }
}

TEST(BitmapImage, IndicesPastThePaletteShowBlack) {
    Bitmap b(3, 1, 8);
    b.setPalette({{255, 0, 0}});
    b.row(0)[0] = 0;
    b.row(0)[1] = 5;
    b.row(0)[2] = 200;
    const QImage image = toQImage(b);
    EXPECT_EQ(image.colorCount(), 201);
    EXPECT_EQ(qtPixels(image), (std::vector<QRgb>{0xFFFF0000, 0xFF000000, 0xFF000000}));
}

TEST(BitmapImage, OtherImageFormatsComeInAsTheirColours) {
    QImage rgb888(2, 1, QImage::Format_RGB888);
    rgb888.setPixel(0, 0, 0xFF123456);
    rgb888.setPixel(1, 0, 0xFFFEDCBA);
    QImage premultiplied(1, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.setPixel(0, 0, qPremultiply(0x80FF00FF));
    QImage grey(1, 1, QImage::Format_Grayscale8);
    grey.fill(QColor(77, 77, 77));
    QImage mono(2, 1, QImage::Format_Mono);
    mono.setColorTable({0xFF000000, 0xFFFFFFFF});
    mono.setPixel(0, 0, 1);
    mono.setPixel(1, 0, 0);
    struct Case {
        const char* what;
        QImage image;
        int depth;
        std::vector<std::uint32_t> argb;
    };
    const Case cases[] = {
        {"RGB888", rgb888, 24, {0xFF123456, 0xFFFEDCBA}},
        {"premultiplied", premultiplied, 32, {0x80FF00FF}},
        {"grey", grey, 24, {0xFF4D4D4D}},
        {"mono", mono, 8, {0xFFFFFFFF, 0xFF000000}},
        {"null", QImage(), 24, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bitmap b = toBitmap(c.image);
        EXPECT_EQ(b.depth(), c.depth);
        EXPECT_EQ(test::argbPixels(b), c.argb);
    }
}

class ClipboardTest : public ::testing::Test {
  protected:
    ClipboardTest()
        : capture(
              test::makePicture(40, 30, [](int x, int y) { return x * 0x060403 + y * 0x030905; })) {
        paths.programDir = dir.path();
        capture.setDeviceDependent(true);
    }
    void settings(const std::string& text) { writeText(paths.settingsFile(), text); }
    QClipboard& clipboard() { return *QGuiApplication::clipboard(); }
    QImage clipboardImage() { return qvariant_cast<QImage>(clipboard().mimeData()->imageData()); }

    TempDir dir;
    ProgramPaths paths;
    Bitmap capture;
};

TEST_F(ClipboardTest, EachFormatPutsItsPicture) {
    VectorSink png;
    encodePng(png, capture, {});
    VectorSink gif;
    encodeGif(gif, capture, {});
    const Bitmap reduced = decodeGif(gif.bytes);
    struct Case {
        const char* settings;
        int override;
        const Bitmap* picture;
        bool gif;
    };
    const Bitmap asPng = decodePng(png.bytes);
    const Case cases[] = {
        {"[main]\nsaveas=bmp\n", 0, &capture, false},
        {"[main]\nsaveas=jpg\n[settings]\njcq=10\n", 0, &capture, false},  // no JPEG loss
        {"[main]\nsaveas=png\n", 0, &asPng, false},
        {"[main]\nsaveas=gif\n", 0, &reduced, true},
        {"[main]\nsaveas=bmp\n", 4, &reduced, true},
        {"[main]\nsaveas=gif\n", 1, &capture, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + std::to_string(c.override));
        settings(c.settings);
        clipboard().setText(QStringLiteral("before"));
        CopyCaptureToClipboard(capture, c.override, paths, clipboard());
        const QMimeData* data = clipboard().mimeData();
        ASSERT_TRUE(data->hasImage());
        EXPECT_FALSE(data->hasText());  // the clipboard was emptied first
        EXPECT_EQ(qtPixels(clipboardImage()), test::argbPixels(*c.picture));
        if (c.gif) {
            const QByteArray bytes = data->data(QString::fromLatin1(kGifMimeType));
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), gif.bytes);
        } else {
            EXPECT_FALSE(data->hasFormat(QString::fromLatin1(kGifMimeType)));
        }
    }
    EXPECT_NE(rgbPixels(reduced), rgbPixels(capture));
}

TEST_F(ClipboardTest, NoFormatLeavesTheClipboardAlone) {
    settings("[main]\nsaveas=png\n");
    clipboard().setText(QStringLiteral("kept"));
    CopyCaptureToClipboard(capture, 5, paths, clipboard());
    EXPECT_EQ(clipboard().text(), QStringLiteral("kept"));
    EXPECT_FALSE(clipboard().mimeData()->hasImage());
}

}  // namespace
}  // namespace pelko
