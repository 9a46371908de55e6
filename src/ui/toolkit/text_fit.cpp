#include "ui/toolkit/text_fit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>

namespace pelko {

namespace {

bool fits(const QFont& font, const std::vector<TextPlace>& places) {
    const QFontMetrics fm(font);
    return std::all_of(places.begin(), places.end(), [&](const TextPlace& p) {
        return fm.horizontalAdvance(p.text) + p.extra <= p.width;
    });
}

}  // namespace

QFont fitFont(const QFont& base, const std::vector<TextPlace>& places, int maxPixels,
              int minPixels) {
    const int start = std::min(QFontInfo(base).pixelSize(), maxPixels);
    QFont font = base;
    for (int pixels = start; pixels >= minPixels; --pixels) {
        for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed)}) {
            font.setPixelSize(pixels);
            font.setStretch(stretch);
            if (fits(font, places)) {
                return font;
            }
        }
    }
    return font;
}

}  // namespace pelko
