#pragma once

#include <QToolBar>
#include <functional>

#include "core/image/bitmap.h"
#include "ui/annotate/annotation_canvas.h"

class QActionGroup;
class QSpinBox;
class QToolButton;

namespace pelko {

class ColorBox;

// The editor's third tool bar: Open, Undo and Redo, the annotation tools, and the colour and
// width of new annotations. It only reports what the user chose.
class AnnotationBar final : public QToolBar {
  public:
    explicit AnnotationBar(QWidget* parent = nullptr);

    void setTool(AnnotateTool tool);
    void setChoices(Rgb color, int width);
    void setUndoRedo(bool canUndo, bool canRedo);

    std::function<void(AnnotateTool)> toolChosen;
    std::function<void(Rgb)> colorChosen;
    std::function<void(int)> widthChosen;
    std::function<void()> openClicked;
    std::function<void()> undoClicked;
    std::function<void()> redoClicked;

  private:
    QToolButton* addButton(const char* name, const QString& hint, const QIcon& icon);

    QToolButton* m_undo = nullptr;
    QToolButton* m_redo = nullptr;
    std::vector<std::pair<AnnotateTool, QToolButton*>> m_tools;
    ColorBox* m_color = nullptr;
    QSpinBox* m_width = nullptr;
};

}  // namespace pelko
