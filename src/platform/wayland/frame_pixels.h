#pragma once

#include <cstddef>
#include <cstdint>

#include "core/capture/screen.h"
#include "core/image/bitmap.h"

namespace pelko::wayland {

// A frame as the compositor wrote it into shared memory.
struct FramePixels {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;  // bytes available at data
    int width = 0, height = 0, stride = 0;
    std::uint32_t format = 0;  // a wl_shm format
    bool yInverted = false;    // rows bottom first
};

// Throws pelko::Error unless frames of this wl_shm format can be read (the 32-bit layouts of
// 8 bits a channel).
void requireReadableFormat(std::uint32_t format);

// Copies the part of the frame inside r (frame coordinates) into target, which holds r's size
// at depth 24: pixel (x, y) of the frame goes to (x - r.left, y - r.top). Parts of r outside
// the frame stay as they are. Throws pelko::Error for a format it cannot read or a frame whose
// rows do not fit in size.
void copyFrame(const FramePixels& frame, const Rect& r, Bitmap& target);

}  // namespace pelko::wayland
