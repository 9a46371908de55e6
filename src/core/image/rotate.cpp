#include "core/image/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "core/error.h"

namespace pelko {

namespace {

// The Bitmap at depth 24, taken over when it already is.
Bitmap takeDepth24(Bitmap& bitmap) {
    if (bitmap.depth() == 24) {
        return std::move(bitmap);
    }
    return bitmap.toDepth24();
}

// Nearest integer, halves to the even neighbour: adding 1.5 * 2^52 leaves a double with no
// fraction bits, rounded in the default mode (to nearest, ties to even). Exact for |x| < 2^51;
// rint() would need SSE4.1 to be inlined.
constexpr double kRoundingShift = 6755399441055744.0;

inline double roundHalfEven(double x) {
    return (x + kRoundingShift) - kRoundingShift;
}

// The same as an integer: within [2^52, 2^53) a double's bit pattern grows by one per unit.
inline std::int64_t roundHalfEvenToInt(double x) {
    const double shifted = x + kRoundingShift;
    std::int64_t bits, base;
    std::memcpy(&bits, &shifted, 8);
    std::memcpy(&base, &kRoundingShift, 8);
    return bits - base;
}

// For a predicate that is monotone over [0, n) (false then true, or true then false), the
// range of x where it holds.
template <typename Predicate>
std::pair<std::size_t, std::size_t> whereTrue(std::size_t n, Predicate holds) {
    if (n == 0) {
        return {0, 0};
    }
    const bool first = holds(std::size_t(0)), last = holds(n - 1);
    if (first == last) {
        return first ? std::pair{std::size_t(0), n} : std::pair{std::size_t(0), std::size_t(0)};
    }
    // The boundary: the first x whose answer differs from x = 0's.
    std::size_t lo = 0, hi = n - 1;  // holds(lo) == first, holds(hi) != first
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        (holds(mid) == first ? lo : hi) = mid;
    }
    return first ? std::pair{std::size_t(0), hi} : std::pair{hi, n};
}

// Copies whole tiles so that both the reads and the writes of a quarter turn stay in cache.
constexpr int kTile = 32;
constexpr int kTurnTile = 64;

// new(x, y) = old(y, H - 1 - x): a quarter turn clockwise.
void quarterClockwise(const Bitmap& old, Bitmap& out) {
    const int w = out.width(), h = out.height();  // w = old height, h = old width
    const int oldHeight = old.height();
    for (int ty = 0; ty < h; ty += kTile) {
        for (int tx = 0; tx < w; tx += kTile) {
            const int yEnd = std::min(h, ty + kTile), xEnd = std::min(w, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                auto* d = reinterpret_cast<std::uint32_t*>(out.row(y));
                for (int x = tx; x < xEnd; ++x) {
                    std::memcpy(d + x, old.row(oldHeight - 1 - x) + 4 * std::size_t(y), 4);
                }
            }
        }
    }
}

// new(x, y) = old(W - 1 - y, x): a quarter turn counter-clockwise.
void quarterCounterClockwise(const Bitmap& old, Bitmap& out) {
    const int w = out.width(), h = out.height();
    const int oldWidth = old.width();
    for (int ty = 0; ty < h; ty += kTile) {
        for (int tx = 0; tx < w; tx += kTile) {
            const int yEnd = std::min(h, ty + kTile), xEnd = std::min(w, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                auto* d = reinterpret_cast<std::uint32_t*>(out.row(y));
                const std::size_t column = 4 * std::size_t(oldWidth - 1 - y);
                for (int x = tx; x < xEnd; ++x) {
                    std::memcpy(d + x, old.row(x) + column, 4);
                }
            }
        }
    }
}

// new(x, y) = old(W - 1 - x, H - 1 - y).
void halfTurn(const Bitmap& old, Bitmap& out) {
    const int w = out.width(), h = out.height();
    for (int y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const std::uint32_t*>(old.row(h - 1 - y));
        auto* d = reinterpret_cast<std::uint32_t*>(out.row(y));
        std::reverse_copy(s, s + w, d);
    }
}

void generalTurn(Bitmap& bitmap, const Bitmap& old, ColorRef background, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double cosine = std::cos(radians), sine = std::sin(radians);
    const double w = old.width(), h = old.height();
    const double corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i][0], y = corners[i][1];
        const double tx = roundHalfEven(x * cosine - y * sine);
        const double ty = roundHalfEven(x * sine + y * cosine);
        if (i == 0) {
            minX = maxX = tx;
            minY = maxY = ty;
        }
        minX = std::min(minX, tx);
        maxX = std::max(maxX, tx);
        minY = std::min(minY, ty);
        maxY = std::max(maxY, ty);
    }
    checkedImageSize(static_cast<long long>(maxX - minX), static_cast<long long>(maxY - minY), 4);
    Bitmap out(int(maxX - minX), int(maxY - minY), 24);
    const Rgb fill = fromColorRef(background);
    const std::uint32_t fillPixel = std::uint32_t(fill.r) << 16 | fill.g << 8 | fill.b;

    // Each target pixel (x, y) reads the source at (u cos - v sin, u sin + v cos) of the back
    // turn, u = x + minX and v = y + minY, rounded. The products with u depend on the column
    // only and are made once; the sums are formed per pixel exactly as written.
    const double backCos = std::cos(-radians), backSin = std::sin(-radians);
    const int oldWidth = old.width(), oldHeight = old.height();
    const std::size_t width = std::size_t(out.width());
    std::vector<double> uCos(width), uSin(width);
    for (std::size_t x = 0; x < width; ++x) {
        const double u = double(x) + minX;
        uCos[x] = u * backCos;
        uSin[x] = u * backSin;
    }
    // The source coordinates grow (or shrink) steadily along a row, so the pixels of a row
    // that fall inside the source form one run [first, last): found by bisection with the same
    // per-pixel arithmetic, the rest is background.
    const std::size_t height = std::size_t(out.height());
    std::vector<std::pair<std::size_t, std::size_t>> inside(height);
    for (std::size_t y = 0; y < height; ++y) {
        const double v = double(y) + minY;
        const double vSin = v * backSin, vCos = v * backCos;
        auto sx = [&](std::size_t x) { return roundHalfEvenToInt(uCos[x] - vSin); };
        auto sy = [&](std::size_t x) { return roundHalfEvenToInt(uSin[x] + vCos); };
        std::pair<std::size_t, std::size_t> run{0, width};
        for (auto part : {whereTrue(width, [&](std::size_t x) { return sx(x) >= 0; }),
                          whereTrue(width, [&](std::size_t x) { return sx(x) < oldWidth; }),
                          whereTrue(width, [&](std::size_t x) { return sy(x) >= 0; }),
                          whereTrue(width, [&](std::size_t x) { return sy(x) < oldHeight; })}) {
            run = {std::max(run.first, part.first), std::min(run.second, part.second)};
        }
        if (run.first >= run.second) {
            run = {0, 0};
        }
        inside[y] = run;
        auto* d = reinterpret_cast<std::uint32_t*>(out.row(int(y)));
        std::fill(d, d + run.first, fillPixel);
        std::fill(d + run.second, d + width, fillPixel);
    }

    // Tile by tile, so that the source pixels one tile reads (a turned square) stay in cache
    // rather than a whole slanted band of source rows per target row.
    const std::uint8_t* source = old.data();
    const std::size_t stride = old.stride();
    for (std::size_t ty = 0; ty < height; ty += kTurnTile) {
        const std::size_t yEnd = std::min(height, ty + kTurnTile);
        for (std::size_t tx = 0; tx < width; tx += kTurnTile) {
            const std::size_t xEnd = std::min(width, tx + kTurnTile);
            for (std::size_t y = ty; y < yEnd; ++y) {
                const double v = double(y) + minY;
                const double vSin = v * backSin, vCos = v * backCos;
                auto* d = reinterpret_cast<std::uint32_t*>(out.row(int(y)));
                const std::size_t xFrom = std::max(tx, inside[y].first);
                const std::size_t xTo = std::min(xEnd, inside[y].second);
                for (std::size_t x = xFrom; x < xTo; ++x) {
                    const std::int64_t sx = roundHalfEvenToInt(uCos[x] - vSin);
                    const std::int64_t sy = roundHalfEvenToInt(uSin[x] + vCos);
                    std::memcpy(d + x, source + std::size_t(sy) * stride + std::size_t(sx) * 4, 4);
                }
            }
        }
    }
    bitmap = std::move(out);
}

}  // namespace

