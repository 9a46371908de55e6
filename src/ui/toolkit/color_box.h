#pragma once

#include <QColor>
#include <QComboBox>
#include <cstdint>

namespace pelko {

// A drop-down list of colours: the automatic colour (white), the sixteen standard colours, the
// extended colours and "Other...", which opens the colour dialog. A colour that is none of the
// listed ones gets an entry of its own. The value is a Windows colour value 0x00BBGGRR.
class ColorBox : public QComboBox {
    Q_OBJECT

  public:
    explicit ColorBox(QWidget* parent = nullptr);

    std::int32_t colorValue() const;
    // Bits above the low 24 are dropped.
    void setColorValue(std::int32_t value);
    QColor color() const;

    static QColor fromColorRef(std::int32_t value);
    static std::int32_t toColorRef(const QColor& color);

  signals:
    void colorChanged(std::int32_t value);

  private:
    void addColor(const QColor& color, const QString& name);
    int indexOfColor(const QColor& color) const;
    void activatedAt(int index);

    int m_current = 0;  // the entry shown before "Other..." was chosen
};

}  // namespace pelko
