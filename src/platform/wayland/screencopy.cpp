#include "platform/wayland/screencopy.h"

#include <memory>
#include <optional>

#include "core/error.h"
#include "platform/wayland/frame_pixels.h"
#include "platform/wayland/shm_buffer.h"
#include "platform/wayland/wlr-screencopy-unstable-v1-client.h"

namespace pelko::wayland {

namespace {

// What the compositor has told about one frame so far.
struct FrameState {
    std::optional<FramePixels> offered;  // the buffer it wants: format, size, stride
    bool yInverted = false;
    bool ready = false;
    bool failed = false;
};

void frameBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
                 std::uint32_t height, std::uint32_t stride) {
    auto* s = static_cast<FrameState*>(data);
    FramePixels p;
    p.format = format;
    p.width = int(width);
    p.height = int(height);
    p.stride = int(stride);
    s->offered = p;
}

void frameFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
    static_cast<FrameState*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}

void frameReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                std::uint32_t) {
    static_cast<FrameState*>(data)->ready = true;
}

void frameFailed(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->failed = true;
}

const zwlr_screencopy_frame_v1_listener kFrameListener{frameBuffer, frameFlags, frameReady,
                                                       frameFailed};

struct FrameDeleter {
    void operator()(zwlr_screencopy_frame_v1* f) const { zwlr_screencopy_frame_v1_destroy(f); }
};

}  // namespace

void copyOutput(Display& display, const Output& output, bool withPointer, const Rect& r,
                Bitmap& target) {
    FrameState state;
    std::unique_ptr<zwlr_screencopy_frame_v1, FrameDeleter> frame(
        zwlr_screencopy_manager_v1_capture_output(display.screencopy(), withPointer ? 1 : 0,
                                                  output.proxy));
    zwlr_screencopy_frame_v1_add_listener(frame.get(), &kFrameListener, &state);
    display.dispatchUntil([&] { return state.offered || state.failed; }, kAnswerTimeoutMs);
    if (state.failed) {
        throw Error("The Wayland compositor could not copy the screen");
    }
    FramePixels pixels = *state.offered;
    requireReadableFormat(pixels.format);
    ShmBuffer buffer(display.shm(), pixels.width, pixels.height, pixels.stride, pixels.format);
    zwlr_screencopy_frame_v1_copy(frame.get(), buffer.buffer());
    display.dispatchUntil([&] { return state.ready || state.failed; }, kAnswerTimeoutMs);
    if (state.failed) {
        throw Error("The Wayland compositor could not copy the screen");
    }
    pixels.data = buffer.data();
    pixels.size = buffer.size();
    pixels.yInverted = state.yInverted;
    copyFrame(pixels, r, target);
}

}  // namespace pelko::wayland
