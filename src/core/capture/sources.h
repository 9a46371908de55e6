#pragma once

#include <optional>

#include "core/capture/screen.h"
#include "core/image/bitmap.h"
#include "core/settings/ini_file.h"

namespace pelko {

// The direct capture sources: whole screen, active window, fixed region, and the two steps
// they share, the palette of palette displays and the pointer drawn into the picture.
class CaptureSources {
  public:
    explicit CaptureSources(Screen& screen) : m_screen(screen) {}

    // Gives the Bitmap the display's palette on palette displays; nothing otherwise.
    void ApplySystemPalette(Bitmap& bitmap);
    void CaptureWholeScreen(Bitmap& bitmap, bool drawPointer);
    // The outer rectangle of the window the user works in, or none.
    std::optional<Rect> FindActiveWindow();
    void CaptureActiveWindow(Bitmap& bitmap, const Rect& window, bool drawPointer);
    // The fixed region of settings/startx, starty, rwidth, rheight (each 1 when missing or not
    // a number). A region partly off the screen keeps its size, black outside; an empty one
    // throws an error that names it.
    Bitmap CaptureRegion(const IniFile& settings, bool drawPointer);
    // The area r of the screen (a region or a window named on the command line). Parts off
    // the screen are black; an area that does not touch the screen throws an error naming it.
    Bitmap CaptureScreenArea(const Rect& r, bool drawPointer);
    // Draws the current pointer into a Bitmap that shows the screen from (origin) on.
    void DrawPointer(Bitmap& bitmap, const Rect& shown);

  private:
    Screen& m_screen;
};

// Composites a premultiplied pointer image onto the Bitmap with its hotspot at (x, y) of the
// Bitmap, clipped at the Bitmap's edges. Palette Bitmaps take the nearest palette colour.
void compositePointer(Bitmap& bitmap, const PointerImage& pointer, std::int64_t x, std::int64_t y);

}  // namespace pelko
