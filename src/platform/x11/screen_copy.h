#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <memory>

#include "core/image/bitmap.h"
#include "platform/x11/copy_plan.h"
#include "platform/x11/pixel_layout.h"
#include "platform/x11/shm_segment.h"

namespace pelko::x11 {

// Reads areas of the root window into Bitmaps. The area is read in strips of whole rows, each
// one request: an MIT-SHM GetImage into one reused shared segment, or a plain GetImage when the
// server offers no shared memory. Strips keep every request and reply well below the server's
// 16 MiB limit and the extra memory small. (A second segment, filled by the server while the
// first is converted, measured no faster: conversion and server copy share memory bandwidth.)
class ScreenCopier {
  public:
    // Throws pelko::Error when the root window's pixel layout cannot be read.
    ScreenCopier(xcb_connection_t* c, xcb_window_t root, const PixelLayout& layout);

    int bitmapDepth() const { return m_converter.bitmapDepth(); }

    // Copies plan.source of the root window to (plan.destX, plan.destY) of target, which is
    // large enough. A strip the server refuses stays as it was.
    void copy(const CopyPlan& plan, Bitmap& target);

    // Off: plain GetImage only. On (the default): shared memory whenever the server allows it.
    void setUseSharedMemory(bool on) { m_shmWanted = on; }
    // Whether the last copy went through shared memory.
    bool usedSharedMemory() const { return m_shmUsed; }

    // The most bytes one strip holds, and in the first shared-memory copy.
    static constexpr std::size_t kStripBytes = std::size_t(1) << 20;
    static constexpr std::size_t kFirstStripBytes = std::size_t(1) << 18;

  private:
    bool copyShm(const CopyPlan& plan, int stripRows, Bitmap& target);
    void copyPlain(const CopyPlan& plan, int stripRows, Bitmap& target);
    void storeRows(const std::uint8_t* data, std::size_t size, const CopyPlan& plan, int firstRow,
                   int rows, Bitmap& target) const;

    xcb_connection_t* m_conn;
    xcb_window_t m_root;
    PixelLayout m_layout;
    RowConverter m_converter;
    bool m_shmWanted = true;
    bool m_shmChecked = false;
    bool m_shmAvailable = false;
    bool m_shmUsed = false;
    int m_copies = 0;
    std::unique_ptr<ShmSegment> m_segment;
};

}  // namespace pelko::x11
