#include "synthetic_screen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "core/codec/decode.h"

namespace pelko {
namespace {

// splitmix64: small, fast and the same on every platform (unlike std distributions).
class Random {
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) {  // lo..hi inclusive
        return lo + int(next() % std::uint64_t(hi - lo + 1));
    }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

  private:
    std::uint64_t m_state;
};

struct Color {
    double r, g, b;
};

Color mix(Color a, Color b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color toColor(Rgb c) {
    return {double(c.r), double(c.g), double(c.b)};
}

// Smooth value noise on a lattice, summed over octaves; values about 0..1.
class ValueNoise {
  public:
    explicit ValueNoise(std::uint64_t seed) {
        Random random(seed);
        for (double& v : m_lattice) {
            v = random.unit();
        }
    }
    double at(double x, double y) const {
        const int xi = int(std::floor(x)), yi = int(std::floor(y));
        const double fx = smooth(x - xi), fy = smooth(y - yi);
        const double a = value(xi, yi), b = value(xi + 1, yi);
        const double c = value(xi, yi + 1), d = value(xi + 1, yi + 1);
        return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
    }
    double fractal(double x, double y, int octaves) const {
        double sum = 0, amplitude = 0.5, norm = 0;
        for (int i = 0; i < octaves; ++i) {
            sum += at(x, y) * amplitude;
            norm += amplitude;
            x *= 2.03;
            y *= 2.03;
            amplitude *= 0.5;
        }
        return sum / norm;
    }

  private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double value(int x, int y) const {
        return m_lattice[std::size_t((x & 255) + ((y & 255) << 8))];
    }
    std::array<double, 256 * 256> m_lattice{};
};

class Canvas {
  public:
    explicit Canvas(Bitmap& bitmap) : m_bitmap(bitmap) {}

    int width() const { return m_bitmap.width(); }
    int height() const { return m_bitmap.height(); }

    void put(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width() && y < height()) {
            std::uint8_t* p = m_bitmap.row(y) + std::size_t(x) * 4;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            p[3] = 0;
        }
    }
    Rgb get(int x, int y) const { return m_bitmap.colorAt(x, y); }
    // Covers the pixel with colour c at alpha/255.
    void blend(int x, int y, Rgb c, int alpha) {
        if (x >= 0 && y >= 0 && x < width() && y < height()) {
            const Rgb o = get(x, y);
            auto m = [alpha](int a, int b) {
                return std::uint8_t((a * (255 - alpha) + b * alpha + 127) / 255);
            };
            put(x, y, {m(o.r, c.r), m(o.g, c.g), m(o.b, c.b)});
        }
    }
    void fill(int x0, int y0, int w, int h, Rgb c) {
        for (int y = std::max(0, y0); y < std::min(height(), y0 + h); ++y) {
            for (int x = std::max(0, x0); x < std::min(width(), x0 + w); ++x) {
                put(x, y, c);
            }
        }
    }
    void frame(int x0, int y0, int w, int h, Rgb c) {
        fill(x0, y0, w, 1, c);
        fill(x0, y0 + h - 1, w, 1, c);
        fill(x0, y0, 1, h, c);
        fill(x0 + w - 1, y0, 1, h, c);
    }
    void verticalGradient(int x0, int y0, int w, int h, Rgb top, Rgb bottom) {
        for (int y = 0; y < h; ++y) {
            const double t = h > 1 ? double(y) / (h - 1) : 0;
            auto m = [t](int a, int b) { return std::uint8_t(std::lround(a + (b - a) * t)); };
            fill(x0, y0 + y, w, 1, {m(top.r, bottom.r), m(top.g, bottom.g), m(top.b, bottom.b)});
        }
    }

  private:
    Bitmap& m_bitmap;
};

// --- text ------------------------------------------------------------------------------------

constexpr int kGlyphRows = 13;  // ascender 3, x-height 7, descender 3
constexpr int kBaseline = 10;

struct Glyph {
    int advance = 0;
    std::array<std::array<std::uint8_t, 8>, kGlyphRows> coverage{};
};

// A made-up proportional font: each glyph is a few stems, bars and diagonals with soft
// (anti-aliased) edges, so text has the mix of ink, paper and grey edge pixels of real text.
std::vector<Glyph> makeFont(Random& random) {
    std::vector<Glyph> font(64);
    for (Glyph& glyph : font) {
        const int ink = random.range(3, 6);
        glyph.advance = ink + 2;
        std::array<std::array<bool, 8>, kGlyphRows> on{};
        const int top = kBaseline - 7;
        const int strokes = random.range(2, 4);
        for (int s = 0; s < strokes; ++s) {
            switch (random.range(0, 5)) {
                case 0:  // left stem, sometimes with ascender
                case 1: {
                    const int x = s % 2 == 0 ? 0 : ink - 1;
                    const int from = random.range(0, 3) == 0 ? top - 3 : top;
                    const int to = random.range(0, 5) == 0 ? kBaseline + 2 : kBaseline - 1;
                    for (int y = from; y <= to; ++y) {
                        on[std::size_t(y)][std::size_t(x)] = true;
                    }
                    break;
                }
                case 2:
                case 3: {  // horizontal bar
                    const int y = std::array<int, 3>{
                        top, top + 3, kBaseline - 1}[std::size_t(random.range(0, 2))];
                    for (int x = 0; x < ink; ++x) {
                        on[std::size_t(y)][std::size_t(x)] = true;
                    }
                    break;
                }
                default: {  // diagonal
                    for (int y = top; y < kBaseline; ++y) {
                        const int x = (y - top) * (ink - 1) / 6;
                        on[std::size_t(y)][std::size_t(x)] = true;
                    }
                    break;
                }
            }
        }
        for (int y = 0; y < kGlyphRows; ++y) {
            for (int x = 0; x < 8; ++x) {
                int c = 0;
                if (on[std::size_t(y)][std::size_t(x)]) {
                    c = 255;
                } else if ((x > 0 && on[std::size_t(y)][std::size_t(x - 1)]) ||
                           (x < 7 && on[std::size_t(y)][std::size_t(x + 1)])) {
                    c = 70;
                } else if ((y > 0 && on[std::size_t(y - 1)][std::size_t(x)]) ||
                           (y < kGlyphRows - 1 && on[std::size_t(y + 1)][std::size_t(x)])) {
                    c = 35;
                }
                glyph.coverage[std::size_t(y)][std::size_t(x)] = std::uint8_t(c);
            }
        }
    }
    return font;
}

struct TextStyle {
    const std::vector<Glyph>* font;
    Rgb color;
};

// Draws `words` pseudo-words from (x, y) (top of the text line) up to maxX; returns the end x.
int drawWords(Canvas& canvas, Random& random, const TextStyle& style, int x, int y, int maxX,
              int words) {
    for (int w = 0; w < words; ++w) {
        const int letters = random.range(2, 9);
        for (int l = 0; l < letters; ++l) {
            // Common letters come up more often, as in real text.
            const std::size_t index =
                std::size_t(random.range(0, 3) == 0 ? random.range(0, 63) : random.range(0, 15));
            const Glyph& glyph = (*style.font)[index];
            if (x + glyph.advance > maxX) {
                return x;
            }
            for (int gy = 0; gy < kGlyphRows; ++gy) {
                for (int gx = 0; gx < glyph.advance; ++gx) {
                    const int c = glyph.coverage[std::size_t(gy)][std::size_t(std::min(gx, 7))];
                    if (c > 0) {
                        canvas.blend(x + gx, y + gy, style.color, c);
                    }
                }
            }
            x += glyph.advance;
        }
        x += 4;
    }
    return x;
}

// --- scene -----------------------------------------------------------------------------------

void paintWallpaper(Canvas& canvas, Random& random, std::uint64_t seed) {
    const ValueNoise noise(seed);
    const int w = canvas.width(), h = canvas.height();
    const double scale = 1.0 / std::max(1, std::min(w, h));
    const Color skyTop{38, 84, 160}, skyLow{196, 214, 230}, cloud{245, 245, 250};
    const Color rockHigh{92, 98, 120}, rockLow{60, 64, 78};
    const Color grassFar{104, 130, 70}, grassNear{52, 82, 34};
    const double horizon = 0.58;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = x * scale, v = y * scale, fy = double(y) / h;
            const double ridge = horizon - 0.22 * noise.fractal(u * 2.5, 7.3, 5);
            Color c;
            if (fy < ridge) {
                c = mix(skyTop, skyLow, std::pow(fy / ridge, 0.8));
                const double clouds = noise.fractal(u * 3 + 10, v * 6, 5);
                c = mix(c, cloud, std::clamp((clouds - 0.5) * 3, 0.0, 0.85));
            } else if (fy < horizon + 0.02) {
                const double t = (fy - ridge) / std::max(1e-6, horizon + 0.02 - ridge);
                c = mix(rockHigh, rockLow, t);
                c = mix(c, Color{150, 150, 160}, 0.35 * noise.fractal(u * 12, v * 12, 4));
            } else {
                const double t = (fy - horizon) / (1 - horizon);
                c = mix(grassFar, grassNear, t);
                const double texture = noise.fractal(u * 20, v * 20, 4) - 0.5;
                c = {c.r * (1 + texture * 0.5), c.g * (1 + texture * 0.45),
                     c.b * (1 + texture * 0.4)};
            }
            // Mild sensor-like noise.
            auto channel = [&random](double value) {
                const double n = double(int(random.next() % 5) - 2);
                return std::uint8_t(std::clamp(std::lround(value + n), 0L, 255L));
            };
            canvas.put(x, y, {channel(c.r), channel(c.g), channel(c.b)});
        }
    }
}

