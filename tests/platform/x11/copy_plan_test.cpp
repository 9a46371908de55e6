#include "platform/x11/copy_plan.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/error.h"
#include "platform/x11/x11_screen.h"

namespace pelko::x11 {
namespace {

TEST(PlanCopy, ClipsToTheRootAndPlacesTheRestInTheBitmap) {
    struct Case {
        const char* name;
        Rect r;
        int originX, originY;
        std::optional<CopyPlan> plan;
    };
    const Case cases[] = {
        {"inside", {10, 20, 110, 70}, 0, 0, CopyPlan{{10, 20, 100, 50}, 0, 0}},
        {"over the top-left corner", {-10, -20, 90, 80}, 0, 0, CopyPlan{{0, 0, 90, 80}, 10, 20}},
        {"over the bottom-right corner",
         {1900, 1070, 1950, 1100},
         0,
         0,
         CopyPlan{{1900, 1070, 20, 10}, 0, 0}},
        {"primary output away from the root's corner",
         {0, 0, 10, 10},
         100,
         50,
         CopyPlan{{100, 50, 10, 10}, 0, 0}},
        {"left of the primary output, still on the root",
         {-150, 0, -90, 10},
         100,
         50,
         CopyPlan{{0, 50, 10, 10}, 50, 0}},
        {"larger than the root",
         {-1000000, -1000000, 1000000, 1000000},
         0,
         0,
         CopyPlan{{0, 0, 1920, 1080}, 1000000, 1000000}},
        {"touching the left edge only", {-10, 0, 0, 10}, 0, 0, std::nullopt},
        {"below the root", {0, 1080, 10, 1090}, 0, 0, std::nullopt},
        {"near INT_MAX", {INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX}, 100, 50, std::nullopt},
        {"near INT_MIN", {INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 5}, 100, 50, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(planCopy(c.r, c.originX, c.originY, 1920, 1080), c.plan);
    }
}

TEST(X11Screen, ReportsADisplayThatCannotBeOpened) {
    try {
        X11Screen screen(":65000");
        FAIL() << "opened a display that does not exist";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\":65000\""), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace pelko::x11
