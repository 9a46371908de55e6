#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/capture/screen.h"
#include "platform/x11/active_window.h"
#include "platform/x11/connection.h"
#include "platform/x11/pointer.h"
#include "platform/x11/primary_output.h"
#include "platform/x11/screen_copy.h"

namespace pelko {

// The screen of an X11 display: its primary output, read through xcb.
//
// Screen coordinates start at the RandR primary output's top-left corner; requests are made in
// root-window coordinates. Every call asks the server anew (outputs, windows and the pointer
// change between captures); the only state kept is a shared memory segment reused by copies.
class X11Screen final : public Screen {
  public:
    // Opens its own connection to the display (nullptr: $DISPLAY) and uses its default screen.
    // Throws pelko::Error when the display cannot be opened or its pixel format is unsupported.
    explicit X11Screen(const char* displayName = nullptr);
    // Uses a connection that stays owned by the caller (the application's) and must outlive
    // this object; screenNumber picks the screen of that display.
    X11Screen(xcb_connection_t* connection, int screenNumber);
    ~X11Screen() override;

    // The ids of our own tray windows: when one of them (or a window inside one) is the active
    // window, activeWindowRect() gives the whole screen.
    void setTrayWindows(std::vector<std::uint32_t> windows) { m_trayWindows = std::move(windows); }

    // On by default: copies go through MIT-SHM when the server allows it. Off forces plain
    // GetImage requests (used by tests to check both ways).
    void setUseSharedMemory(bool on) { m_copier->setUseSharedMemory(on); }
    // Whether the last copyRect() went through shared memory.
    bool usedSharedMemory() const { return m_copier->usedSharedMemory(); }

    Rect screenRect() override;
    std::optional<std::vector<Rgb>> systemPalette() override;
    void copyRect(Bitmap& target, const Rect& r) override;
    std::optional<Rect> activeWindowRect() override;
    std::optional<PointerImage> pointer() override;

    // The outer rectangle, in screen coordinates, of the top-level frame holding X window id
    // (with the window manager's frame, as the active-window capture takes it). Throws
    // pelko::Error naming the id when there is no such window. The root window (its id, or
    // XCB_NONE for "the root") is the whole screen: every monitor.
    Rect windowFrameRect(std::uint32_t id);

  private:
    void init();

    x11::Connection m_conn;
    std::unique_ptr<x11::PrimaryOutput> m_primary;
    std::unique_ptr<x11::ScreenCopier> m_copier;
    std::unique_ptr<x11::ActiveWindowFinder> m_activeWindow;
    std::unique_ptr<x11::PointerReader> m_pointer;
    std::vector<std::uint32_t> m_trayWindows;
};

}  // namespace pelko
