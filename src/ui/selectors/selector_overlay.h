#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "core/capture/selection.h"

class QMenu;
class QAction;
class QEventLoop;

namespace pelko {

class OverlayWindow;

// What every interactive selector shows over the primary display, filling an OverlayWindow:
// the frozen screen drawn 1:1 in device pixels, the pointer and keyboard grabbed while it is
// open, a right-click menu with
// "Cancel", Esc as "Cancel", and the arrow keys moving the pointer by 1 pixel (10 with Shift).
// Where clients cannot move the pointer (Wayland), the arrow keys move the overlay's own idea of
// it instead: every pointer position it sees from then on is shifted by as much.
// exec() runs a local event loop until the selector ends.
class SelectorOverlay : public QWidget {
    Q_OBJECT

  public:
    // How the overlay ended.
    enum class Outcome { Ok, Cancelled, Closed };

    // frozen: the screen as it was before the overlay opened; area: where the primary display
    // lies on the desktop, in device pixels; host: the window to show in, when it is free
    // (else, or when none is given, the overlay makes a window of its own).
    SelectorOverlay(QImage frozen, QRect area, OverlayWindow* host = nullptr);
    ~SelectorOverlay() override;

    // Shows the overlay over the primary display and waits until it ends.
    Outcome exec();
    // Shows and grabs without waiting (widget tests drive the overlay themselves).
    void open();

    bool Cancelled = false;  // set only by "Cancel" (the menu item or Esc)
    Outcome outcome() const { return m_outcome; }
    const QImage& frozen() const { return m_frozen; }

    QMenu* PopupMenu1 = nullptr;
    QAction* Cancel2 = nullptr;

  signals:
    // The overlay has been painted and holds the pointer and keyboard.
    void ready();

  public:
    // Takes the pointer and keyboard (back) while the overlay is open, e.g. after a selector
    // opened inside this one has ended.
    void regrab();

  protected:
    // Ends the overlay with the given outcome.
    void finish(Outcome outcome);
    // The event's position in device pixels of the primary display.
    Point devicePoint(const QPointF& logical) const;
    // A rectangle in device pixels as the smallest logical rectangle covering it.
    QRect logicalRect(const QRect& device) const;
    // The pointer's position in device pixels of the primary display.
    Point pointerPoint() const;
    // Shows the tooltip text with its top-left corner near the device point (screen pixels
    // of the primary display), or hides it for an empty text.
    void showInfo(const std::string& text, Point anchor);
    // One line's height in the overlay's font.
    int infoLineHeight() const;

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Draws what the selector adds over the frozen image inside the device rectangle `dirty`.
    virtual void paintShapes(QPainter& painter, const QRect& dirty);
    void openCancelMenu(const QPoint& globalPos);

  private:
    void tryGrab();
    // The logical position `local` moved by the arrow keys' shift, kept on the overlay.
    QPointF shifted(const QPointF& local) const;
    // Moves the pointer by `device` pixels: the real one where clients may, else the shift.
    void movePointer(QPoint device);
    // Emits ready() once the painted overlay has gone to the display.
    void announceReady();
    // Hides the overlay and its window, which then is free for the next selector.
    void hideWindow();

    std::unique_ptr<OverlayWindow> m_ownWindow;  // when the given window was busy or none
    OverlayWindow* m_window = nullptr;
    QImage m_frozen;
    QRect m_area;
    Outcome m_outcome = Outcome::Closed;
    bool m_done = false;
    bool m_grabbed = false;
    bool m_painted = false;
    int m_grabTries = 0;
    // Whether QCursor::setPos moves the pointer (not on Wayland, where only the user may).
    bool m_pointerWarps = true;
    // What the arrow keys added to the pointer where it cannot be moved, in logical pixels;
    // the last pointer position and buttons reported, for the move a key makes.
    QPointF m_keyShift;
    QPointF m_lastPointer;
    Qt::MouseButtons m_lastButtons;
    QEventLoop* m_loop = nullptr;
};

}  // namespace pelko
