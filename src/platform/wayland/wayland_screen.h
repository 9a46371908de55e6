#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/screen.h"

namespace pelko {

namespace wayland {
class Display;
}

// The screen of a Wayland session: its primary output.
//
// Copies go through the compositor's wlroots screen-copy protocol, which draws the pointer into
// the copy itself when asked (so pointer() gives none and the choice is made when the screen is
// opened). Where the compositor has no such protocol, copies are cut from a picture of the
// whole screen that the desktop portal takes (whether it shows the pointer is the desktop's
// choice).
class WaylandScreen final : public Screen {
  public:
    // Connects to $WAYLAND_DISPLAY (or the name given). Throws pelko::Error when there is no
    // compositor or it offers no way to copy the screen, naming what is missing.
    // portalOnly takes every copy through the desktop portal even where the compositor offers
    // its own protocol.
    // swaySocket is sway's IPC socket ($SWAYSOCK), which tells the active window; empty on
    // other compositors.
    WaylandScreen(bool drawPointer, bool portalOnly, std::string swaySocket,
                  const char* displayName = nullptr);
    ~WaylandScreen() override;

    Rect screenRect() override;
    std::optional<std::vector<Rgb>> systemPalette() override { return std::nullopt; }
    void copyRect(Bitmap& target, const Rect& r) override;
    // The focused window as sway tells it; none on an empty workspace. Throws pelko::Error with
    // kNoActiveWindowMessage on compositors that do not tell it.
    std::optional<Rect> activeWindowRect() override;
    std::optional<PointerImage> pointer() override { return std::nullopt; }

    // The primary output's rectangle in the compositor's layout coordinates.
    Rect layoutRect() const;

  private:
    std::unique_ptr<wayland::Display> m_display;
    bool m_drawPointer;
    bool m_throughPortal = false;
    std::string m_swaySocket;
};

// The message of a capture that needs the active window on a desktop that does not tell it.
extern const char* const kNoActiveWindowMessage;

}  // namespace pelko
