#pragma once

#include <functional>

#include "core/capture/pipeline.h"

namespace pelko {

// The selector of an interactive mode, run elsewhere (the tray program shows it).
using RemoteSelector = std::function<std::optional<Bitmap>(int mode, bool& cancelled)>;

// A capture run without a main window: nothing to hide, and the selectors run by `selector`
// (refused with a clear message without one).
class HeadlessCaptureHost final : public CaptureHost {
  public:
    explicit HeadlessCaptureHost(RemoteSelector selector = {}) : m_selector(std::move(selector)) {}
    void pause(int milliseconds) override;
    std::optional<Bitmap> select(int mode, bool& cancelled) override;

  private:
    RemoteSelector m_selector;
};

}  // namespace pelko
