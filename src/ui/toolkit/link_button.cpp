#include "ui/toolkit/link_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace pelko {

LinkButton::LinkButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QFont LinkButton::linkFont() const {
    QFont f = font();
    f.setUnderline(true);
    return f;
}

QSize LinkButton::sizeHint() const {
    const QFontMetrics fm(linkFont());
    return {fm.horizontalAdvance(text()) + 2, fm.height() + 2};
}

void LinkButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   isEnabled() ? QPalette::Link : QPalette::WindowText);
    if (m_hovered || isDown()) {
        color = color.lighter(isDown() ? 160 : 130);
    }
    p.setPen(color);
    p.setFont(linkFont());
    const QRect area = rect().adjusted(1, 0, -1, 0);
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

void LinkButton::enterEvent(QEnterEvent* e) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(e);
}

void LinkButton::leaveEvent(QEvent* e) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(e);
}

}  // namespace pelko
