#include "ui/selectors/select_rect_form.h"

#include <QFontMetrics>
#include <QToolTip>
#include <cstdlib>

namespace pelko {

bool pickerInfoFits(Point pointer, int textWidth, int lineHeight, int width, int height) {
    return std::abs(pointer.x) <= width - textWidth - 8 &&
           std::abs(pointer.y) <= height - 2 * lineHeight;
}

TSelectRectForm::TSelectRectForm(QImage frozen, QRect area, OverlayWindow* host)
    : TCaptureRectForm(std::move(frozen), area, true, host) {
    setObjectName(QStringLiteral("TSelectRectForm"));
}

void TSelectRectForm::showDragInfo() {
    const std::string text = selectionInfoText(m_info);
    // Measured as one line, as the hide rule asks.
    QString oneLine = QString::fromStdString(text);
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QFontMetrics metrics(font());
    const qreal ratio = devicePixelRatioF();
    const int textWidth = int(metrics.horizontalAdvance(oneLine) * ratio);
    const int lineHeight = int(metrics.height() * ratio);
    if (!pickerInfoFits(m_corner, textWidth, lineHeight, frozen().width(), frozen().height())) {
        showInfo({}, {});
        return;
    }
    showInfo(text, selectionInfoAnchor(m_info, pointerPoint(), lineHeight));
}

void TSelectRectForm::leftReleased(Point release) {
    m_corner = release;
    if (const auto selection = dragSelection(m_anchor, m_corner)) {
        m_info = *selection;
    }
    finish(Outcome::Ok);
}

}  // namespace pelko
