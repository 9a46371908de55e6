#include "ui/annotate/annotation_canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <random>

#include "core/annotate/flatten.h"
#include "core/annotate/redaction.h"
#include "ui/annotate/shape_painter.h"

namespace pelko {

namespace {

// How near a click must come to an outline or a handle, in pixels.
constexpr int kPickTolerance = 4;
// Half the side of a drawn handle, and what selection outlines and handles add to the area a
// change repaints.
constexpr int kHandleHalf = 3;
constexpr int kSelectionMargin = kHandleHalf + 3;

QRect toQRect(Box r) {
    return {r.x, r.y, r.w, r.h};
}

Pos pointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

// A fresh secret for a pixelation's noise.
std::uint64_t freshSeed() {
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ device();
}

}  // namespace

std::optional<AnnotationKind> annotationKindOf(AnnotateTool tool) {
    switch (tool) {
        case AnnotateTool::Arrow:
            return AnnotationKind::Arrow;
        case AnnotateTool::Line:
            return AnnotationKind::Line;
        case AnnotateTool::Rectangle:
            return AnnotationKind::Rectangle;
        case AnnotateTool::Ellipse:
            return AnnotationKind::Ellipse;
        case AnnotateTool::Pen:
            return AnnotationKind::Pen;
        case AnnotateTool::Highlighter:
            return AnnotationKind::Highlighter;
        case AnnotateTool::Text:
            return AnnotationKind::Text;
        case AnnotateTool::Marker:
            return AnnotationKind::Marker;
        case AnnotateTool::Redact:
            return AnnotationKind::Redact;
        case AnnotateTool::Pixelate:
            return AnnotationKind::Pixelate;
        case AnnotateTool::Select:
        case AnnotateTool::Crop:
            break;
    }
    return std::nullopt;
}

AnnotationCanvas::AnnotationCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

AnnotationCanvas::~AnnotationCanvas() = default;

const EditState* AnnotationCanvas::state() const {
    return m_history ? &m_history->current() : nullptr;
}

void AnnotationCanvas::setHistory(EditHistory* history, const Bitmap* picture) {
    m_history = history;
    m_drag = Drag::None;
    dropDragBackdrop();
    m_hidden.reset();
    if (history == nullptr) {
        m_live.clear();
        m_selected.reset();
        m_base = picture == nullptr || picture->empty()
                     ? Bitmap()
                     : (picture->indexed() ? picture->toDepth24() : *picture);
        m_layer = m_base;
        m_layerImage = m_layer.empty() ? QImage() : wrapBitmap(m_layer);
        setFixedSize(m_layer.width(), m_layer.height());
        update();
        return;
    }
    reload();
}

void AnnotationCanvas::reload() {
    m_drag = Drag::None;
    dropDragBackdrop();
    m_hidden.reset();
    if (const EditState* s = state(); s != nullptr && s->picture) {
        m_base = s->picture->indexed() ? s->picture->toDepth24() : *s->picture;
        m_live = s->annotations;
    } else {
        m_base = Bitmap();
        m_live.clear();
    }
    if (m_selected && *m_selected >= m_live.size()) {
        m_selected.reset();
    }
    rebuildLayer();
    setFixedSize(m_layer.width(), m_layer.height());
    update();
}

void AnnotationCanvas::rebuildLayer() {
    m_layer = m_base;
    if (!m_layer.empty()) {
        rebuildRedactions(m_layer, m_base, layerList(), {0, 0, m_layer.width(), m_layer.height()});
    }
    m_layerImage = m_layer.empty() ? QImage() : wrapBitmap(m_layer);
}

void AnnotationCanvas::setTool(AnnotateTool tool) {
    m_tool = tool;
    if (tool != AnnotateTool::Select) {
        // A colour chosen for the next annotation must not change the last one.
        select(std::nullopt);
    }
    setCursor(tool == AnnotateTool::Select ? Qt::ArrowCursor : Qt::CrossCursor);
}

void AnnotationCanvas::setColor(Rgb color) {
    m_color = color;
    if (m_tool == AnnotateTool::Select && m_selected && m_history &&
        m_live[*m_selected].color != color) {
        const Annotation before = m_live[*m_selected];
        m_live[*m_selected].color = color;
        changedAnnotation(before, m_live[*m_selected]);
        commitLive();
    }
}

void AnnotationCanvas::setStrokeWidth(int width) {
    m_width = std::clamp(width, 1, 40);
    if (m_tool == AnnotateTool::Select && m_selected && m_history &&
        m_live[*m_selected].width != m_width) {
        const Annotation before = m_live[*m_selected];
        m_live[*m_selected].width = m_width;
        changedAnnotation(before, m_live[*m_selected]);
        commitLive();
    }
}

void AnnotationCanvas::select(std::optional<std::size_t> index) {
    if (index && *index >= m_live.size()) {
        index.reset();
    }
    if (m_selected == index) {
        return;
    }
    if (m_selected) {
        repaintArea(paintBounds(m_live[*m_selected]));
    }
    m_selected = index;
    if (m_selected) {
        repaintArea(paintBounds(m_live[*m_selected]));
    }
}

void AnnotationCanvas::deleteSelected() {
    if (!m_selected || !m_history) {
        return;
    }
    const Annotation gone = m_live[*m_selected];
    m_live.erase(m_live.begin() + std::ptrdiff_t(*m_selected));
    m_selected.reset();
    changedAnnotation(gone, gone);
    if (gone.kind == AnnotationKind::Marker) {
        // The markers after it are renumbered.
        for (const Annotation& a : m_live) {
            if (a.kind == AnnotationKind::Marker) {
                repaintArea(paintBounds(a));
            }
        }
    }
    commitLive();
}

void AnnotationCanvas::changedAnnotation(const Annotation& before, const Annotation& after) {
    if (isRedaction(before.kind) && !m_layer.empty() && !m_hidden) {
        dropDragBackdrop();  // the layer changes
        const Box area = rebuildRedactions(m_layer, m_base, layerList(),
                                           shapeBox(before).united(shapeBox(after)));
        repaintArea(area);
    }
    repaintAnnotation(before);
    repaintAnnotation(after);
}

std::vector<Annotation> AnnotationCanvas::layerList() const {
    std::vector<Annotation> list = m_live;
    if (m_hidden && *m_hidden < list.size()) {
        list.erase(list.begin() + std::ptrdiff_t(*m_hidden));
    }
    return list;
}

void AnnotationCanvas::outlineWhileDragged(std::size_t index) {
    if (index < m_live.size() && isRedaction(m_live[index].kind)) {
        hideFromLayer(index);
    }
}

void AnnotationCanvas::hideFromLayer(std::optional<std::size_t> index) {
    if (m_hidden == index) {
        return;
    }
    const std::optional<std::size_t> was = m_hidden;
    m_hidden = index;
    dropDragBackdrop();  // the layer changes
    const std::size_t changed = index ? *index : *was;
    if (changed < m_live.size() && !m_layer.empty()) {
        repaintArea(rebuildRedactions(m_layer, m_base, layerList(), shapeBox(m_live[changed])));
    }
}

void AnnotationCanvas::repaintAnnotation(const Annotation& a) {
    // A redaction being dragged shows as its outline; its box is rebuilt when the drag ends.
    const bool outline = isRedaction(a.kind) && m_drag != Drag::None;
    Annotation shown = a;
    if (outline) {
        shown.kind = AnnotationKind::Rectangle;
        shown.width = 1;
    }
    QRegion region;
    for (const Box& piece : paintPieces(shown)) {
        region += toQRect(piece);
    }
    for (const Pos& h : handles(a)) {
        region += toQRect(Box::spanning(h, h).adjusted(kSelectionMargin));
    }
    if (isSegment(a.kind) || !outline) {
        // The dashed frame of a selected box.
        Annotation frame = a;
        frame.kind = AnnotationKind::Rectangle;
        frame.width = 1;
        for (const Box& piece : paintPieces(frame)) {
            region += toQRect(piece);
        }
    }
    update(region);
}

void AnnotationCanvas::repaintBand(Box band) {
    Annotation frame;
    frame.kind = AnnotationKind::Rectangle;
    frame.width = 1;
    frame.points = {{band.x, band.y}, {band.right() - 1, band.bottom() - 1}};
    QRegion region;
    for (const Box& piece : paintPieces(frame)) {
        region += toQRect(piece);
    }
    update(region);
}

void AnnotationCanvas::repaintArea(Box area) {
    if (!area.empty()) {
        update(toQRect(area.adjusted(kSelectionMargin)));
    }
}

void AnnotationCanvas::commitLive() {
    if (const EditState* s = state()) {
        m_history->commit(EditState{s->picture, m_live});
        if (committed) {
            committed(false);
        }
    }
}

void AnnotationCanvas::commitCrop(Box area) {
    const EditState* s = state();
    if (s == nullptr) {
        return;
    }
    std::optional<EditState> next = cropState(*s, area);
    if (!next) {
        return;
    }
    m_history->commit(std::move(*next));
    m_selected.reset();
    reload();
    if (committed) {
        committed(true);
    }
}

Annotation AnnotationCanvas::newAnnotation(Pos at) const {
    Annotation a;
    a.kind = annotationKindOf(m_tool).value_or(AnnotationKind::Rectangle);
    a.points = {at, at};
    if (isPath(a.kind)) {
        a.points = {at};
    }
    a.color = m_color;
    a.width = a.kind == AnnotationKind::Highlighter ? m_width * 4 + 6 : m_width;
    if (a.kind == AnnotationKind::Pixelate) {
        a.seed = freshSeed();
    }
    return a;
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || state() == nullptr || m_drag != Drag::None) {
        return;
    }
    const Pos at = pointOf(event);
    m_pressAt = m_dragAt = at;
    switch (m_tool) {
        case AnnotateTool::Select:
            if (m_selected) {
                if (auto h = handleAt(m_live[*m_selected], at, kPickTolerance)) {
                    m_handle = *h;
                    m_original = m_live[*m_selected];
                    m_drag = Drag::Resizing;
                    outlineWhileDragged(*m_selected);
                    return;
                }
            }
            select(annotationAt(m_live, at, kPickTolerance));
            if (m_selected) {
                m_original = m_live[*m_selected];
                m_drag = Drag::Moving;
                outlineWhileDragged(*m_selected);
            }
            return;
        case AnnotateTool::Crop:
            m_drag = Drag::Cropping;
            return;
        case AnnotateTool::Text: {
            const std::optional<std::string> words =
                askText ? askText(std::string()) : std::nullopt;
            if (!words || words->empty()) {
                return;
            }
            Annotation a = newAnnotation(at);
            a.text = *words;
            const Box box = textBox(a.text, a.width, at);
            a.points = {{box.x, box.y}, {box.right() - 1, box.bottom() - 1}};
            m_live.push_back(a);
            select(m_live.size() - 1);
            changedAnnotation(a, a);
            commitLive();
            return;
        }
        case AnnotateTool::Marker: {
            Annotation a = newAnnotation(at);
            const int radius = 9 + 2 * a.width;
            a.points = {{at.x - radius, at.y - radius}, {at.x + radius, at.y + radius}};
            m_live.push_back(a);
            select(m_live.size() - 1);
            changedAnnotation(a, a);
            commitLive();
            return;
        }
        default:
            m_live.push_back(newAnnotation(at));
            select(m_live.size() - 1);
            changedAnnotation(m_live.back(), m_live.back());
            m_drag = Drag::Drawing;
            outlineWhileDragged(m_live.size() - 1);
            return;
    }
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag == Drag::None) {
        return;
    }
    const Pos at = pointOf(event);
    const Pos previous = m_dragAt;
    m_dragAt = at;
    switch (m_drag) {
        case Drag::Drawing: {
            Annotation& a = m_live.back();
            const Annotation before = a;
            if (isPath(a.kind)) {
                a.points.push_back(at);
                // Only the new piece of the path needs painting.
                Annotation piece = a;
                piece.points = {before.points.back(), at};
                repaintArea(paintBounds(piece));
                return;
            }
            a.points[1] = at;
            changedAnnotation(before, a);
            return;
        }
        case Drag::Moving:
        case Drag::Resizing: {
            Annotation& a = m_live[*m_selected];
            const Annotation before = a;
            a = m_drag == Drag::Moving ? moved(m_original, at.x - m_pressAt.x, at.y - m_pressAt.y)
                                       : withHandleAt(m_original, m_handle, at);
            changedAnnotation(before, a);
            return;
        }
        case Drag::Cropping:
            repaintArea(Box::spanning(m_pressAt, previous).united(Box::spanning(m_pressAt, at)));
            return;
        case Drag::None:
            return;
    }
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag == Drag::None) {
        return;
    }
    const Drag drag = m_drag;
    const Pos at = pointOf(event);
    if (m_selected && *m_selected < m_live.size()) {
        repaintAnnotation(m_live[*m_selected]);  // the outline of a redaction goes
    }
    m_drag = Drag::None;
    dropDragBackdrop();
    if (m_hidden) {
        // The dragged redaction joins the layer where the drag left it.
        hideFromLayer(std::nullopt);
    }
    switch (drag) {
        case Drag::Drawing: {
            const Annotation& a = m_live.back();
            const Box box = shapeBox(a);
            // A click without a drag draws nothing, except a dot of the pen.
            if (!isPath(a.kind) && box.w < 3 && box.h < 3) {
                const Annotation gone = a;
                m_live.pop_back();
                m_selected.reset();
                changedAnnotation(gone, gone);
                return;
            }
            commitLive();
            return;
        }
        case Drag::Moving:
        case Drag::Resizing:
            if (m_live[*m_selected] != m_original) {
                commitLive();
            }
            return;
        case Drag::Cropping: {
            repaintArea(Box::spanning(m_pressAt, at));
            // As on the screen selectors, the right and bottom edges are exclusive.
            const Box area{std::min(m_pressAt.x, at.x), std::min(m_pressAt.y, at.y),
                           std::abs(at.x - m_pressAt.x), std::abs(at.y - m_pressAt.y)};
            commitCrop(area);
            return;
        }
        case Drag::None:
            return;
    }
}

void AnnotationCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // The press before a double click starts a move that has not moved yet.
    if (m_drag == Drag::Moving && m_selected && m_live[*m_selected] == m_original) {
        m_drag = Drag::None;
        dropDragBackdrop();
        hideFromLayer(std::nullopt);
    }
    if (event->button() != Qt::LeftButton || m_tool != AnnotateTool::Select || !askText ||
        state() == nullptr || m_drag != Drag::None) {
        return;
    }
    const std::optional<std::size_t> hit = annotationAt(m_live, pointOf(event), kPickTolerance);
    if (!hit || m_live[*hit].kind != AnnotationKind::Text) {
        return;
    }
    const std::optional<std::string> words = askText(m_live[*hit].text);
    if (!words || words->empty() || *words == m_live[*hit].text) {
        return;
    }
    const Annotation before = m_live[*hit];
    Annotation& a = m_live[*hit];
    a.text = *words;
    // The letters keep their size: the box grows or shrinks with the words.
    const Box box = shapeBox(before);
    const Box fitted = textBox(a.text, a.width, {box.x, box.y});
    a.points = {{box.x, box.y}, {box.x + fitted.w * box.h / fitted.h - 1, box.bottom() - 1}};
    select(*hit);
    changedAnnotation(before, a);
    commitLive();
}