// A photograph as wallpaper, scaled to cover the screen (bilinear) and centred, as desktops
// show one by default.
void paintPhoto(Canvas& canvas, const Bitmap& photo) {
    const int w = canvas.width(), h = canvas.height();
    const double scale = std::max(double(w) / photo.width(), double(h) / photo.height());
    const double offsetX = (photo.width() - w / scale) / 2,
                 offsetY = (photo.height() - h / scale) / 2;
    for (int y = 0; y < h; ++y) {
        const double sy = std::clamp(offsetY + (y + 0.5) / scale - 0.5, 0.0, photo.height() - 1.0);
        const int y0 = int(sy), y1 = std::min(y0 + 1, photo.height() - 1);
        const double fy = sy - y0;
        for (int x = 0; x < w; ++x) {
            const double sx =
                std::clamp(offsetX + (x + 0.5) / scale - 0.5, 0.0, photo.width() - 1.0);
            const int x0 = int(sx), x1 = std::min(x0 + 1, photo.width() - 1);
            const double fx = sx - x0;
            const Color top =
                mix(toColor(photo.colorAt(x0, y0)), toColor(photo.colorAt(x1, y0)), fx);
            const Color low =
                mix(toColor(photo.colorAt(x0, y1)), toColor(photo.colorAt(x1, y1)), fx);
            const Color c = mix(top, low, fy);
            canvas.put(x, y,
                       {std::uint8_t(std::lround(c.r)), std::uint8_t(std::lround(c.g)),
                        std::uint8_t(std::lround(c.b))});
        }
    }
}

