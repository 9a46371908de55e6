#include "core/capture/sources.h"

#include <algorithm>
#include <string>

#include "core/error.h"
#include "core/settings/key_access.h"

namespace pelko {

namespace {

std::uint8_t nearestIndex(const std::vector<Rgb>& palette, int r, int g, int b) {
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        long dr = palette[i].r - r, dg = palette[i].g - g, db = palette[i].b - b;
        long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return std::uint8_t(best);
}

// Premultiplied "over": the pointer's colour plus what shows through it.
int over(int source, int alpha, int dest) {
    return source + (dest * (255 - alpha) + 127) / 255;
}

}  // namespace

void compositePointer(Bitmap& bitmap, const PointerImage& pointer, std::int64_t x, std::int64_t y) {
    // 64-bit arithmetic: a region near the ends of the coordinate range puts the pointer
    // billions of pixels away, which must clip, not overflow.
    const std::int64_t left = x - pointer.xhot, top = y - pointer.yhot;
    const std::int64_t x0 = std::max<std::int64_t>(0, -left);
    const std::int64_t y0 = std::max<std::int64_t>(0, -top);
    const std::int64_t x1 = std::min<std::int64_t>(pointer.width, bitmap.width() - left);
    const std::int64_t y1 = std::min<std::int64_t>(pointer.height, bitmap.height() - top);
    for (std::int64_t py = y0; py < y1; ++py) {
        for (std::int64_t px = x0; px < x1; ++px) {
            const std::uint32_t argb = pointer.argb[std::size_t(py * pointer.width + px)];
            int a = int(argb >> 24);
            if (a == 0 && (argb & 0xFFFFFF) == 0) {
                continue;
            }
            const int bx = int(left + px), by = int(top + py);
            Rgb d = bitmap.colorAt(bx, by);
            int r = std::min(255, over(int((argb >> 16) & 0xFF), a, d.r));
            int g = std::min(255, over(int((argb >> 8) & 0xFF), a, d.g));
            int b = std::min(255, over(int(argb & 0xFF), a, d.b));
            if (bitmap.indexed()) {
                bitmap.row(by)[bx] = nearestIndex(bitmap.palette(), r, g, b);
            } else {
                std::uint32_t keep = bitmap.pixel32(bx, by) & 0xFF000000u;
                bitmap.setPixel32(bx, by, keep | std::uint32_t(r << 16 | g << 8 | b));
            }
        }
    }
}

void CaptureSources::ApplySystemPalette(Bitmap& bitmap) {
    if (auto palette = m_screen.systemPalette(); palette && !palette->empty()) {
        bitmap.setPalette(std::move(*palette));
    }
}

void CaptureSources::CaptureWholeScreen(Bitmap& bitmap, bool drawPointer) {
    Rect screen = m_screen.screenRect();
    m_screen.copyRect(bitmap, screen);
    if (drawPointer) {
        DrawPointer(bitmap, screen);
    }
}

std::optional<Rect> CaptureSources::FindActiveWindow() {
    return m_screen.activeWindowRect();
}

void CaptureSources::CaptureActiveWindow(Bitmap& bitmap, const Rect& window, bool drawPointer) {
    if (window.width() <= 0 || window.height() <= 0) {
        throw Error("The active window has no area to capture");
    }
    m_screen.copyRect(bitmap, window);
    if (drawPointer) {
        DrawPointer(bitmap, window);
    }
}

Bitmap CaptureSources::CaptureRegion(const IniFile& settings, bool drawPointer) {
    const int x = read(settings, keys::startx), y = read(settings, keys::starty);
    const int w = read(settings, keys::rwidth), h = read(settings, keys::rheight);
    if (w <= 0 || h <= 0) {
        throw Error("The fixed capture region (" + std::to_string(x) + ", " + std::to_string(y) +
                    ", " + std::to_string(w) + " x " + std::to_string(h) +
                    ") has no area: its width and height must be at least 1");
    }
    Bitmap bitmap;
    ApplySystemPalette(bitmap);
    // Coordinates past the 32-bit range cannot name screen pixels; they would only overflow.
    Rect region{x, y, int(std::min<long long>(2147483647LL, (long long)x + w)),
                int(std::min<long long>(2147483647LL, (long long)y + h))};
    if (region.width() != w || region.height() != h) {
        throw Error("The fixed capture region (" + std::to_string(x) + ", " + std::to_string(y) +
                    ", " + std::to_string(w) + " x " + std::to_string(h) +
                    ") lies outside the coordinate range");
    }
    m_screen.copyRect(bitmap, region);
    if (drawPointer) {
        DrawPointer(bitmap, region);
    }
    return bitmap;
}

Bitmap CaptureSources::CaptureScreenArea(const Rect& r, bool drawPointer) {
    const Rect screen = m_screen.screenRect();
    if (r.width() <= 0 || r.height() <= 0 || r.right <= screen.left || r.left >= screen.right ||
        r.bottom <= screen.top || r.top >= screen.bottom) {
        throw Error("The area " + std::to_string(r.width()) + "x" + std::to_string(r.height()) +
                    (r.left < 0 ? "" : "+") + std::to_string(r.left) + (r.top < 0 ? "" : "+") +
                    std::to_string(r.top) + " lies outside the screen (" +
                    std::to_string(screen.width()) + "x" + std::to_string(screen.height()) + ")");
    }
    Bitmap bitmap;
    ApplySystemPalette(bitmap);
    m_screen.copyRect(bitmap, r);
    if (drawPointer) {
        DrawPointer(bitmap, r);
    }
    return bitmap;
}

void CaptureSources::DrawPointer(Bitmap& bitmap, const Rect& shown) {
    if (auto pointer = m_screen.pointer()) {
        compositePointer(bitmap, *pointer, std::int64_t(pointer->x) - shown.left,
                         std::int64_t(pointer->y) - shown.top);
    }
}

}  // namespace pelko
