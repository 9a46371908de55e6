#include "ui/selectors/overlay_window.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "ui/selectors/selector_overlay.h"

namespace pelko {

OverlayWindow::OverlayWindow()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint) {
    setObjectName(QStringLiteral("OverlayWindow"));
    // The overlay covers the whole window and paints every pixel it is asked for.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void OverlayWindow::closeEvent(QCloseEvent* event) {
    if (m_user) {
        QCloseEvent forwarded;
        QCoreApplication::sendEvent(m_user, &forwarded);
    }
    event->accept();
}

}  // namespace pelko
