#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/capture/screen.h"

namespace pelko {

namespace wayland {
class Display;
}

// The screen of a Wayland session: its primary output.
//
// Copies go through the compositor's wlroots screen-copy protocol. The compositor draws the
// pointer into the copy itself when asked, so pointer() gives none and the choice is made when
// the screen is opened.
class WaylandScreen final : public Screen {
  public:
    // Connects to $WAYLAND_DISPLAY (or the name given). Throws pelko::Error when there is no
    // compositor or it offers no way to copy the screen, naming what is missing.
    explicit WaylandScreen(bool drawPointer, const char* displayName = nullptr);
    ~WaylandScreen() override;

    Rect screenRect() override;
    std::optional<std::vector<Rgb>> systemPalette() override { return std::nullopt; }
    void copyRect(Bitmap& target, const Rect& r) override;
    // Throws pelko::Error: a Wayland desktop does not tell its clients which window is active.
    std::optional<Rect> activeWindowRect() override;
    std::optional<PointerImage> pointer() override { return std::nullopt; }

  private:
    std::unique_ptr<wayland::Display> m_display;
    bool m_drawPointer;
};

// The message of a capture that needs the active window on a desktop that does not tell it.
extern const char* const kNoActiveWindowMessage;

}  // namespace pelko
