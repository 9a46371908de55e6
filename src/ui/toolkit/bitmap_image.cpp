#include "ui/toolkit/bitmap_image.h"

#include <algorithm>
#include <cstring>

namespace pelko {

namespace {

QImage indexedImage(const Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_Indexed8);
    std::size_t entries = std::min<std::size_t>(bitmap.palette().size(), 256);
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* row = bitmap.row(y);
        std::memcpy(image.scanLine(y), row, bitmap.stride());
        entries = std::max<std::size_t>(entries, *std::max_element(row, row + bitmap.width()) + 1u);
    }
    QList<QRgb> table(qsizetype(std::max<std::size_t>(entries, 1)), qRgb(0, 0, 0));
    for (std::size_t i = 0; i < std::min(entries, bitmap.palette().size()); ++i) {
        const Rgb c = bitmap.palette()[i];
        table[qsizetype(i)] = qRgb(c.r, c.g, c.b);
    }
    image.setColorTable(table);
    return image;
}

}  // namespace

QImage toQImage(const Bitmap& bitmap) {
    if (bitmap.empty()) {
        return {};
    }
    if (bitmap.indexed()) {
        return indexedImage(bitmap);
    }
    const bool alpha = bitmap.depth() == 32;
    QImage image(bitmap.width(), bitmap.height(),
                 alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb opaque = alpha ? 0 : 0xFF000000u;  // Format_RGB32 keeps 0xFF in the top byte
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            out[x] = bitmap.pixel32(x, y) | opaque;
        }
    }
    return image;
}

Bitmap toBitmap(const QImage& source) {
    if (source.isNull()) {
        return {};
    }
    if (source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono ||
        source.format() == QImage::Format_MonoLSB) {
        const QImage image = source.convertToFormat(QImage::Format_Indexed8);
        Bitmap bitmap(image.width(), image.height(), 8);
        for (int y = 0; y < image.height(); ++y) {
            std::memcpy(bitmap.row(y), image.constScanLine(y), bitmap.stride());
        }
        std::vector<Rgb> palette;
        for (QRgb c : image.colorTable()) {
            palette.push_back(
                {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
        }
        bitmap.setPalette(std::move(palette));
        return bitmap;
    }
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Bitmap bitmap(image.width(), image.height(), alpha ? 32 : 24);
    const QRgb keep = alpha ? 0xFFFFFFFFu : 0x00FFFFFFu;  // depth 24 keeps its X byte 0
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            bitmap.setPixel32(x, y, in[x] & keep);
        }
    }
    return bitmap;
}

}  // namespace pelko
