#pragma once

#include <optional>
#include <string>

// Checks of the sizes the settings dialogs store, made before they are stored: a fixed region
// or a scaling that no capture could ever produce is refused with a message that names the
// field and the values it may take.
//
// A capture is a Bitmap of 4 bytes a pixel, and a Bitmap holds at most kMaxImageBytes (2 GiB):
// a picture of more than kMaxCapturePixels (536870912, about 23170 x 23170) can never be
// captured, nor scaled to.
namespace pelko {

inline constexpr long long kMaxCapturePixels = (1LL << 31) / 4;

enum class SizeField { Width, Height };

struct SizeProblem {
    SizeField field;
    std::string message;  // "Width must be from 1 to 1789569 with a height of 300"
};

// The fixed region's width and height: each at least 1, together at most kMaxCapturePixels.
std::optional<SizeProblem> checkFixedRegionSize(long long width, long long height);

// The scaling's width and height, each from 1 to maxValue (the boxes' range). Kind 1 takes
// them as percentages of the captured picture, checked against a capture of the whole screen
// of screenWidth x screenHeight pixels: the scaled screen must fit in kMaxCapturePixels. Kind
// 2 takes them as pixels.
std::optional<SizeProblem> checkScalingSize(int kind, long long width, long long height,
                                            long long maxValue, long long screenWidth,
                                            long long screenHeight);

}  // namespace pelko
