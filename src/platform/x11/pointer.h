#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "core/capture/screen.h"

namespace pelko::x11 {

// Reads the pointer's image and position through XFixes.
class PointerReader {
  public:
    explicit PointerReader(xcb_connection_t* c);

    // The pointer with its position in root coordinates less (originX, originY); none when
    // XFixes is missing, the pointer has no image or none of its pixels is visible.
    std::optional<PointerImage> read(int originX, int originY) const;

  private:
    xcb_connection_t* m_conn;
    bool m_xfixes = false;
};

}  // namespace pelko::x11
