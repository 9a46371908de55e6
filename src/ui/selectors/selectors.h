#pragma once

#include <QRect>
#include <optional>

#include "core/capture/screen.h"
#include "core/capture/window_locator.h"
#include "core/image/bitmap.h"
#include "core/settings/main_settings.h"

namespace pelko {

class OverlayWindow;

// The interactive selectors of the capture kinds picked on the screen, and the fixed-area
// picker. Each freezes the screen (with the pointer when the settings say so), shows its
// overlay and waits for it.
class Selectors {
  public:
    // windows: where the object selector finds the window under the pointer (none: the object
    // kind is not available); host: the window the overlays show in, kept by the caller
    // between selections so that it opens fast (none: each overlay makes its own).
    Selectors(Screen& screen, WindowLocator* windows, const MainSettings& settings,
              OverlayWindow* host = nullptr)
        : m_screen(screen), m_windows(windows), m_settings(settings), m_host(host) {}

    // The picture selected for a capture mode, or none; cancelled tells whether the user
    // chose "Cancel". A kind without a selector here raises the not-available error.
    std::optional<Bitmap> select(int mode, bool& cancelled);

    // The fixed-area picker: the rectangle dragged out (start and size may be 0 or, along one
    // row or column, negative), or none when cancelled or closed.
    std::optional<Rect> pickRegion();

  private:
    // The screen as it is now, the pointer drawn when the settings say so.
    class Frozen;
    // Where the primary display lies on the desktop, in device pixels, for a frozen picture.
    QRect primaryArea(const Bitmap& frozen) const;
    std::optional<Bitmap> CaptureSelection(bool& cancelled);
    std::optional<Bitmap> CaptureObject(bool& cancelled);

    Screen& m_screen;
    WindowLocator* m_windows;
    const MainSettings& m_settings;
    OverlayWindow* m_host;
};

}  // namespace pelko
