#pragma once

#include <algorithm>

namespace pelko {

// A position in picture pixels.
struct Pos {
    int x = 0, y = 0;
    friend bool operator==(const Pos&, const Pos&) = default;
};

// A rectangle in picture pixels: x and y inclusive, x + w and y + h exclusive.
struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Box&, const Box&) = default;

    bool empty() const { return w <= 0 || h <= 0; }
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool contains(Pos p) const { return p.x >= x && p.x < right() && p.y >= y && p.y < bottom(); }

    // The rectangle with corners a and b, both inside (a one-pixel rectangle for a == b).
    static Box spanning(Pos a, Pos b) {
        const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
        return {left, top, std::max(a.x, b.x) - left + 1, std::max(a.y, b.y) - top + 1};
    }
    Box intersected(const Box& o) const {
        const int l = std::max(x, o.x), t = std::max(y, o.y);
        const int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
        return r > l && b > t ? Box{l, t, r - l, b - t} : Box{};
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    Box united(const Box& o) const {
        if (empty()) {
            return o;
        }
        if (o.empty()) {
            return *this;
        }
        const int l = std::min(x, o.x), t = std::min(y, o.y);
        return {l, t, std::max(right(), o.right()) - l, std::max(bottom(), o.bottom()) - t};
    }
    bool intersects(const Box& o) const { return !intersected(o).empty(); }
    Box adjusted(int margin) const {
        return {x - margin, y - margin, w + 2 * margin, h + 2 * margin};
    }
};

}  // namespace pelko
