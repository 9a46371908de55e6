#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "core/annotate/edit_history.h"

namespace pelko {

// The tools of the annotation tool bar.
enum class AnnotateTool {
    Select,
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Pen,
    Highlighter,
    Text,
    Marker,
    Redact,
    Pixelate,
    Crop,
};

// The picture of a tab with its annotations, drawn and edited with the mouse. Each finished
// drag is a step of the tab's history. Only what a mouse move changes is repainted: the old
// and the new bounds of the annotation under the pointer.
class AnnotationCanvas final : public QWidget {
  public:
    explicit AnnotationCanvas(QWidget* parent = nullptr);
    ~AnnotationCanvas() override;

    // The tab shown and edited; null shows picture alone (a tab whose file could not be read
    // keeps the picture seen before) and edits nothing.
    void setHistory(EditHistory* history, const Bitmap* picture = nullptr);
    EditHistory* history() const { return m_history; }
    // Shows the history's current step again, after an undo, a redo or a transform.
    void reload();

    void setTool(AnnotateTool tool);
    AnnotateTool tool() const { return m_tool; }
    // The colour and width of new annotations; with the select tool, the selected annotation
    // takes them too.
    void setColor(Rgb color);
    void setStrokeWidth(int width);
    Rgb color() const { return m_color; }
    int strokeWidth() const { return m_width; }

    std::optional<std::size_t> selected() const { return m_selected; }
    void select(std::optional<std::size_t> index);
    // Removes the selected annotation as a step of its own; nothing selected: nothing happens.
    void deleteSelected();

    // Called after every step the canvas commits; pictureChanged says the picture itself
    // changed (a crop), not only its annotations.
    std::function<void(bool pictureChanged)> committed;
    // Asks for the words of a text annotation, starting from `current` (empty for a new one);
    // none or empty cancels it.
    std::function<std::optional<std::string>(const std::string& current)> askText;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // With the select tool, a double click on a text annotation asks for its words again.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    enum class Drag { None, Drawing, Moving, Resizing, Cropping };

    const EditState* state() const;
    void rebuildLayer();
    // Shows a change of the live annotation at index from `before` to its present bounds.
    void changedAnnotation(const Annotation& before, const Annotation& after);
    void repaintArea(Box area);
    // Repaints the pieces of an annotation (its lines, not the inside of outlines) with its
    // handles and selection frame.
    void repaintAnnotation(const Annotation& a);
    void repaintBand(Box band);
    // The annotations in the redaction layer: all but the redaction being dragged.
    std::vector<Annotation> layerList() const;
    // Takes a redaction out of the layer while it is dragged (none: puts it back).
    // A redaction being drawn, moved or resized leaves the layer and shows as its outline;
    // its pixels are made once, where the drag ends.
    void outlineWhileDragged(std::size_t index);
    void hideFromLayer(std::optional<std::size_t> index);
    void commitLive();
    void commitCrop(Box area);
    Annotation newAnnotation(Pos at) const;

    EditHistory* m_history = nullptr;
    AnnotateTool m_tool = AnnotateTool::Select;
    Rgb m_color{230, 30, 30};
    int m_width = 3;

    // The picture without annotations at depth 24 or 32, and with its redactions.
    Bitmap m_base;
    Bitmap m_layer;
    QImage m_layerImage;
    // While a drag goes on: the layer with every annotation but the one dragged drawn in, made
    // at the first repaint of the drag, so that each move repaints its strips from it instead
    // of stroking the annotations it crosses again. Null otherwise.
    QImage m_dragBackdrop;
    void dropDragBackdrop() { m_dragBackdrop = QImage(); }
    // The annotation a drag changes (none while cropping).
    std::optional<std::size_t> draggedAnnotation() const;
    // The annotations shown: the current step's, changed by a drag until it is committed.
    std::vector<Annotation> m_live;
    std::optional<std::size_t> m_selected;
    std::optional<std::size_t> m_hidden;

    Drag m_drag = Drag::None;
    Pos m_pressAt;
    Pos m_dragAt;
    Annotation m_original;
    int m_handle = -1;
};

// The kind a drawing tool makes; none for Select and Crop.
std::optional<AnnotationKind> annotationKindOf(AnnotateTool tool);

}  // namespace pelko
