#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "core/capture/capture_notice.h"

namespace pelko {

// The notice of a command-line capture. It is sent from a thread of its own, and show() waits
// for it only a moment: a session bus that never answers (a stopped daemon) must not hold up a
// command whose picture is already written, nor change its exit status. A sender still waiting
// then is left behind; the command ends without waiting for it (senderLeftBehind).
class CommandNotifier final : public Notifier {
  public:
    using MakeNotifier = std::function<std::unique_ptr<Notifier>()>;
    CommandNotifier(MakeNotifier make, std::chrono::milliseconds limit);

    void show(const CaptureNotice& notice) override;

    bool senderLeftBehind() const { return m_leftBehind; }

  private:
    MakeNotifier m_make;
    std::chrono::milliseconds m_limit;
    bool m_leftBehind = false;
};

// The notice of a picture written to standard output ("-") says so instead of naming a file.
CaptureNotice commandNotice(CaptureNotice notice);

}  // namespace pelko
