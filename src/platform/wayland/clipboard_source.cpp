#include "platform/wayland/clipboard_source.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "platform/wayland/wlr-data-control-unstable-v1-client.h"

namespace pelko::wayland {

namespace {

void sourceSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, std::int32_t fd) {
    static_cast<ClipboardSource*>(data)->send(mimeType, fd);
}

void sourceCancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<ClipboardSource*>(data)->cancel();
}

const zwlr_data_control_source_v1_listener kSourceListener{sourceSend, sourceCancelled};

// Offers made to us when the clipboard changes: not read, only let go.
void deviceDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}

void deviceSelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    if (offer) {
        zwlr_data_control_offer_v1_destroy(offer);
    }
}

void deviceFinished(void* data, zwlr_data_control_device_v1*) {
    static_cast<ClipboardSource*>(data)->cancel();
}

const zwlr_data_control_device_v1_listener kDeviceListener{deviceDataOffer, deviceSelection,
                                                           deviceFinished};

}  // namespace

ClipboardSource::ClipboardSource(Display& display, std::vector<ClipboardForm> forms)
    : m_display(display), m_forms(std::move(forms)) {
    if (!display.dataControl()) {
        throw Error(
            "The Wayland compositor lets no program without a window hold the clipboard (it has "
            "no wlroots data-control protocol, zwlr_data_control_manager_v1)");
    }
    if (!display.seat()) {
        throw Error("The Wayland compositor has no seat to hold a clipboard");
    }
    m_device = zwlr_data_control_manager_v1_get_data_device(display.dataControl(), display.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &kDeviceListener, this);
    m_source = zwlr_data_control_manager_v1_create_data_source(display.dataControl());
    zwlr_data_control_source_v1_add_listener(m_source, &kSourceListener, this);
    for (const ClipboardForm& form : m_forms) {
        zwlr_data_control_source_v1_offer(m_source, form.mimeType.c_str());
    }
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    display.roundtrip(kAnswerTimeoutMs);
}

ClipboardSource::~ClipboardSource() {
    zwlr_data_control_source_v1_destroy(m_source);
    zwlr_data_control_device_v1_destroy(m_device);
    wl_display_flush(m_display.get());
}

void ClipboardSource::send(const char* mimeType, int fd) {
    for (const ClipboardForm& form : m_forms) {
        if (form.mimeType != mimeType) {
            continue;
        }
        // A reader that goes away early only ends its own paste.
        std::size_t done = 0;
        while (done < form.bytes.size()) {
            const ssize_t n = ::write(fd, form.bytes.data() + done, form.bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += std::size_t(n);
        }
        break;
    }
    ::close(fd);
}

void ClipboardSource::serve() {
    m_display.dispatchUntil([this] { return m_cancelled; });
}

}  // namespace pelko::wayland
