#pragma once

#include <functional>

#include "core/capture/pipeline.h"

namespace pelko {

// The selector of an interactive mode, run elsewhere (the tray program shows it).
using RemoteSelector = std::function<std::optional<Bitmap>(int mode, bool& cancelled)>;

// A capture run without a main window: nothing to hide, the selectors run by `selector`, and
// the outputs that need the desktop session's user interface are refused with a clear message.
class HeadlessCaptureHost final : public CaptureHost {
  public:
    explicit HeadlessCaptureHost(RemoteSelector selector = {}) : m_selector(std::move(selector)) {}
    void pause(int milliseconds) override;
    std::optional<Bitmap> select(int mode, bool& cancelled) override;

  private:
    RemoteSelector m_selector;
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
