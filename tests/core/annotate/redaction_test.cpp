// Redaction, pixelation and flattening onto the picture.
#include "core/annotate/redaction.h"

#include <gtest/gtest.h>

#include <set>

#include "core/annotate/flatten.h"
#include "core/error.h"
#include "support/pictures.h"

namespace pelko {
namespace {

Bitmap gradient(int w, int h) {
    return test::makePicture(w, h, [](int x, int y) {
        return std::uint32_t((x * 5) & 0xFF) << 16 | std::uint32_t((y * 9) & 0xFF) << 8 |
               std::uint32_t((x * y) & 0xFF);
    });
}

Annotation box(AnnotationKind kind, Box r, Rgb color = {0, 0, 0}) {
    Annotation a;
    a.kind = kind;
    a.points = {{r.x, r.y}, {r.right() - 1, r.bottom() - 1}};
    a.color = color;
    a.seed = 99;
    return a;
}

TEST(Redaction, BoxesPastTheEdgeAreClipped) {
    // Boxes over each edge and wholly outside: only the pixels inside change.
    const Box boxes[] = {
        {-5, -5, 9, 9}, {6, 7, 100, 100}, {-50, 2, 200, 1}, {20, 20, 5, 5}, {-30, -30, 10, 10}};
    for (const Box& r : boxes) {
        for (AnnotationKind kind : {AnnotationKind::Redact, AnnotationKind::Pixelate}) {
            const Bitmap before = gradient(10, 10);
            Bitmap after = before;
            applyRedaction(after, box(kind, r, {1, 2, 3}));
            const Box inside = r.intersected({0, 0, 10, 10});
            for (int y = 0; y < 10; ++y) {
                for (int x = 0; x < 10; ++x) {
                    const bool changed = after.pixel32(x, y) != before.pixel32(x, y);
                    if (!inside.contains({x, y})) {
                        EXPECT_FALSE(changed) << x << "," << y;
                    } else if (kind == AnnotationKind::Redact) {
                        EXPECT_EQ(test::rgbAt(after, x, y), 0x010203u);
                    }
                }
            }
        }
    }
}

TEST(Redaction, PixelationMakesNoisyBlocksOfAtLeastTwelvePixels) {
    const Bitmap before = gradient(60, 40);
    Bitmap a = before, b = before, plain = before;
    // A smaller block asked for still gives 12-pixel blocks.
    pixelateBox(a, {0, 0, 60, 40}, 4, 1);
    pixelateBox(b, {0, 0, 60, 40}, 4, 2);
    averageBlocks(plain, {0, 0, 60, 40}, 12);
    int blocks = 0, differentNoise = 0, awayFromAverage = 0;
    for (int by = 0; by < 40; by += 12) {
        for (int bx = 0; bx < 60; bx += 12) {
            std::set<std::uint32_t> colors;
            for (int y = by; y < std::min(by + 12, 40); ++y) {
                for (int x = bx; x < std::min(bx + 12, 60); ++x) {
                    colors.insert(a.pixel32(x, y));
                }
            }
            EXPECT_EQ(colors.size(), 1u) << "block at " << bx << "," << by;
            ++blocks;
            differentNoise += a.pixel32(bx, by) != b.pixel32(bx, by) ? 1 : 0;
            awayFromAverage += a.pixel32(bx, by) != plain.pixel32(bx, by) ? 1 : 0;
        }
    }
    // Each block's colour depends on the secret noise: another seed, another colour, and
    // none is simply the block's average.
    EXPECT_GE(differentNoise, blocks - 1);
    EXPECT_GE(awayFromAverage, blocks - 1);
}

TEST(Redaction, PalettePicturesAreRefused) {
    Bitmap indexed(8, 8, 8);
    EXPECT_THROW(redactBox(indexed, {0, 0, 4, 4}, {}), Error);
}

TEST(Redaction, RebuildingAfterAMoveMatchesRedactingAfresh) {
    const Bitmap base = gradient(80, 60);
    // The first touches the moved box only through the second, which reads its pixels.
    std::vector<Annotation> list = {box(AnnotationKind::Pixelate, {0, 30, 20, 25}),
                                    box(AnnotationKind::Pixelate, {5, 5, 40, 30}),
                                    box(AnnotationKind::Redact, {30, 20, 20, 20}, {9, 9, 9}),
                                    box(AnnotationKind::Pixelate, {40, 30, 30, 25})};
    Bitmap layer = base;
    for (const Annotation& a : list) {
        applyRedaction(layer, a);
    }
    // The redact box moves: the area it left and the area it covers are rebuilt.
    const Box before = shapeBox(list[2]);
    list[2] = moved(list[2], 12, -8);
    rebuildRedactions(layer, base, list, before.united(shapeBox(list[2])));
    Bitmap fresh = base;
    for (const Annotation& a : list) {
        applyRedaction(fresh, a);
    }
    EXPECT_EQ(test::rgbPixels(layer), test::rgbPixels(fresh));
}

// Fills each drawn annotation's box (clipped) with its colour, and remembers marker numbers.
class BoxRenderer : public ShapeRenderer {
  public:
    void draw(Bitmap& picture, const Annotation& a, int number) const override {
        numbers.push_back(number);
        redactBox(picture, shapeBox(a), a.color);
    }
    mutable std::vector<int> numbers;
};

TEST(Flatten, RedactionsGoUnderTheDrawingsAndPalettePicturesBecomeRgb) {
    Bitmap picture(20, 10, 8);
    picture.setPalette(std::vector<Rgb>(256, Rgb{200, 200, 200}));
    std::vector<Annotation> list = {box(AnnotationKind::Marker, {0, 0, 10, 10}, {0, 0, 255}),
                                    box(AnnotationKind::Redact, {0, 0, 20, 10}, {0, 0, 0}),
                                    box(AnnotationKind::Marker, {15, 0, 10, 10}, {0, 255, 0})};
    BoxRenderer renderer;
    const Bitmap out = flatten(picture, list, renderer);
    EXPECT_EQ(out.depth(), 24);
    EXPECT_EQ(test::rgbAt(out, 5, 5), 0x0000FFu);   // drawn over the later redaction
    EXPECT_EQ(test::rgbAt(out, 12, 5), 0x000000u);  // redacted
    EXPECT_EQ(test::rgbAt(out, 19, 5), 0x00FF00u);  // clipped at the edge
    EXPECT_EQ(renderer.numbers, (std::vector<int>{1, 2}));
    // The picture itself stays as it was.
    EXPECT_EQ(test::rgbAt(picture, 12, 5), 0xC8C8C8u);
}

TEST(Flatten, CropsOfNoPixelDoNothing) {
    const Bitmap picture = gradient(10, 10);
    EXPECT_FALSE(cropPicture(picture, {3, 3, 0, 5}));
    EXPECT_FALSE(cropPicture(picture, {20, 0, 5, 5}));
    const auto cut = cropPicture(picture, {-4, 6, 8, 20});
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->width(), 4);
    EXPECT_EQ(cut->height(), 4);
    EXPECT_EQ(cut->pixel32(1, 1), picture.pixel32(1, 7));
}

}  // namespace
}  // namespace pelko