void FlipBitmap(Bitmap& bitmap, bool horizontal) {
    bitmap = takeDepth24(bitmap);
    const int w = bitmap.width(), h = bitmap.height();
    if (horizontal) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(bitmap.row(y));
            std::reverse(row, row + w);
        }
        return;
    }
    for (int y = 0; y < h / 2; ++y) {
        std::swap_ranges(bitmap.row(y), bitmap.row(y) + bitmap.stride(), bitmap.row(h - 1 - y));
    }
}

void RotateBitmap(Bitmap& bitmap, ColorRef background, double angle) {
    if (!std::isfinite(angle)) {
        throw Error("Invalid floating point operation");
    }
    Bitmap old = takeDepth24(bitmap);
    const bool whole = angle == std::trunc(angle);
    if (whole && (angle == 0 || angle == 360 || angle == 720 || angle == -360)) {
        bitmap = std::move(old);
        return;
    }
    if (whole && (angle == 90 || angle == 270)) {
        Bitmap out(old.height(), old.width(), 24);
        if (angle == 90) {
            quarterClockwise(old, out);
        } else {
            quarterCounterClockwise(old, out);
        }
        bitmap = std::move(out);
        return;
    }
    if (whole && angle == 180) {
        Bitmap out(old.width(), old.height(), 24);
        halfTurn(old, out);
        bitmap = std::move(out);
        return;
    }
    generalTurn(bitmap, old, background, angle);
}

}  // namespace pelko
