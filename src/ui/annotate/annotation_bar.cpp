#include "ui/annotate/annotation_bar.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

#include "ui/toolkit/color_box.h"

namespace pelko {

namespace {

struct ToolDesign {
    AnnotateTool tool;
    const char* name;
    const char* hint;
};

constexpr ToolDesign kTools[] = {
    {AnnotateTool::Select, "toolSelect", "Select, move and resize annotations"},
    {AnnotateTool::Arrow, "toolArrow", "Arrow"},
    {AnnotateTool::Line, "toolLine", "Line"},
    {AnnotateTool::Rectangle, "toolRectangle", "Rectangle"},
    {AnnotateTool::Ellipse, "toolEllipse", "Ellipse"},
    {AnnotateTool::Pen, "toolPen", "Freehand pen"},
    {AnnotateTool::Highlighter, "toolHighlighter", "Highlighter"},
    {AnnotateTool::Text, "toolText", "Text"},
    {AnnotateTool::Marker, "toolMarker", "Numbered marker"},
    {AnnotateTool::Redact, "toolRedact", "Redact: cover with a solid box"},
    {AnnotateTool::Pixelate, "toolPixelate", "Pixelate beyond recovery"},
    {AnnotateTool::Crop, "toolCrop", "Crop image"},
};

// The tools' small pictures, drawn so that they follow no theme's icon set.
QIcon toolIcon(AnnotateTool tool) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (tool) {
        case AnnotateTool::Select: {
            QPainterPath pointer;
            pointer.moveTo(4, 2);
            pointer.lineTo(4, 14);
            pointer.lineTo(7, 11);
            pointer.lineTo(9.5, 15);
            pointer.lineTo(11, 14);
            pointer.lineTo(8.5, 10);
            pointer.lineTo(12, 10);
            pointer.closeSubpath();
            p.setBrush(Qt::white);
            p.drawPath(pointer);
            break;
        }
        case AnnotateTool::Arrow:
            p.drawLine(QPointF(2.5, 13.5), QPointF(12, 4));
            p.setBrush(ink);
            p.drawPolygon(QPolygonF({QPointF(14, 2), QPointF(8, 4), QPointF(12, 8)}));
            break;
        case AnnotateTool::Line:
            p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
            break;
        case AnnotateTool::Rectangle:
            p.drawRect(QRectF(2.5, 3.5, 11, 9));
            break;
        case AnnotateTool::Ellipse:
            p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
            break;
        case AnnotateTool::Pen: {
            QPainterPath squiggle;
            squiggle.moveTo(2, 12);
            squiggle.cubicTo(5, 2, 8, 16, 14, 4);
            p.drawPath(squiggle);
            break;
        }
        case AnnotateTool::Highlighter:
            p.setPen(QPen(QColor(250, 210, 0, 200), 6, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(1, 9), QPointF(15, 9));
            p.setPen(QPen(ink, 1.2));
            p.drawLine(QPointF(3, 9), QPointF(13, 9));
            break;
        case AnnotateTool::Text: {
            QFont font;
            font.setPixelSize(14);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("T"));
            break;
        }
        case AnnotateTool::Marker: {
            p.setBrush(QColor(220, 40, 40));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(1, 1, 14, 14));
            QFont font;
            font.setPixelSize(10);
            font.setBold(true);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("1"));
            break;
        }
        case AnnotateTool::Redact:
            p.fillRect(QRectF(1, 4, 14, 8), ink);
            break;
        case AnnotateTool::Pixelate:
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const int level = 60 + ((x * 7 + y * 13) % 5) * 40;
                    p.fillRect(QRectF(x * 4, y * 4, 4, 4), QColor(level, level, level));
                }
            }
            break;
        case AnnotateTool::Crop:
            p.drawLine(QPointF(4.5, 1), QPointF(4.5, 11.5));
            p.drawLine(QPointF(4.5, 11.5), QPointF(15, 11.5));
            p.drawLine(QPointF(1, 4.5), QPointF(11.5, 4.5));
            p.drawLine(QPointF(11.5, 4.5), QPointF(11.5, 15));
            break;
    }
    return QIcon(pixmap);
}

Rgb fromQColor(const QColor& c) {
    return {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

}  // namespace

AnnotationBar::AnnotationBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("sToolBar3"));
    setFixedHeight(29);
    setIconSize(QSize(16, 16));

    addButton("sbOpen", QStringLiteral("Open an image in a new tab"),
              style()->standardIcon(QStyle::SP_DialogOpenButton))
        ->setText(QStringLiteral("Open"));
    findChild<QToolButton*>(QStringLiteral("sbOpen"))
        ->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_undo = addButton("sbUndo", QStringLiteral("Undo (Ctrl+Z)"),
                       style()->standardIcon(QStyle::SP_ArrowBack));
    m_redo = addButton("sbRedo", QStringLiteral("Redo (Ctrl+Shift+Z)"),
                       style()->standardIcon(QStyle::SP_ArrowForward));
    connect(findChild<QToolButton*>(QStringLiteral("sbOpen")), &QToolButton::clicked, this, [this] {
        if (openClicked) {
            openClicked();
        }
    });
    connect(m_undo, &QToolButton::clicked, this, [this] {
        if (undoClicked) {
            undoClicked();
        }
    });
    connect(m_redo, &QToolButton::clicked, this, [this] {
        if (redoClicked) {
            redoClicked();
        }
    });
    addSeparator();

    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const ToolDesign& design : kTools) {
        QToolButton* button =
            addButton(design.name, QString::fromLatin1(design.hint), toolIcon(design.tool));
        button->setCheckable(true);
        group->addButton(button);
        m_tools.emplace_back(design.tool, button);
        const AnnotateTool tool = design.tool;
        connect(button, &QToolButton::clicked, this, [this, tool] {
            if (toolChosen) {
                toolChosen(tool);
            }
        });
    }
    addSeparator();

    m_color = new ColorBox(this);
    m_color->setObjectName(QStringLiteral("annotateColor"));
    m_color->setToolTip(QStringLiteral("Colour of annotations"));
    addWidget(m_color);
    connect(m_color, &ColorBox::colorChanged, this, [this] {
        if (colorChosen) {
            colorChosen(fromQColor(m_color->color()));
        }
    });
    auto* widthLabel = new QLabel(QStringLiteral(" Width "), this);
    addWidget(widthLabel);
    m_width = new QSpinBox(this);
    m_width->setObjectName(QStringLiteral("annotateWidth"));
    m_width->setToolTip(QStringLiteral("Width of lines, size of text and markers"));
    m_width->setRange(1, 20);
    addWidget(m_width);
    connect(m_width, &QSpinBox::valueChanged, this, [this](int value) {
        if (widthChosen) {
            widthChosen(value);
        }
    });
    setTool(AnnotateTool::Select);
}

QToolButton* AnnotationBar::addButton(const char* name, const QString& hint, const QIcon& icon) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addWidget(button);
    return button;
}

void AnnotationBar::setTool(AnnotateTool tool) {
    for (auto& [t, button] : m_tools) {
        if (t == tool) {
            button->setChecked(true);
        }
    }
}

void AnnotationBar::setChoices(Rgb color, int width) {
    const QSignalBlocker quietColor(m_color);
    const QSignalBlocker quietWidth(m_width);
    m_color->setColorValue(std::int32_t(toColorRef(color)));
    m_width->setValue(width);
}

void AnnotationBar::setUndoRedo(bool canUndo, bool canRedo) {
    m_undo->setEnabled(canUndo);
    m_redo->setEnabled(canRedo);
}

}  // namespace pelko
