#pragma once

#include "core/capture/pipeline.h"

namespace pelko {

// A capture run without the user interface: no main window to hide, no selectors, and the
// outputs that need the desktop session's user interface are refused with a clear message.
class HeadlessCaptureHost final : public CaptureHost {
  public:
    void pause(int milliseconds) override;
    std::optional<Bitmap> select(int mode, bool& cancelled) override;
};

class HeadlessOutputs final : public CaptureOutputs {
  public:
    std::vector<std::string> copyToClipboard(const Bitmap&) override;
    std::vector<std::string> openInPaint(const Bitmap&) override;
    std::vector<std::string> publishWeb(const Bitmap&) override;
    std::vector<std::string> sendEmail(const Bitmap&) override;
    std::vector<std::string> openInEditor(const Bitmap&) override;
};

}  // namespace pelko