std::optional<std::size_t> AnnotationCanvas::draggedAnnotation() const {
    const bool changing =
        m_drag == Drag::Drawing || m_drag == Drag::Moving || m_drag == Drag::Resizing;
    return changing && m_selected && *m_selected < m_live.size() ? m_selected : std::nullopt;
}

void AnnotationCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRegion& region = event->region();
    const std::optional<std::size_t> dragged = draggedAnnotation();
    if (m_drag != Drag::None && m_dragBackdrop.isNull() && !m_layerImage.isNull()) {
        m_dragBackdrop = m_layerImage.copy();
        QPainter backdrop(&m_dragBackdrop);
        for (std::size_t i = 0; i < m_live.size(); ++i) {
            if (i != dragged && m_hidden != i && !isRedaction(m_live[i].kind)) {
                paintAnnotation(backdrop, m_live[i], markerNumber(m_live, i));
            }
        }
    }
    const bool fromBackdrop = m_drag != Drag::None && !m_dragBackdrop.isNull();
    const QImage& shown = fromBackdrop ? m_dragBackdrop : m_layerImage;
    const QRect image = shown.rect();
    for (const QRect& r : region) {
        const QRect inside = image.intersected(r);
        if (inside != r) {
            painter.fillRect(r, palette().window());
        }
        if (!inside.isEmpty()) {
            painter.drawImage(inside.topLeft(), shown, inside);
        }
    }
    painter.setClipRegion(region);
    // An annotation is drawn again only where a piece of it lies in the repainted region.
    const QRect bounds = region.boundingRect();
    const auto touches = [&region, &bounds](const Annotation& a) {
        if (!bounds.intersects(toQRect(paintBounds(a)))) {
            return false;
        }
        for (const Box& piece : paintPieces(a)) {
            if (region.intersects(toQRect(piece))) {
                return true;
            }
        }
        return false;
    };
    for (std::size_t i = 0; i < m_live.size(); ++i) {
        const Annotation& a = m_live[i];
        if (m_hidden == i) {
            // A redaction being drawn or dragged: its outline, dashed.
            const Box box = shapeBox(a);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
            painter.drawRect(QRect(box.x, box.y, box.w - 1, box.h - 1));
            painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
            painter.drawRect(QRect(box.x, box.y, box.w - 1, box.h - 1));
        } else if (!isRedaction(a.kind) && (!fromBackdrop || dragged == i) && touches(a)) {
            // From the backdrop, only the dragged annotation is drawn; it shows above the
            // others until the drag ends.
            paintAnnotation(painter, a, markerNumber(m_live, i));
        }
    }
    if (m_selected && *m_selected < m_live.size()) {
        const Annotation& a = m_live[*m_selected];
        const Box box = shapeBox(a);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
        if (!isSegment(a.kind) && m_hidden != m_selected) {
            painter.setPen(QPen(QColor(0, 120, 215), 1, Qt::DashLine));
            painter.drawRect(QRect(box.x, box.y, box.w - 1, box.h - 1));
        }
        painter.setPen(QPen(QColor(0, 120, 215), 1));
        painter.setBrush(Qt::white);
        for (const Pos& h : handles(a)) {
            painter.drawRect(h.x - kHandleHalf, h.y - kHandleHalf, 2 * kHandleHalf,
                             2 * kHandleHalf);
        }
    }
    if (m_drag == Drag::Cropping) {
        const Box band = Box::spanning(m_pressAt, m_dragAt);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        painter.drawRect(QRect(band.x, band.y, band.w - 1, band.h - 1));
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.drawRect(QRect(band.x, band.y, band.w - 1, band.h - 1));
    }
}

}  // namespace pelko
