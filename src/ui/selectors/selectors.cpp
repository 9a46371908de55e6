#include "ui/selectors/selectors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <chrono>
#include <thread>

#include "core/capture/capture_mode.h"
#include "core/capture/selection.h"
#include "core/capture/sources.h"
#include "core/error.h"
#include "ui/selectors/capture_freehand_form.h"
#include "ui/selectors/capture_object_form.h"
#include "ui/selectors/capture_rect_form.h"
#include "ui/selectors/capture_shape_form.h"
#include "ui/selectors/frozen_image.h"
#include "ui/selectors/overlay_window.h"
#include "ui/selectors/select_rect_form.h"

namespace pelko {

namespace {

// Runs a shape selector: its cut picture on Ok (empty for a drag without area), else none.
template <class Form>
std::optional<Bitmap> shapeResult(Form& form, bool& cancelled) {
    const SelectorOverlay::Outcome outcome = form.exec();
    cancelled = form.Cancelled;
    if (outcome != SelectorOverlay::Outcome::Ok) {
        return std::nullopt;
    }
    return form.result();
}

}  // namespace

// The frozen screen of one selection, copied into the host window's kept buffer when there is
// one, and handed back to it at the end.
class Selectors::Frozen {
  public:
    Frozen(Selectors& selectors) : m_host(selectors.m_host) {
        if (m_host) {
            m_bitmap = m_host->takeBuffer();
        }
        CaptureSources sources(selectors.m_screen);
        sources.ApplySystemPalette(m_bitmap);
        sources.CaptureWholeScreen(m_bitmap, selectors.m_settings.ssreccursor);
    }
    ~Frozen() {
        if (m_host) {
            m_host->keepBuffer(std::move(m_bitmap));
        }
    }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;

    const Bitmap& bitmap() const { return m_bitmap; }

  private:
    OverlayWindow* m_host;
    Bitmap m_bitmap;
};

std::optional<Bitmap> Selectors::select(int mode, bool& cancelled) {
    cancelled = false;
    switch (CaptureMode(mode)) {
        case CaptureMode::Rectangle:
            return CaptureSelection(cancelled);
        case CaptureMode::Ellipse: {
            const Frozen screen(*this);
            const Bitmap& frozen = screen.bitmap();
            TfrmCaptureEllipse form(frozen, primaryArea(frozen), m_settings.showHint,
                                    m_settings.backgroundColor, m_host);
            return shapeResult(form, cancelled);
        }
        case CaptureMode::RoundedRectangle: {
            const Frozen screen(*this);
            const Bitmap& frozen = screen.bitmap();
            TfrmCaptureRoundedRect form(frozen, primaryArea(frozen), m_settings.showHint,
                                        m_settings.backgroundColor, m_host);
            return shapeResult(form, cancelled);
        }
        case CaptureMode::Object:
            if (m_windows) {
                return CaptureObject(cancelled);
            }
            break;
        case CaptureMode::Freehand: {
            const Frozen screen(*this);
            const Bitmap& frozen = screen.bitmap();
            TCaptureFreehandForm form(frozen, primaryArea(frozen), m_settings.showHint, m_host);
            return shapeResult(form, cancelled);
        }
        default:
            break;
    }
    const CaptureModeInfo* info = captureModeInfo(mode);
    throw notAvailable(std::string(info ? info->kindName : "Selection") + " capture");
}

QRect Selectors::primaryArea(const Bitmap& frozen) const {
    QPoint origin;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        origin = primary->geometry().topLeft() * primary->devicePixelRatio();
    }
    return QRect(origin, QSize(frozen.width(), frozen.height()));
}

std::optional<Bitmap> Selectors::CaptureSelection(bool& cancelled) {
    const Frozen screen(*this);
    const Bitmap& frozen = screen.bitmap();
    TCaptureRectForm form(frozenImage(frozen), primaryArea(frozen), m_settings.showHint, m_host);
    const SelectorOverlay::Outcome outcome = form.exec();
    cancelled = form.Cancelled;
    if (outcome != SelectorOverlay::Outcome::Ok) {
        return std::nullopt;
    }
    // The overlay showed the frozen picture 1:1, so its pixels are the frozen ones.
    if (!form.selection()) {
        return Bitmap();
    }
    return copyArea(frozen, *form.selection());
}

}  // namespace pelko

namespace pelko {

std::optional<Bitmap> Selectors::CaptureObject(bool& cancelled) {
    const Frozen screen(*this);
    const Bitmap& frozen = screen.bitmap();
    TCaptureObjectForm form(frozenImage(frozen), primaryArea(frozen), m_host);
    const SelectorOverlay::Outcome outcome = form.exec();
    cancelled = form.Cancelled;
    if (outcome != SelectorOverlay::Outcome::Ok) {
        return std::nullopt;
    }
    if (m_windows->pointerFromFrozenPicture()) {
        return copyArea(frozen, m_windows->windowRectAt(form.releasePoint(), {}));
    }
    const std::uint32_t overlay = std::uint32_t(form.window()->winId());
    QCoreApplication::processEvents();  // sends the overlay's unmapping on its way
    // A round trip sends the overlay's unmapping to the server; then the windows under it
    // have a moment to repaint before the copy.
    m_windows->pointerPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const Point p = m_windows->pointerPosition();
    const Rect r = m_windows->windowRectAt(p, std::span<const std::uint32_t>(&overlay, 1));
    CaptureSources sources(m_screen);
    Bitmap work;
    sources.ApplySystemPalette(work);
    m_screen.copyRect(work, r);
    if (m_settings.ssreccursor) {
        sources.DrawPointer(work, r);
    }
    return work;
}

}  // namespace pelko

namespace pelko {

std::optional<Rect> Selectors::pickRegion() {
    const Frozen screen(*this);
    const Bitmap& frozen = screen.bitmap();
    TSelectRectForm form(frozenImage(frozen), primaryArea(frozen), m_host);
    if (form.exec() != SelectorOverlay::Outcome::Ok) {
        return std::nullopt;
    }
    return form.info();
}

}  // namespace pelko
