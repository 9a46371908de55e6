#pragma once

#include <QImage>
#include <QWidget>

#include "core/capture/selection.h"

class QMenu;
class QAction;
class QEventLoop;

namespace pelko {

// The full-screen window every interactive selector shows: the frozen screen drawn 1:1 in
// device pixels, the pointer and keyboard grabbed while it is open, a right-click menu with
// "Cancel", Esc as "Cancel", and the arrow keys moving the pointer by 1 pixel (10 with Shift).
// exec() runs a local event loop until the selector ends.
class SelectorOverlay : public QWidget {
    Q_OBJECT

  public:
    // How the overlay ended.
    enum class Outcome { Ok, Cancelled, Closed };

    // frozen: the screen as it was before the overlay opened; area: where the primary display
    // lies on the desktop, in device pixels.
    SelectorOverlay(QImage frozen, QRect area, QWidget* parent = nullptr);
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

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Draws what the selector adds over the frozen image inside the device rectangle `dirty`.
    virtual void paintShapes(QPainter& painter, const QRect& dirty);
    void openCancelMenu(const QPoint& globalPos);

  private:
    void tryGrab();

    QImage m_frozen;
    QRect m_area;
    Outcome m_outcome = Outcome::Closed;
    bool m_done = false;
    bool m_grabbed = false;
    bool m_painted = false;
    int m_grabTries = 0;
    QEventLoop* m_loop = nullptr;
};

}  // namespace pelko
