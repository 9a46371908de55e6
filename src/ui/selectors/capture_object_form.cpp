#include "ui/selectors/capture_object_form.h"

#include <QMouseEvent>

#include "ui/selectors/pointer_shapes.h"

namespace pelko {

TCaptureObjectForm::TCaptureObjectForm(QImage frozen, QRect area, OverlayWindow* host)
    : SelectorOverlay(std::move(frozen), area, host) {
    setObjectName(QStringLiteral("TCaptureObjectForm"));
    setCursor(handPointer());
}

void TCaptureObjectForm::mouseReleaseEvent(QMouseEvent* event) {
    m_release = devicePoint(event->position());
    finish(Outcome::Ok);  // any button picks the window under the pointer
}

}  // namespace pelko
