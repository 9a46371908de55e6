#pragma once

#include <cstdint>
#include <string>

#include "core/image/bitmap.h"

namespace pelko::wayland {

// The whole screen through the desktop portal's Screenshot interface
// (org.freedesktop.portal.Screenshot on the session bus), for desktops whose compositor lets
// no client copy the screen itself (GNOME, KDE). The portal writes a PNG file and answers with
// its address; the picture is read with Pelko's own decoder.
class PortalScreenshot {
  public:
    // Empty when a portal with the Screenshot interface answers on the session bus, else why
    // none does.
    static std::string unavailableReason();

    // Asks for a picture without a dialog where the desktop allows it. Throws pelko::Error when
    // the user cancels, the portal refuses, does not answer within timeoutMs, or its file
    // cannot be read.
    static Bitmap take(int timeoutMs);
};

// The file of a Screenshot request's answer: its response code (0 done, 1 cancelled by the
// user, 2 refused or failed) and the "uri" of its results. Throws pelko::Error with the
// message the capture ends with when there is no picture.
std::string screenshotPath(std::uint32_t response, const std::string& uri);

// The local path of a file:// address, with %XX escapes decoded; throws pelko::Error for any
// other kind of address.
std::string localPathOfUri(const std::string& uri);

}  // namespace pelko::wayland
