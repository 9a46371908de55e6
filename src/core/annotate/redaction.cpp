#include "core/annotate/redaction.h"

#include <algorithm>

#include "core/error.h"

namespace pelko {

namespace {

void requireDirectColor(const Bitmap& picture) {
    if (picture.indexed()) {
        throw Error("A palette picture cannot be redacted");
    }
}

// SplitMix64: a well-mixed 64-bit value for each block of a seed.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct Sum {
    std::uint64_t b = 0, g = 0, r = 0, n = 0;
    void add(const std::uint8_t* p) {
        b += p[0];
        g += p[1];
        r += p[2];
        ++n;
    }
    int mean(std::uint64_t channel) const { return n ? int((channel + n / 2) / n) : 0; }
};

Sum sumOf(const Bitmap& picture, Box area) {
    Sum s;
    for (int y = area.y; y < area.bottom(); ++y) {
        const std::uint8_t* p = picture.row(y) + std::size_t(area.x) * 4;
        for (int x = 0; x < area.w; ++x, p += 4) {
            s.add(p);
        }
    }
    return s;
}

void fill(Bitmap& picture, Box area, int b, int g, int r) {
    for (int y = area.y; y < area.bottom(); ++y) {
        std::uint8_t* p = picture.row(y) + std::size_t(area.x) * 4;
        for (int x = 0; x < area.w; ++x, p += 4) {
            p[0] = std::uint8_t(b);
            p[1] = std::uint8_t(g);
            p[2] = std::uint8_t(r);
        }
    }
}

// Calls f(blockRect, column, row) for each block of the clipped area, the grid starting at its
// top left corner.
template <class F>
void forEachBlock(Box area, int block, F f) {
    for (int by = 0; by * block < area.h; ++by) {
        for (int bx = 0; bx * block < area.w; ++bx) {
            const Box cell{area.x + bx * block, area.y + by * block, block, block};
            f(cell.intersected(area), bx, by);
        }
    }
}

// How far the noise of a block reaches either way, in levels of 0 to 255.
constexpr int kNoiseReach = 56;

}  // namespace

int pixelBlockSize(int width) {
    return std::max(kMinPixelBlock, 4 * width);
}

void redactBox(Bitmap& picture, Box box, Rgb color) {
    requireDirectColor(picture);
    const Box area = box.intersected({0, 0, picture.width(), picture.height()});
    fill(picture, area, color.b, color.g, color.r);
}

void pixelateBox(Bitmap& picture, Box box, int block, std::uint64_t seed) {
    requireDirectColor(picture);
    block = std::max(block, kMinPixelBlock);
    const Box area = box.intersected({0, 0, picture.width(), picture.height()});
    if (area.empty()) {
        return;
    }
    const Sum whole = sumOf(picture, area);
    const int mb = whole.mean(whole.b), mg = whole.mean(whole.g), mr = whole.mean(whole.r);
    forEachBlock(area, block, [&](Box cell, int bx, int by) {
        const Sum s = sumOf(picture, cell);
        const std::uint64_t h =
            mix(seed ^ mix((std::uint64_t(std::uint32_t(by)) << 32) | std::uint32_t(bx)));
        // One offset for all three channels: independent ones would let an attacker average
        // the channels of a grey picture and shrink the noise.
        const int noise = int(h % (2 * kNoiseReach + 1)) - kNoiseReach;
        const auto level = [&](int regionMean, int blockMean) {
            return std::clamp(regionMean + (blockMean - regionMean) / 4 + noise, 0, 255);
        };
        fill(picture, cell, level(mb, s.mean(s.b)), level(mg, s.mean(s.g)), level(mr, s.mean(s.r)));
    });
}

void averageBlocks(Bitmap& picture, Box box, int block) {
    requireDirectColor(picture);
    const Box area = box.intersected({0, 0, picture.width(), picture.height()});
    forEachBlock(area, std::max(block, 1), [&](Box cell, int, int) {
        const Sum s = sumOf(picture, cell);
        fill(picture, cell, s.mean(s.b), s.mean(s.g), s.mean(s.r));
    });
}

void applyRedaction(Bitmap& picture, const Annotation& a) {
    if (a.kind == AnnotationKind::Redact) {
        redactBox(picture, shapeBox(a), a.color);
    } else if (a.kind == AnnotationKind::Pixelate) {
        pixelateBox(picture, shapeBox(a), pixelBlockSize(a.width), a.seed);
    }
}

Box rebuildRedactions(Bitmap& layer, const Bitmap& base, const std::vector<Annotation>& list,
                      Box dirty) {
    requireDirectColor(layer);
    if (layer.width() != base.width() || layer.height() != base.height() ||
        layer.depth() != base.depth()) {
        throw Error("The redacted picture does not match its picture");
    }
    const Box whole{0, 0, layer.width(), layer.height()};
    Box area = dirty.intersected(whole);
    if (area.empty()) {
        return area;
    }
    // Grow the area to every redaction it touches until no more join.
    for (bool grew = true; grew;) {
        grew = false;
        for (const Annotation& a : list) {
            if (!isRedaction(a.kind)) {
                continue;
            }
            const Box box = shapeBox(a).intersected(whole);
            if (box.intersects(area) && area.united(box) != area) {
                area = area.united(box);
                grew = true;
            }
        }
    }
    for (int y = area.y; y < area.bottom(); ++y) {
        std::copy_n(base.row(y) + std::size_t(area.x) * 4, std::size_t(area.w) * 4,
                    layer.row(y) + std::size_t(area.x) * 4);
    }
    for (const Annotation& a : list) {
        if (isRedaction(a.kind) && shapeBox(a).intersects(area)) {
            applyRedaction(layer, a);
        }
    }
    return area;
}

}  // namespace pelko