void paintIcon(Canvas& canvas, Random& random, int x, int y, int size) {
    const Rgb top{std::uint8_t(random.range(40, 240)), std::uint8_t(random.range(40, 240)),
                  std::uint8_t(random.range(40, 240))};
    const Rgb bottom{std::uint8_t(top.r / 2), std::uint8_t(top.g / 2), std::uint8_t(top.b / 2)};
    canvas.verticalGradient(x, y, size, size, top, bottom);
    canvas.frame(x, y, size, size,
                 {std::uint8_t(top.r / 3), std::uint8_t(top.g / 3), std::uint8_t(top.b / 3)});
    canvas.fill(x + size / 4, y + size / 4, size / 2, size / 2, {250, 250, 250});
}

void paintShadow(Canvas& canvas, int x, int y, int w, int h) {
    for (int d = 1; d <= 6; ++d) {
        const int alpha = 60 / d;
        for (int i = x + d; i < x + w + d; ++i) {
            canvas.blend(i, y + h - 1 + d, {0, 0, 0}, alpha);
        }
        for (int j = y + d; j < y + h - 1 + d; ++j) {
            canvas.blend(x + w - 1 + d, j, {0, 0, 0}, alpha);
        }
    }
}

enum class WindowKind { Editor, Files, Terminal, Browser };

