#include "ui/toolkit/eliding_button.h"

#include <QHelpEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>

namespace pelko {

ElidingButton::ElidingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

int ElidingButton::textRoom() const {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    return contents.width() - 2 * style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, this) / 3;
}

QString ElidingButton::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRoom());
}

void ElidingButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text = shownText();
    p.drawControl(QStyle::CE_PushButton, opt);
}

bool ElidingButton::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && toolTip().isEmpty() && shownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text(), this);
        return true;
    }
    return QPushButton::event(e);
}

}  // namespace pelko
