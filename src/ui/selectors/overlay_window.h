#pragma once

#include <QWidget>

#include "core/image/bitmap.h"

namespace pelko {

class SelectorOverlay;

// The borderless top-level window over the primary display that a selector overlay fills. The
// program keeps one between selections: a new window gets a new full-screen paint buffer, and
// writing into fresh memory costs a page fault per 4 KiB on first touch (about 30 ms for the
// 8 MB of a 1920x1080 screen here, four times that at 3840x2160), while a reused window paints
// into memory it already has. For the same reason it keeps the buffer the last frozen screen was
// copied into. A selector opened while the window is in use (a hotkey during a selection) gets
// a window of its own.
class OverlayWindow final : public QWidget {
    Q_OBJECT

  public:
    OverlayWindow();

    // The overlay that shows in the window now, or null.
    SelectorOverlay* user() const { return m_user; }
    void setUser(SelectorOverlay* overlay) { m_user = overlay; }

    // The kept buffer for the next frozen screen (empty when another selection holds it), and
    // its return after the selection.
    Bitmap takeBuffer() { return std::move(m_buffer); }
    void keepBuffer(Bitmap&& buffer) { m_buffer = std::move(buffer); }

  protected:
    // A close request ends the overlay that shows (as closing it would).
    void closeEvent(QCloseEvent* event) override;

  private:
    SelectorOverlay* m_user = nullptr;
    Bitmap m_buffer;
};

}  // namespace pelko
