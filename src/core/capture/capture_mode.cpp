#include "core/capture/capture_mode.h"

#include <string>

namespace pelko {

std::optional<CaptureMode> captureModeNamed(std::string_view text) {
    for (const CaptureModeInfo& info : kCaptureModes) {
        if (text == info.commandName || text == std::to_string(unsigned(info.mode))) {
            return info.mode;
        }
    }
    return std::nullopt;
}

}  // namespace pelko