void paintWindow(Canvas& canvas, Random& random, const std::vector<Glyph>& font, int x, int y,
                 int w, int h, WindowKind kind, bool active) {
    const Rgb accent{53, 132, 228};
    const Rgb ink{30, 30, 30};
    paintShadow(canvas, x, y, w, h);
    canvas.fill(x, y, w, h, {255, 255, 255});
    const Rgb titleColor = active ? Rgb{48, 48, 48} : Rgb{235, 235, 235};
    const Rgb titleInk = active ? Rgb{240, 240, 240} : Rgb{90, 90, 90};
    canvas.fill(x, y, w, 30, titleColor);
    drawWords(canvas, random, {&font, titleInk}, x + w / 2 - 80, y + 9, x + w - 90, 3);
    for (int b = 0; b < 3; ++b) {
        const int bx = x + w - 28 - b * 26;
        canvas.fill(bx, y + 7, 16, 16, active ? Rgb{70, 70, 70} : Rgb{220, 220, 220});
        canvas.fill(bx + 4, y + 14, 8, 2, titleInk);
    }
    int top = y + 30;
    const int bottom = y + h - 1;
    switch (kind) {
        case WindowKind::Editor: {
            canvas.fill(x, top, w, 26, {246, 246, 246});
            drawWords(canvas, random, {&font, ink}, x + 8, top + 6, x + w - 8, 6);
            top += 26;
            canvas.fill(x, top, 44, bottom - top, {245, 245, 245});
            const Rgb syntax[] = {ink,         ink,           ink,          {0, 0, 192},
                                  {0, 128, 0}, {163, 21, 21}, {128, 0, 128}};
            for (int line = top + 4; line + 18 < bottom; line += 18) {
                drawWords(canvas, random, {&font, {140, 140, 140}}, x + 8, line, x + 40, 1);
                int tx = x + 52 + 16 * random.range(0, 3);
                const int words = random.range(0, 8);
                for (int k = 0; k < words && tx < x + w - 20; ++k) {
                    tx = drawWords(canvas, random, {&font, syntax[random.range(0, 6)]}, tx, line,
                                   x + w - 8, 1);
                }
            }
            break;
        }
        case WindowKind::Files: {
            canvas.fill(x, top, w, 40, {236, 236, 236});
            canvas.fill(x + 120, top + 7, w - 240, 26, {255, 255, 255});
            canvas.frame(x + 120, top + 7, w - 240, 26, {200, 200, 200});
            drawWords(canvas, random, {&font, ink}, x + 128, top + 13, x + w - 130, 4);
            top += 40;
            canvas.fill(x, top, 180, bottom - top, {242, 242, 242});
            for (int line = top + 10, i = 0; line + 24 < bottom; line += 26, ++i) {
                if (i == 2) {
                    canvas.fill(x, line - 5, 180, 24, accent);
                }
                paintIcon(canvas, random, x + 10, line - 2, 16);
                drawWords(canvas, random, {&font, i == 2 ? Rgb{255, 255, 255} : ink}, x + 34, line,
                          x + 172, 2);
            }
            for (int iy = top + 16; iy + 80 < bottom; iy += 96) {
                for (int ix = x + 200; ix + 90 < x + w; ix += 100) {
                    paintIcon(canvas, random, ix + 20, iy, 48);
                    drawWords(canvas, random, {&font, ink}, ix + 4, iy + 56, ix + 96, 2);
                }
            }
            break;
        }
        case WindowKind::Terminal: {
            canvas.fill(x, top, w, bottom - top, {30, 30, 30});
            for (int line = top + 6; line + 16 < bottom; line += 16) {
                int tx =
                    drawWords(canvas, random, {&font, {78, 154, 6}}, x + 6, line, x + w - 6, 1);
                drawWords(canvas, random, {&font, {204, 204, 204}}, tx, line, x + w - 6,
                          random.range(0, 9));
            }
            break;
        }
        case WindowKind::Browser: {
            canvas.fill(x, top, w, 34, {222, 222, 222});
            canvas.fill(x + 8, top + 4, 180, 30, {255, 255, 255});
            drawWords(canvas, random, {&font, ink}, x + 16, top + 12, x + 180, 2);
            top += 34;
            canvas.fill(x, top, w, 40, {250, 250, 250});
            canvas.fill(x + 90, top + 6, w - 180, 28, {255, 255, 255});
            canvas.frame(x + 90, top + 6, w - 180, 28, {190, 190, 190});
            drawWords(canvas, random, {&font, {80, 80, 80}}, x + 100, top + 13, x + w - 100, 5);
            top += 40;
            canvas.fill(x, top, w, 64, {23, 64, 117});
            drawWords(canvas, random, {&font, {255, 255, 255}}, x + 40, top + 24, x + w - 40, 4);
            top += 64;
            // An embedded photo: a smooth warm gradient with texture and noise.
            const int pw = std::min(w / 3, 360), ph = std::min(bottom - top - 20, 240);
            for (int py = 0; py < ph; ++py) {
                for (int px = 0; px < pw; ++px) {
                    const double t = double(px + py) / (pw + ph);
                    const int n = int(random.next() % 7) - 3;
                    canvas.put(x + w - pw - 30 + px, top + 20 + py,
                               {std::uint8_t(std::clamp(int(220 - 120 * t) + n, 0, 255)),
                                std::uint8_t(std::clamp(int(150 - 40 * t) + n, 0, 255)),
                                std::uint8_t(std::clamp(int(90 + 60 * t) + n, 0, 255))});
                }
            }
            for (int line = top + 20; line + 18 < bottom; line += 20) {
                drawWords(canvas, random, {&font, ink}, x + 40, line, x + w - pw - 50, 12);
            }
            break;
        }
    }
    canvas.frame(x, y, w, h, active ? Rgb{40, 40, 40} : Rgb{180, 180, 180});
}

}  // namespace

