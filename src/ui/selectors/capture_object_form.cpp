#include "ui/selectors/capture_object_form.h"

#include <QMouseEvent>

#include "ui/selectors/pointer_shapes.h"

namespace pelko {

TCaptureObjectForm::TCaptureObjectForm(QImage frozen, QRect area, QWidget* parent)
    : SelectorOverlay(std::move(frozen), area, parent) {
    setObjectName(QStringLiteral("TCaptureObjectForm"));
    setCursor(handPointer());
}

void TCaptureObjectForm::mouseReleaseEvent(QMouseEvent*) {
    finish(Outcome::Ok);  // any button picks the window under the pointer
}

}  // namespace pelko
