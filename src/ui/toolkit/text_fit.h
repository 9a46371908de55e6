#pragma once

#include <QFont>
#include <QString>
#include <vector>

namespace pelko {

// A text shown in a place of fixed width: width is what the text may take, extra what the
// control adds beside it (a check box's indicator).
struct TextPlace {
    QString text;
    int width = 0;
    int extra = 0;
};

// The largest font, from the base font's size (at most maxPixels) down to minPixels, at which
// every text fits its place; at each size the normal width is tried before a narrower one
// (a condensed face where the family has one). When none fits, the smallest narrow one.
QFont fitFont(const QFont& base, const std::vector<TextPlace>& places, int maxPixels,
              int minPixels);

}  // namespace pelko
