#include "ui/selectors/selector_overlay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "ui/selectors/overlay_window.h"

namespace pelko {

namespace {
// Another client may hold the pointer or keyboard for a moment (a menu closing, a key still
// held from a hotkey): the grabs are retried for this long before the overlay works without.
constexpr int kGrabRetryMs = 20;
constexpr int kGrabTries = 50;
}  // namespace

SelectorOverlay::SelectorOverlay(QImage frozen, QRect area, OverlayWindow* host)
    : m_frozen(std::move(frozen)),
      m_area(area),
      m_pointerWarps(!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    if (!host || host->user()) {
        m_ownWindow = std::make_unique<OverlayWindow>();
        host = m_ownWindow.get();
    }
    m_window = host;
    m_window->setUser(this);
    setParent(m_window);
    setAttribute(Qt::WA_OpaquePaintEvent);  // every repaint covers its area: no background
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The title tells scripts and tests that the overlay takes input (see ready()).
    connect(this, &SelectorOverlay::ready, this,
            [this] { m_window->setWindowTitle(QStringLiteral("Pelko selection")); });
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Cancel2 = PopupMenu1->addAction(QStringLiteral("Cancel"));
    Cancel2->setObjectName(QStringLiteral("Cancel2"));
    connect(Cancel2, &QAction::triggered, this, [this] {
        Cancelled = true;
        finish(Outcome::Cancelled);
    });
}

SelectorOverlay::~SelectorOverlay() {
    QToolTip::hideText();
    if (m_window->user() == this) {
        hideWindow();
        m_window->setUser(nullptr);
    }
    if (m_ownWindow) {
        setParent(nullptr);  // the window goes first and must not take this overlay with it
    }
}

void SelectorOverlay::hideWindow() {
    hide();
    m_window->hide();
    m_window->setWindowTitle(QString());
}

void SelectorOverlay::open() {
    // Device pixels to logical ones: the window covers the primary display exactly, and the
    // frozen image is drawn 1:1 in device pixels whatever the scale factor.
    const qreal ratio = devicePixelRatioF();
    m_window->setGeometry(QRect(
        QPoint(int(m_area.x() / ratio), int(m_area.y() / ratio)),
        QSize(int(std::ceil(m_area.width() / ratio)), int(std::ceil(m_area.height() / ratio)))));
    setGeometry(m_window->rect());
    m_window->setWindowTitle(QString());  // "ready" only once this overlay has been painted
    m_lastPointer = mapFromGlobal(QCursor::pos()).toPointF();
    show();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Wayland clients cannot place their windows: the compositor shows a full-screen one
        // over the whole output, which is the primary display's area.
        m_window->showFullScreen();
    } else {
        m_window->show();
    }
    m_window->raise();
    m_window->activateWindow();
    setFocus(Qt::OtherFocusReason);
    tryGrab();
}

SelectorOverlay::Outcome SelectorOverlay::exec() {
    open();
    if (!m_done) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    hideWindow();
    QToolTip::hideText();
    return m_outcome;
}

void SelectorOverlay::finish(Outcome outcome) {
    if (m_done) {
        return;
    }
    m_done = true;
    m_outcome = outcome;
    if (QWindow* w = m_window->windowHandle()) {
        w->setKeyboardGrabEnabled(false);
        w->setMouseGrabEnabled(false);
    }
    QToolTip::hideText();
    hideWindow();
    // A hotkey may have opened this overlay inside another one (a nested capture): the outer
    // overlay takes the pointer and keyboard back.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<OverlayWindow*>(w);
        SelectorOverlay* outer = window ? window->user() : nullptr;
        if (outer && outer != this && outer->isVisible()) {
            outer->regrab();
        }
    }
    if (m_loop) {
        m_loop->quit();
    }
}

void SelectorOverlay::announceReady() {
    // Queued: the window's paint buffer is sent to the display right after the paint event, so
    // whoever watches for "ready" sees it only once the frozen image is really on the screen.
    QTimer::singleShot(0, this, [this] {
        if (!m_done) {
            emit ready();
        }
    });
}

void SelectorOverlay::regrab() {
    if (!m_done) {
        m_grabTries = 0;
        tryGrab();
    }
}

void SelectorOverlay::tryGrab() {
    if (m_done || !isVisible()) {
        return;
    }
    QWindow* w = m_window->windowHandle();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        w = nullptr;  // no grabs to take (offscreen widget tests)
        m_grabTries = kGrabTries;
    }
    const bool keyboard = w && w->setKeyboardGrabEnabled(true);
    const bool mouse = w && w->setMouseGrabEnabled(true);
    if ((keyboard && mouse) || ++m_grabTries >= kGrabTries) {
        m_grabbed = true;
        if (m_painted) {
            announceReady();
        }
        return;
    }
    QTimer::singleShot(kGrabRetryMs, this, &SelectorOverlay::tryGrab);
}

