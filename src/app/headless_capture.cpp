#include "app/headless_capture.h"

#include <chrono>
#include <thread>

#include "core/capture/capture_mode.h"
#include "core/error.h"

namespace pelko {

namespace {
[[noreturn]] void unavailable(std::string_view what) {
    throw notAvailable(what);
}
}  // namespace

void HeadlessCaptureHost::pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<Bitmap> HeadlessCaptureHost::select(int mode, bool& cancelled) {
    if (m_selector) {
        return m_selector(mode, cancelled);
    }
    const CaptureModeInfo* info = captureModeInfo(mode);
    unavailable(std::string(info ? info->kindName : "Selection") + " capture");
}

}  // namespace pelko
