#include "platform/x11/copy_plan.h"

#include <algorithm>

namespace pelko::x11 {

std::optional<CopyPlan> planCopy(const Rect& r, int originX, int originY, int rootWidth,
                                 int rootHeight) {
    using i64 = long long;
    i64 left = i64(r.left) + originX, top = i64(r.top) + originY;
    i64 right = i64(r.right) + originX, bottom = i64(r.bottom) + originY;
    i64 x0 = std::max<i64>(left, 0), y0 = std::max<i64>(top, 0);
    i64 x1 = std::min<i64>(right, rootWidth), y1 = std::min<i64>(bottom, rootHeight);
    if (x0 >= x1 || y0 >= y1) {
        return std::nullopt;
    }
    // Every value below lies within the root window or within r's size, so it fits an int.
    return CopyPlan{{int(x0), int(y0), int(x1 - x0), int(y1 - y0)}, int(x0 - left), int(y0 - top)};
}

}  // namespace pelko::x11
