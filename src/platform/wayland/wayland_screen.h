#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/screen.h"
#include "core/capture/selection.h"
#include "platform/wayland/compositor_windows.h"
#include "platform/wayland/window_stack.h"

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
    // windows: what the compositor's IPC tells of its windows; none on compositors that do not
    // tell them.
    WaylandScreen(bool drawPointer, bool portalOnly,
                  std::unique_ptr<wayland::CompositorWindows> windows,
                  const char* displayName = nullptr);
    ~WaylandScreen() override;

    Rect screenRect() override;
    std::optional<std::vector<Rgb>> systemPalette() override { return std::nullopt; }
    void copyRect(Bitmap& target, const Rect& r) override;
    // The focused window as the compositor tells it, cut to the screen; none when no window
    // has the focus. Throws pelko::Error with kNoActiveWindowMessage on compositors that do
    // not tell it, and when the window lies on another output.
    std::optional<Rect> activeWindowRect() override;
    std::optional<PointerImage> pointer() override { return std::nullopt; }

    // Whether the compositor tells where its windows lie.
    bool tellsWindows() const { return m_windows != nullptr; }
    // The topmost window on show at the screen's pixel p, cut to the screen, passing over the
    // windows of process skipPid; none over the bare desktop. Throws pelko::Error with
    // kNoActiveWindowMessage on compositors that do not tell their windows.
    std::optional<Rect> windowRectAt(Point p, long long skipPid);

  private:
    // Where the screen (the primary output) lies in the compositor's layout.
    wayland::OutputPlacement placement();

    std::unique_ptr<wayland::Display> m_display;
    bool m_drawPointer;
    bool m_throughPortal = false;
    std::unique_ptr<wayland::CompositorWindows> m_windows;
};

// The message of a capture that needs the active window on a desktop that does not tell it.
extern const char* const kNoActiveWindowMessage;

}  // namespace pelko
