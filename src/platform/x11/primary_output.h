#pragma once

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include "platform/x11/connection.h"
#include "platform/x11/copy_plan.h"

namespace pelko::x11 {

// The root window's size and where the primary display lies on it.
struct ScreenLayout {
    RootArea root;     // 0, 0, width, height
    RootArea primary;  // screen coordinates start at its top-left corner
};

// Finds the primary display through RandR.
class PrimaryOutput {
  public:
    PrimaryOutput(xcb_connection_t* c, const xcb_screen_t& screen);

    // primary is the RandR primary output's rectangle (clipped to the root window); the whole
    // root window when RandR is missing, names no primary output or that output shows nothing.
    // Asked anew each time: outputs and the root size change while we run.
    ScreenLayout layout() const;

  private:
    RootArea primaryArea(Reply<xcb_randr_get_output_primary_reply_t> primary,
                         const RootArea& root) const;

    xcb_connection_t* m_conn;
    const xcb_screen_t& m_screen;
    bool m_randr = false;  // RandR 1.3 or later, which has the primary output
};

}  // namespace pelko::x11