void SelectorOverlay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

Point SelectorOverlay::devicePoint(const QPointF& logical) const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::floor(logical.x() * ratio)), int(std::floor(logical.y() * ratio))};
}

QRect SelectorOverlay::logicalRect(const QRect& device) const {
    const qreal ratio = devicePixelRatioF();
    const int left = int(std::floor(device.left() / ratio));
    const int top = int(std::floor(device.top() / ratio));
    const int right = int(std::ceil((device.right() + 1) / ratio));
    const int bottom = int(std::ceil((device.bottom() + 1) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

Point SelectorOverlay::pointerPoint() const {
    return devicePoint(shifted(mapFromGlobal(QCursor::pos()).toPointF()));
}

QPointF SelectorOverlay::shifted(const QPointF& local) const {
    if (m_keyShift.isNull()) {
        return local;
    }
    // Like the real pointer, the shifted one stays on the output.
    const qreal ratio = devicePixelRatioF();
    const QPointF p = local + m_keyShift;
    return {std::clamp(p.x(), 0.0, (m_area.width() - 1) / ratio),
            std::clamp(p.y(), 0.0, (m_area.height() - 1) / ratio)};
}

bool SelectorOverlay::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
        return QWidget::event(event);
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    m_lastPointer = mouse->position();
    m_lastButtons = mouse->buttons();
    if (m_keyShift.isNull()) {
        return QWidget::event(event);
    }
    // The selectors see the pointer where the arrow keys put it.
    const QPointF local = shifted(mouse->position());
    QMouseEvent moved(type, local, mapToGlobal(local), mouse->button(), mouse->buttons(),
                      mouse->modifiers(), mouse->pointingDevice());
    const bool handled = QWidget::event(&moved);
    event->setAccepted(moved.isAccepted());
    return handled;
}

void SelectorOverlay::movePointer(QPoint device) {
    const qreal ratio = devicePixelRatioF();
    if (m_pointerWarps) {
        // Whole device pixels: the pointer moves exactly one (or ten) of them.
        QCursor::setPos(QCursor::pos() + QPoint(int(std::lround(device.x() / ratio)),
                                                int(std::lround(device.y() / ratio))));
        return;
    }
    // The compositor alone moves the pointer: the overlay shifts what it reports instead, and
    // shows the move at once as the pointer's motion would.
    const QPointF before = shifted(m_lastPointer);
    m_keyShift += QPointF(device) / ratio;
    const QPointF local = shifted(m_lastPointer);
    // At the output's edge the rest of the move is lost, as the real pointer's would be.
    m_keyShift = local - m_lastPointer;
    if (local == before) {
        return;
    }
    QMouseEvent moved(QEvent::MouseMove, local, mapToGlobal(local), Qt::NoButton, m_lastButtons,
                      QGuiApplication::keyboardModifiers());
    QWidget::event(&moved);
}

int SelectorOverlay::infoLineHeight() const {
    return QFontMetrics(font()).height();
}

void SelectorOverlay::showInfo(const std::string& text, Point anchor) {
    if (text.empty()) {
        QToolTip::hideText();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QPoint local(int(anchor.x / ratio), int(anchor.y / ratio));
    QToolTip::showText(mapToGlobal(local), QString::fromStdString(text), this);
}

void SelectorOverlay::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    // Device pixels from here on, so the frozen image lands 1:1.
    painter.scale(1 / ratio, 1 / ratio);
    const QRect dirty = QRect(int(std::floor(event->rect().x() * ratio)),
                              int(std::floor(event->rect().y() * ratio)),
                              int(std::ceil(event->rect().width() * ratio)) + 1,
                              int(std::ceil(event->rect().height() * ratio)) + 1);
    // The frozen image keeps a ratio of 1 and is never changed: no copy of it per paint.
    painter.drawImage(dirty.topLeft(), m_frozen, dirty);
    paintShapes(painter, dirty);
    painter.end();
    if (!m_painted) {
        m_painted = true;
        if (m_grabbed) {
            announceReady();
        }
    }
}

void SelectorOverlay::paintShapes(QPainter&, const QRect&) {}

void SelectorOverlay::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    QPoint move;
    switch (event->key()) {
        case Qt::Key_Escape:
            Cancel2->trigger();
            return;
        case Qt::Key_Left:
            move = {-step, 0};
            break;
        case Qt::Key_Right:
            move = {step, 0};
            break;
        case Qt::Key_Up:
            move = {0, -step};
            break;
        case Qt::Key_Down:
            move = {0, step};
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    movePointer(move);
}

void SelectorOverlay::closeEvent(QCloseEvent* event) {
    finish(Outcome::Closed);
    event->accept();
}

void SelectorOverlay::openCancelMenu(const QPoint& globalPos) {
    PopupMenu1->exec(globalPos);
    regrab();  // the menu took the grabs for itself
}

}  // namespace pelko
