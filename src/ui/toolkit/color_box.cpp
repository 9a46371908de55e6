#include "ui/toolkit/color_box.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace pelko {

namespace {

struct NamedColor {
    const char* name;
    QRgb rgb;
};

// The sixteen standard colours, then the extended ones.
constexpr NamedColor kColors[] = {
    {"Black", 0x000000},      {"Maroon", 0x800000},      {"Green", 0x008000},
    {"Olive", 0x808000},      {"Navy", 0x000080},        {"Purple", 0x800080},
    {"Teal", 0x008080},       {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0xFF0000},        {"Lime", 0x00FF00},        {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},       {"Fuchsia", 0xFF00FF},     {"Aqua", 0x00FFFF},
    {"White", 0xFFFFFF},      {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xA6CAF0},
    {"Cream", 0xFFFBF0},      {"Medium Gray", 0xA0A0A4}, {"Orange", 0xFFA500},
    {"Brown", 0xA52A2A},      {"Pink", 0xFFC0CB},        {"Gold", 0xFFD700},
    {"Light Gray", 0xD3D3D3}, {"Dark Gray", 0x404040},
};

constexpr int kOtherRole = Qt::UserRole + 1;

QIcon swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    addColor(Qt::white, QStringLiteral("Automatic"));
    for (const NamedColor& c : kColors) {
        addColor(QColor(c.rgb), QString::fromLatin1(c.name));
    }
    addItem(QStringLiteral("Other..."));
    setItemData(count() - 1, true, kOtherRole);
    setCurrentIndex(0);
    connect(this, &QComboBox::activated, this, &ColorBox::activatedAt);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && !itemData(index, kOtherRole).toBool()) {
            m_current = index;
            emit colorChanged(colorValue());
        }
    });
}

void ColorBox::addColor(const QColor& color, const QString& name) {
    // Before "Other..." when it is there already.
    const int at =
        count() > 0 && itemData(count() - 1, kOtherRole).toBool() ? count() - 1 : count();
    insertItem(at, swatch(color), name, color);
}

int ColorBox::indexOfColor(const QColor& color) const {
    for (int i = 0; i < count(); ++i) {
        const QVariant stored = itemData(i);
        if (stored.canConvert<QColor>() && !itemData(i, kOtherRole).toBool() &&
            stored.value<QColor>().rgb() == color.rgb()) {
            return i;
        }
    }
    return -1;
}

void ColorBox::activatedAt(int index) {
    if (!itemData(index, kOtherRole).toBool()) {
        return;
    }
    const QColor chosen = QColorDialog::getColor(color(), this, QStringLiteral("Color"));
    if (chosen.isValid()) {
        setColorValue(toColorRef(chosen));
    } else {
        setCurrentIndex(m_current);
    }
}

QColor ColorBox::color() const {
    return itemData(m_current).value<QColor>();
}

std::int32_t ColorBox::colorValue() const {
    return toColorRef(color());
}

void ColorBox::setColorValue(std::int32_t value) {
    const QColor c = fromColorRef(value);
    int index = indexOfColor(c);
    if (index < 0) {
        addColor(c, c.name(QColor::HexRgb).toUpper());
        index = indexOfColor(c);
    }
    setCurrentIndex(index);
    m_current = index;
}

QColor ColorBox::fromColorRef(std::int32_t value) {
    const auto v = std::uint32_t(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::int32_t ColorBox::toColorRef(const QColor& color) {
    return std::int32_t(std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8) |
                        (std::uint32_t(color.blue()) << 16));
}

}  // namespace pelko
