#pragma once

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "core/image/bitmap.h"
#include "pattern.h"

namespace pelko::test {

// The expected colour of a Bitmap pixel, or none where the pixel is not checked.
using Expected = std::function<std::optional<testpattern::Color>(int x, int y)>;

// Compares every checked pixel of a Bitmap with what is expected, allowing each channel to be
// off by up to tolerance (displays of 15 or 16 bits keep 5 or 6 bits a channel). Returns an
// empty string when all match, else the count of wrong pixels and the first of them.
inline std::string comparePixels(const Bitmap& b, const Expected& expected, int tolerance = 0) {
    long wrong = 0, checked = 0;
    std::ostringstream first;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            auto want = expected(x, y);
            if (!want) {
                continue;
            }
            ++checked;
            Rgb got = b.colorAt(x, y);
            if (std::abs(got.r - want->r) > tolerance || std::abs(got.g - want->g) > tolerance ||
                std::abs(got.b - want->b) > tolerance) {
                if (wrong++ == 0) {
                    first << " first at (" << x << ", " << y << "): got " << int(got.r) << ","
                          << int(got.g) << "," << int(got.b) << " want " << int(want->r) << ","
                          << int(want->g) << "," << int(want->b);
                }
            }
        }
    }
    if (checked == 0) {
        return "no pixel checked";
    }
    if (wrong == 0) {
        return "";
    }
    return std::to_string(wrong) + " of " + std::to_string(checked) + " pixels differ;" +
           first.str();
}

}  // namespace pelko::test
