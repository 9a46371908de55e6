// The sizes a capture can never have, refused before they are stored.
#include "core/settings/picture_size_checks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/image/scale.h"

namespace pelko {
namespace {

struct Case {
    long long width, height;
    std::string message;  // empty: allowed
    SizeField field;
};

void expectCases(const std::vector<Case>& cases,
                 const std::function<std::optional<SizeProblem>(long long, long long)>& check) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const std::optional<SizeProblem> problem = check(c.width, c.height);
        if (c.message.empty()) {
            EXPECT_FALSE(problem) << problem->message;
            continue;
        }
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->message, c.message);
        EXPECT_EQ(problem->field, c.field);
    }
}

TEST(PictureSizeChecks, FixedRegionHasAreaAndFitsInAPicture) {
    const std::string reason = ": a capture holds at most 536870912 pixels";
    expectCases(
        {
            {400, 300, "", SizeField::Width},
            {23170, 23170, "", SizeField::Width},
            {23171, 23169, "", SizeField::Width},
            {536870912, 1, "", SizeField::Width},
            {1, 536870912, "", SizeField::Width},
            {0, 300, "Width must be from 1 to 1789569 with a height of 300", SizeField::Width},
            {-7, 0, "Width must be from 1 to 536870912", SizeField::Width},
            {400, 0, "Height must be from 1 to 1342177 with a width of 400", SizeField::Height},
            {23171, 23171, "Height must be from 1 to 23169 with a width of 23171" + reason,
             SizeField::Height},
            {536870913, 1, "Width must be from 1 to 536870912 with a height of 1" + reason,
             SizeField::Width},
        },
        checkFixedRegionSize);
}

TEST(PictureSizeChecks, ScalingHasAreaAndTheScaledScreenFits) {
    const std::string reason =
        ": the whole screen (1920 x 1080) would be scaled to more than 536870912 pixels";
    expectCases(
        {
            {100, 100, "", SizeField::Width},
            {9999, 258, "", SizeField::Width},  // 191980 x 2786 pixels
            {0, 90, "Width must be from 1 to 9999 percent with a height of 90 percent",
             SizeField::Width},
            {90, 0, "Height must be from 1 to 9999 percent with a width of 90 percent",
             SizeField::Height},
            {9999, 259,
             "Height must be from 1 to 258 percent with a width of 9999 percent" + reason,
             SizeField::Height},
        },
        [](long long w, long long h) {
            return checkScalingSize(kScalePercent, w, h, 9999, 1920, 1080);
        });
    expectCases(
        {
            {9999, 9999, "", SizeField::Width},
            {1, 1, "", SizeField::Width},
            {640, 0, "Height must be from 1 to 9999 with a width of 640", SizeField::Height},
            {10000, 480, "Width must be from 1 to 9999 with a height of 480", SizeField::Width},
        },
        [](long long w, long long h) {
            return checkScalingSize(kScalePixels, w, h, 9999, 1920, 1080);
        });
}

}  // namespace
}  // namespace pelko
