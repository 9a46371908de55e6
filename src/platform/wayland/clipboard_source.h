#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/display.h"

struct zwlr_data_control_source_v1;
struct zwlr_data_control_device_v1;

namespace pelko::wayland {

// One form of the clipboard's content: its MIME type and its bytes.
struct ClipboardForm {
    std::string mimeType;
    std::vector<std::uint8_t> bytes;
};

// The clipboard of a Wayland session held through the compositor's wlroots data-control
// protocol, which needs no window and no keyboard focus: a command can own it.
class ClipboardSource {
  public:
    // Takes the clipboard with these forms. Throws pelko::Error when the compositor has no
    // data-control protocol or no seat.
    ClipboardSource(Display& display, std::vector<ClipboardForm> forms);
    ~ClipboardSource();
    ClipboardSource(const ClipboardSource&) = delete;
    ClipboardSource& operator=(const ClipboardSource&) = delete;

    // Hands the content to every program that pastes it, until another program takes the
    // clipboard. Throws pelko::Error when the compositor goes away.
    void serve();

    // Called by the source's listener.
    void send(const char* mimeType, int fd);
    void cancel() { m_cancelled = true; }

  private:
    Display& m_display;
    std::vector<ClipboardForm> m_forms;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    bool m_cancelled = false;
};

}  // namespace pelko::wayland