Bitmap makeSyntheticScreen(int width, int height, unsigned seed, const Bitmap* photo) {
    Bitmap bitmap(width, height, 24);
    bitmap.setDeviceDependent(true);
    if (bitmap.empty()) {
        return bitmap;
    }
    Canvas canvas(bitmap);
    Random random(0x5EED0000ull + seed);
    if (photo && !photo->empty()) {
        paintPhoto(canvas, *photo);
    } else {
        paintWallpaper(canvas, random, seed);
    }
    const std::vector<Glyph> font = makeFont(random);

    // Desktop icons with labels down the left edge.
    for (int iy = 20; iy + 90 < height - 40; iy += 96) {
        paintIcon(canvas, random, 28, iy, 48);
        drawWords(canvas, random, {&font, {255, 255, 255}}, 10, iy + 56, 96, 1);
    }

    const int windows = 3 + int(2LL * width * height / (1920LL * 1080));
    for (int i = 0; i < windows; ++i) {
        const int w = std::min(width - 130, random.range(520, 1100));
        const int h = std::min(height - 60, random.range(360, 760));
        if (w < 200 || h < 120) {
            break;
        }
        const int x = random.range(120, std::max(120, width - w - 10));
        const int y = random.range(10, std::max(10, height - 50 - h));
        paintWindow(canvas, random, font, x, y, w, h, WindowKind(random.range(0, 3)),
                    i == windows - 1);
    }

    // Taskbar.
    canvas.fill(0, height - 40, width, 40, {36, 36, 36});
    for (int k = 0; k < 8; ++k) {
        paintIcon(canvas, random, 10 + 44 * k, height - 36, 32);
    }
    drawWords(canvas, random, {&font, {230, 230, 230}}, width - 120, height - 27, width - 10, 2);
    return bitmap;
}

Bitmap loadBenchPhoto() {
    const char* chosen = std::getenv("PELKO_BENCH_PHOTO");
    const std::string path =
        chosen && *chosen ? chosen : "/usr/share/backgrounds/mate/nature/LadyBird.jpg";
    try {
        const std::vector<std::uint8_t> bytes = readFileBytes(path);
        if (bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
            return decodeJpeg(bytes);
        }
        return decodePng(bytes);
    } catch (const std::exception&) {
        return Bitmap();
    }
}

}  // namespace pelko
