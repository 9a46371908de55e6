#include "core/settings/picture_size_checks.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/image/bitmap.h"
#include "core/image/scale.h"

namespace pelko {

static_assert(kMaxCapturePixels * 4 == kMaxImageBytes, "a capture has 4 bytes a pixel");

namespace {

// One side of a picture as a box gives it: its value, and the source size it is a percentage
// of (0: the value is in pixels).
struct Side {
    SizeField field;
    long long value;
    long long source;

    long long pixels(long long v) const { return source > 0 ? source * v / 100 : v; }
    // The largest value whose pixels stay at or below the given number.
    long long largestFor(long long pixelCount) const {
        return source > 0 ? (100 * (pixelCount + 1) - 1) / source : pixelCount;
    }
};

const char* nameOf(SizeField field, bool capital) {
    if (field == SizeField::Width) {
        return capital ? "Width" : "width";
    }
    return capital ? "Height" : "height";
}

std::optional<SizeProblem> check(const Side& width, const Side& height, long long maxValue,
                                 const std::string& unit, const std::string& reason) {
    auto valid = [&](const Side& s) { return s.value >= 1 && s.value <= maxValue; };
    // The range of one side: from 1 to what fits beside the other side as it is (or beside
    // its smallest value, when it is not valid itself). The reason is given when the number
    // of pixels, not the boxes' range, ends it.
    auto range = [&](const Side& side, const Side& other) {
        const bool otherValid = valid(other);
        const long long otherPixels = std::max(1LL, other.pixels(otherValid ? other.value : 1LL));
        const long long byPixels = side.largestFor(kMaxCapturePixels / otherPixels);
        const long long largest = std::max(1LL, std::min(maxValue, byPixels));
        std::string message = std::string(nameOf(side.field, true)) + " must be from 1 to " +
                              std::to_string(largest) + unit;
        if (otherValid) {
            message += " with a " + std::string(nameOf(other.field, false)) + " of " +
                       std::to_string(other.value) + unit;
        }
        if (side.value > largest && byPixels < maxValue) {
            message += ": " + reason;
        }
        return SizeProblem{side.field, std::move(message)};
    };
    for (const auto& [side, other] : {std::pair{width, height}, std::pair{height, width}}) {
        if (!valid(side)) {
            return range(side, other);
        }
    }
    const long long widthPixels = std::max(1LL, width.pixels(width.value));
    const long long heightPixels = std::max(1LL, height.pixels(height.value));
    if (widthPixels > kMaxCapturePixels / heightPixels) {
        // The height is blamed unless not even its smallest value fits beside this width.
        const bool widthAlone = widthPixels > kMaxCapturePixels / std::max(1LL, height.pixels(1));
        return widthAlone ? range(width, height) : range(height, width);
    }
    return std::nullopt;
}

}  // namespace

std::optional<SizeProblem> checkFixedRegionSize(long long width, long long height) {
    // Any number a setting can hold; the pixels end the range long before.
    constexpr long long anyValue = std::numeric_limits<std::int32_t>::max();
    return check({SizeField::Width, width, 0}, {SizeField::Height, height, 0}, anyValue, "",
                 "a capture holds at most " + std::to_string(kMaxCapturePixels) + " pixels");
}

std::optional<SizeProblem> checkScalingSize(int kind, long long width, long long height,
                                            long long maxValue, long long screenWidth,
                                            long long screenHeight) {
    if (kind == kScalePercent) {
        return check({SizeField::Width, width, std::max(1LL, screenWidth)},
                     {SizeField::Height, height, std::max(1LL, screenHeight)}, maxValue, " percent",
                     "the whole screen (" + std::to_string(screenWidth) + " x " +
                         std::to_string(screenHeight) + ") would be scaled to more than " +
                         std::to_string(kMaxCapturePixels) + " pixels");
    }
    return check({SizeField::Width, width, 0}, {SizeField::Height, height, 0}, maxValue, "",
                 "a capture holds at most " + std::to_string(kMaxCapturePixels) + " pixels");
}

}  // namespace pelko
