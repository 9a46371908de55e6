#include "platform/wayland/display.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/error.h"
#include "platform/wayland/wlr-data-control-unstable-v1-client.h"
#include "platform/wayland/wlr-screencopy-unstable-v1-client.h"

namespace pelko::wayland {

namespace {

void outputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                    std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    auto* o = static_cast<Output*>(data);
    o->x = x;
    o->y = y;
}

void outputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                std::int32_t height, std::int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        auto* o = static_cast<Output*>(data);
        o->width = width;
        o->height = height;
    }
}

void outputDone(void* data, wl_output*) {
    static_cast<Output*>(data)->done = true;
}

void outputScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->scale = factor;
}

const wl_output_listener kOutputListener{outputGeometry, outputMode, outputDone,
                                         outputScale,    nullptr,    nullptr};

const wl_registry_listener kRegistryListener{&Display::global, &Display::globalRemove};

}  // namespace

Display::Display(const char* name) : m_display(wl_display_connect(name)) {
    if (!m_display) {
        throw Error(std::string("Cannot connect to the Wayland compositor (") +
                    (name ? name : "WAYLAND_DISPLAY") + ")");
    }
    m_registry.reset(wl_display_get_registry(m_display.get()));
    wl_registry_add_listener(m_registry.get(), &kRegistryListener, this);
    roundtrip(kAnswerTimeoutMs);
    // The outputs describe themselves after being bound.
    roundtrip(kAnswerTimeoutMs);
}

Display::~Display() {
    if (m_dataControl) {
        zwlr_data_control_manager_v1_destroy(m_dataControl);
    }
    if (m_seat) {
        wl_seat_destroy(m_seat);
    }
    if (m_screencopy) {
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    }
    for (auto& o : m_outputs) {
        wl_output_destroy(o->proxy);
    }
    if (m_shm) {
        wl_shm_destroy(m_shm);
    }
}

void Display::global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version) {
    auto* self = static_cast<Display*>(data);
    if (std::strcmp(interface, wl_shm_interface.name) == 0 && !self->m_shm) {
        self->m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<Output>();
        output->name = name;
        // Version 2 brings the scale and the done event.
        output->proxy = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, version < 2 ? version : 2));
        wl_output_add_listener(output->proxy, &kOutputListener, output.get());
        self->m_outputs.push_back(std::move(output));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0 &&
               !self->m_screencopy) {
        self->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0 &&
               !self->m_dataControl) {
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}

void Display::globalRemove(void*, wl_registry*, std::uint32_t) {
    // An output unplugged during a capture makes its frame fail; nothing to do here.
}

const Output& Display::primaryOutput() const {
    const Output* first = nullptr;
    for (const auto& o : m_outputs) {
        if (o->width <= 0 || o->height <= 0) {
            continue;
        }
        if (o->x == 0 && o->y == 0) {
            return *o;
        }
        if (!first) {
            first = o.get();
        }
    }
    if (!first) {
        throw Error("The Wayland compositor shows no output to capture");
    }
    return *first;
}

void Display::connectionLost() {
    const int code = wl_display_get_error(m_display.get());
    throw Error(std::string("The connection to the Wayland compositor was lost (") +
                std::strerror(code ? code : EPIPE) + ")");
}

void Display::dispatchUntil(const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    wl_display* d = m_display.get();
    while (!done()) {
        while (wl_display_prepare_read(d) != 0) {
            if (wl_display_dispatch_pending(d) < 0) {
                connectionLost();
            }
            if (done()) {
                return;
            }
        }
        if (wl_display_flush(d) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(d);
            connectionLost();
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) {
            wl_display_cancel_read(d);
            throw Error("The Wayland compositor did not answer in time");
        }
        pollfd p{wl_display_get_fd(d), POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready <= 0) {
            wl_display_cancel_read(d);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                connectionLost();
            }
            continue;
        }
        if (wl_display_read_events(d) < 0 || wl_display_dispatch_pending(d) < 0) {
            connectionLost();
        }
    }
}

void Display::dispatchUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (wl_display_dispatch(m_display.get()) < 0) {
            connectionLost();
        }
    }
}

void Display::roundtrip(int timeoutMs) {
    bool done = false;
    wl_callback* callback = wl_display_sync(m_display.get());
    static const wl_callback_listener listener{
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(callback, &listener, &done);
    try {
        dispatchUntil([&] { return done; }, timeoutMs);
    } catch (...) {
        wl_callback_destroy(callback);
        throw;
    }
    wl_callback_destroy(callback);
}

}  // namespace pelko::wayland
