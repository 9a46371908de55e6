#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct zwlr_screencopy_manager_v1;
struct zwlr_data_control_manager_v1;

namespace pelko::wayland {

// One output of the compositor as wl_output describes it.
struct Output {
    wl_output* proxy = nullptr;
    std::uint32_t name = 0;     // the registry's name of the global
    int x = 0, y = 0;           // position in the compositor's layout
    int width = 0, height = 0;  // the current mode, in pixels
    int scale = 1;
    bool done = false;
};

// A connection to the Wayland compositor with the globals Pelko uses, bound at once.
//
// Every wait for the compositor is bounded: a compositor that goes away or stops answering
// ends the wait with pelko::Error, never a hang.
class Display {
  public:
    // Connects to $WAYLAND_DISPLAY (or the name given). Throws pelko::Error when there is no
    // compositor to talk to.
    explicit Display(const char* name = nullptr);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    wl_display* get() const { return m_display.get(); }
    wl_shm* shm() const { return m_shm; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    zwlr_data_control_manager_v1* dataControl() const { return m_dataControl; }
    wl_seat* seat() const { return m_seat; }
    const std::vector<std::unique_ptr<Output>>& outputs() const { return m_outputs; }
    // The output that stands for the primary display: the one at the layout's origin, else the
    // first the compositor announced. Throws pelko::Error when there is none.
    const Output& primaryOutput() const;

    // Sends what is queued and handles events until done() says so or timeoutMs pass. Throws
    // pelko::Error when the connection fails or the time is up.
    void dispatchUntil(const std::function<bool()>& done, int timeoutMs);
    // One round trip: every request sent so far has been handled by the compositor.
    void roundtrip(int timeoutMs);
    // Sends what is queued and handles events as they come, without a time limit, until done()
    // says so. Throws pelko::Error when the connection fails.
    void dispatchUntil(const std::function<bool()>& done);

    // The registry's announcements, as its listener.
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, std::uint32_t name);

  private:
    struct DisplayDeleter {
        void operator()(wl_display* d) const { wl_display_disconnect(d); }
    };
    struct RegistryDeleter {
        void operator()(wl_registry* r) const { wl_registry_destroy(r); }
    };

    [[noreturn]] void connectionLost();

    std::unique_ptr<wl_display, DisplayDeleter> m_display;
    std::unique_ptr<wl_registry, RegistryDeleter> m_registry;
    wl_shm* m_shm = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    zwlr_data_control_manager_v1* m_dataControl = nullptr;
    wl_seat* m_seat = nullptr;
    std::vector<std::unique_ptr<Output>> m_outputs;
};

// How long Pelko waits for any one answer of the compositor.
constexpr int kAnswerTimeoutMs = 5000;

}  // namespace pelko::wayland
