#include "core/annotate/annotation.h"

#include <algorithm>
#include <cmath>

namespace pelko {

namespace {

// Distance from p to the segment a-b.
double segmentDistance(Pos p, Pos a, Pos b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

bool nearPath(const std::vector<Pos>& points, Pos p, double reach) {
    if (points.size() == 1) {
        return segmentDistance(p, points[0], points[0]) <= reach;
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (segmentDistance(p, points[i - 1], points[i]) <= reach) {
            return true;
        }
    }
    return false;
}

// Whether p lies within reach of the outline of the ellipse inscribed in box.
bool nearEllipse(const Box& box, Pos p, double reach) {
    const double rx = box.w / 2.0, ry = box.h / 2.0;
    const double cx = box.x + rx, cy = box.y + ry;
    const double dx = p.x + 0.5 - cx, dy = p.y + 0.5 - cy;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r == 0) {
        return std::min(rx, ry) <= reach;
    }
    // The outline's distance from the centre in the direction of p.
    const double ux = dx / r, uy = dy / r;
    const double edge = 1.0 / std::sqrt((ux * ux) / (rx * rx) + (uy * uy) / (ry * ry));
    return std::abs(r - edge) <= reach;
}

}  // namespace

bool isRedaction(AnnotationKind kind) {
    return kind == AnnotationKind::Redact || kind == AnnotationKind::Pixelate;
}

bool isPath(AnnotationKind kind) {
    return kind == AnnotationKind::Pen || kind == AnnotationKind::Highlighter;
}

bool isSegment(AnnotationKind kind) {
    return kind == AnnotationKind::Arrow || kind == AnnotationKind::Line;
}

int arrowHeadLength(int width) {
    return 3 * width + 8;
}

Box shapeBox(const Annotation& a) {
    if (a.points.empty()) {
        return {};
    }
    Box box = Box::spanning(a.points[0], a.points[0]);
    for (const Pos& p : a.points) {
        box = box.united(Box::spanning(p, p));
    }
    return box;
}

Box paintBounds(const Annotation& a) {
    const Box box = shapeBox(a);
    if (box.empty()) {
        return box;
    }
    switch (a.kind) {
        case AnnotationKind::Redact:
        case AnnotationKind::Pixelate:
            return box;
        case AnnotationKind::Text:
        case AnnotationKind::Marker:
            // The outline around the letters and anti-aliasing.
            return box.adjusted(3);
        case AnnotationKind::Arrow:
            return box.adjusted(arrowHeadLength(a.width) + a.width + 2);
        default:
            return box.adjusted(a.width / 2 + 2);
    }
}

namespace {

// Boxes along the segment from p to q, each at most kPiece pixels long, grown by margin.
void addSegmentPieces(std::vector<Box>& out, Pos p, Pos q, int margin) {
    constexpr int kPiece = 48;
    const int steps = std::max(1, std::max(std::abs(q.x - p.x), std::abs(q.y - p.y)) / kPiece);
    Pos from = p;
    for (int i = 1; i <= steps; ++i) {
        const Pos to{p.x + (q.x - p.x) * i / steps, p.y + (q.y - p.y) * i / steps};
        out.push_back(Box::spanning(from, to).adjusted(margin));
        from = to;
    }
}

}  // namespace

std::vector<Box> paintPieces(const Annotation& a) {
    const Box box = shapeBox(a);
    if (box.empty()) {
        return {};
    }
    std::vector<Box> out;
    const int margin = a.width / 2 + 3;
    switch (a.kind) {
        case AnnotationKind::Arrow: {
            addSegmentPieces(out, a.points.front(), a.points.back(), margin);
            const Pos tip = a.points.back();
            out.push_back(Box::spanning(tip, tip).adjusted(arrowHeadLength(a.width) + a.width + 2));
            return out;
        }
        case AnnotationKind::Line:
            addSegmentPieces(out, a.points.front(), a.points.back(), margin);
            return out;
        case AnnotationKind::Rectangle: {
            const Pos tl{box.x, box.y}, tr{box.right() - 1, box.y};
            const Pos br{box.right() - 1, box.bottom() - 1}, bl{box.x, box.bottom() - 1};
            for (auto [p, q] : {std::pair{tl, tr}, {tr, br}, {br, bl}, {bl, tl}}) {
                out.push_back(Box::spanning(p, q).adjusted(margin));
            }
            return out;
        }
        case AnnotationKind::Ellipse: {
            constexpr int kSteps = 64;
            const double rx = box.w / 2.0, ry = box.h / 2.0;
            const double cx = box.x + rx, cy = box.y + ry;
            const auto at = [&](int i) {
                const double t = 2 * 3.141592653589793 * i / kSteps;
                return Pos{int(std::lround(cx + rx * std::cos(t))),
                           int(std::lround(cy + ry * std::sin(t)))};
            };
            for (int i = 0; i < kSteps; ++i) {
                // A chord stays inside the curve by at most a few pixels at these steps.
                out.push_back(Box::spanning(at(i), at(i + 1)).adjusted(margin + 2));
            }
            return out;
        }
        case AnnotationKind::Pen:
        case AnnotationKind::Highlighter:
            for (std::size_t i = 0; i < a.points.size(); ++i) {
                addSegmentPieces(out, a.points[i == 0 ? 0 : i - 1], a.points[i], margin);
            }
            return out;
        default:
            return {paintBounds(a)};
    }
}

bool hitTest(const Annotation& a, Pos p, int tolerance) {
    const Box box = shapeBox(a);
    if (box.empty()) {
        return false;
    }
    const double reach = tolerance + a.width / 2.0;
    switch (a.kind) {
        case AnnotationKind::Arrow:
        case AnnotationKind::Line:
            return nearPath(a.points, p, reach);
        case AnnotationKind::Pen:
        case AnnotationKind::Highlighter:
            return nearPath(a.points, p, reach);
        case AnnotationKind::Rectangle: {
            const Box outer = box.adjusted(int(std::ceil(reach)));
            const Box inner = box.adjusted(-int(std::ceil(reach)));
            return outer.contains(p) && !inner.contains(p);
        }
        case AnnotationKind::Ellipse:
            return nearEllipse(box, p, reach);
        case AnnotationKind::Text:
        case AnnotationKind::Marker:
        case AnnotationKind::Redact:
        case AnnotationKind::Pixelate:
            return box.adjusted(tolerance).contains(p);
    }
    return false;
}

std::optional<std::size_t> annotationAt(const std::vector<Annotation>& list, Pos p, int tolerance) {
    for (std::size_t i = list.size(); i-- > 0;) {
        if (hitTest(list[i], p, tolerance)) {
            return i;
        }
    }
    return std::nullopt;
}

Annotation moved(const Annotation& a, int dx, int dy) {
    Annotation out = a;
    for (Pos& p : out.points) {
        p.x += dx;
        p.y += dy;
    }
    return out;
}

std::vector<Pos> handles(const Annotation& a) {
    if (a.points.empty()) {
        return {};
    }
    if (isSegment(a.kind)) {
        return {a.points.front(), a.points.back()};
    }
    const Box box = shapeBox(a);
    return {{box.x, box.y},
            {box.right() - 1, box.y},
            {box.right() - 1, box.bottom() - 1},
            {box.x, box.bottom() - 1}};
}

std::optional<int> handleAt(const Annotation& a, Pos p, int tolerance) {
    const std::vector<Pos> hs = handles(a);
    for (std::size_t i = 0; i < hs.size(); ++i) {
        if (std::abs(hs[i].x - p.x) <= tolerance && std::abs(hs[i].y - p.y) <= tolerance) {
            return int(i);
        }
    }
    return std::nullopt;
}

Annotation withHandleAt(const Annotation& a, int h, Pos p) {
    Annotation out = a;
    if (a.points.empty() || h < 0) {
        return out;
    }
    if (isSegment(a.kind)) {
        (h == 0 ? out.points.front() : out.points.back()) = p;
        return out;
    }
    const Box box = shapeBox(a);
    const std::vector<Pos> hs = handles(a);
    if (std::size_t(h) >= hs.size()) {
        return out;
    }
    const Pos fixed = hs[std::size_t((h + 2) % 4)];
    const Box target = Box::spanning(fixed, p);
    // Each point keeps its place relative to the box: the corners of a two-point box land on
    // the new corners, a path is stretched. A flip across the fixed corner mirrors the shape.
    const bool flipX = p.x < fixed.x ? fixed.x == box.x : fixed.x != box.x;
    const bool flipY = p.y < fixed.y ? fixed.y == box.y : fixed.y != box.y;
    for (Pos& q : out.points) {
        const double fx = box.w > 1 ? double(q.x - box.x) / (box.w - 1) : 0.0;
        const double fy = box.h > 1 ? double(q.y - box.y) / (box.h - 1) : 0.0;
        const double gx = flipX ? 1.0 - fx : fx;
        const double gy = flipY ? 1.0 - fy : fy;
        q.x = target.x + int(std::lround(gx * (target.w - 1)));
        q.y = target.y + int(std::lround(gy * (target.h - 1)));
    }
    return out;
}

int markerNumber(const std::vector<Annotation>& list, std::size_t index) {
    if (index >= list.size() || list[index].kind != AnnotationKind::Marker) {
        return 0;
    }
    int n = 0;
    for (std::size_t i = 0; i <= index; ++i) {
        n += list[i].kind == AnnotationKind::Marker ? 1 : 0;
    }
    return n;
}

}  // namespace pelko
