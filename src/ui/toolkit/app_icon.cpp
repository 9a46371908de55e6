#include "ui/toolkit/app_icon.h"

#include <algorithm>

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace pelko {

namespace {

// A camera in a square of side s, at (x, y).
void drawCamera(QPainter& p, qreal x, qreal y, qreal s) {
    p.save();
    p.translate(x, y);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(s * 0.06, s * 0.26, s * 0.88, s * 0.62);
    QPainterPath shape;
    shape.addRoundedRect(body, s * 0.12, s * 0.12);
    shape.addRoundedRect(QRectF(s * 0.30, s * 0.14, s * 0.40, s * 0.20), s * 0.06, s * 0.06);
    shape.setFillRule(Qt::WindingFill);
    QLinearGradient bodyFill(0, body.top(), 0, body.bottom());
    bodyFill.setColorAt(0, QColor(0x5b, 0x9b, 0xf0));
    bodyFill.setColorAt(1, QColor(0x1f, 0x5c, 0xc4));
    p.setPen(QPen(QColor(0x16, 0x3f, 0x8a), qMax(1.0, s / 24)));
    p.setBrush(bodyFill);
    p.drawPath(shape.simplified());

    const QPointF centre(s * 0.5, s * 0.58);
    const qreal r = s * 0.24;
    p.setPen(QPen(QColor(0xf4, 0xf7, 0xfc), qMax(1.0, s / 16)));
    QRadialGradient lens(centre - QPointF(r * 0.3, r * 0.3), r * 1.2);
    lens.setColorAt(0, QColor(0x9f, 0xd4, 0xff));
    lens.setColorAt(0.5, QColor(0x24, 0x4a, 0x80));
    lens.setColorAt(1, QColor(0x0c, 0x1c, 0x38));
    p.setBrush(lens);
    p.drawEllipse(centre, r, r);

    if (s >= 20) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xff, 0xd3, 0x5c));
        p.drawRoundedRect(QRectF(s * 0.14, s * 0.34, s * 0.12, s * 0.07), s * 0.02, s * 0.02);
    }
    p.restore();
}

QPixmap iconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    drawCamera(p, 0, 0, size);
    return pm;
}

}  // namespace

QIcon pelkoIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        icon.addPixmap(iconPixmap(size));
    }
    return icon;
}

QIcon countdownIcon(int secondsLeft) {
    QIcon icon;
    const QString text = QString::number(secondsLeft);
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd0, 0x3a, 0x2f));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
        QFont font = p.font();
        font.setBold(true);
        // Two digits and more get a smaller face so that they fit the badge.
        font.setPixelSize(std::max(6, int(size * (text.size() > 1 ? 0.5 : 0.7))));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, text);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap aboutBanner(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(0x1b, 0x3f, 0x86));
    sky.setColorAt(1, QColor(0x3d, 0x86, 0xe0));
    p.fillRect(pm.rect(), sky);
    // Soft light rings behind the name, like out-of-focus highlights.
    p.setPen(Qt::NoPen);
    for (const auto& [cx, cy, r, alpha] :
         {std::tuple{0.78, 0.2, 0.55, 28}, std::tuple{0.95, 0.9, 0.35, 22},
          std::tuple{0.6, 1.1, 0.3, 18}}) {
        p.setBrush(QColor(255, 255, 255, alpha));
        p.drawEllipse(QPointF(width * cx, height * cy), height * r, height * r);
    }

    const qreal iconSide = height - 16;
    drawCamera(p, 12, 8, iconSide);

    QFont title = p.font();
    title.setPixelSize(qRound(height * 0.42));
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    const qreal textLeft = 12 + iconSide + 12;
    p.drawText(QRectF(textLeft, 4, width - textLeft, height * 0.62),
               Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Pelko"));

    QFont sub = p.font();
    sub.setBold(false);
    sub.setPixelSize(qRound(height * 0.19));
    p.setFont(sub);
    p.setPen(QColor(0xdc, 0xe8, 0xfa));
    p.drawText(QRectF(textLeft, height * 0.64, width - textLeft, height * 0.34),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Screen capture for the desktop"));
    p.end();
    return pm;
}

}  // namespace pelko
