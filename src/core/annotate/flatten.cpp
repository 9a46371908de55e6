#include "core/annotate/flatten.h"

#include <algorithm>

#include "core/annotate/redaction.h"

namespace pelko {

Bitmap flatten(const Bitmap& picture, const std::vector<Annotation>& list,
               const ShapeRenderer& renderer) {
    Bitmap out = picture.indexed() ? picture.toDepth24() : picture;
    flattenOnto(out, list, renderer);
    return out;
}

void flattenOnto(Bitmap& picture, const std::vector<Annotation>& list,
                 const ShapeRenderer& renderer) {
    for (const Annotation& a : list) {
        if (isRedaction(a.kind)) {
            applyRedaction(picture, a);
        }
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!isRedaction(list[i].kind)) {
            renderer.draw(picture, list[i], markerNumber(list, i));
        }
    }
}

std::optional<Bitmap> cropPicture(const Bitmap& picture, Box area) {
    const Box cut = area.intersected({0, 0, picture.width(), picture.height()});
    if (cut.empty()) {
        return std::nullopt;
    }
    Bitmap out(cut.w, cut.h, picture.depth());
    out.setPalette(picture.palette());
    out.setTransparent(picture.transparent(), picture.transparentColor());
    const std::size_t bpp = std::size_t(picture.bytesPerPixel());
    for (int y = 0; y < cut.h; ++y) {
        std::copy_n(picture.row(cut.y + y) + std::size_t(cut.x) * bpp, std::size_t(cut.w) * bpp,
                    out.row(y));
    }
    return out;
}

std::optional<EditState> cropState(const EditState& state, Box area) {
    if (!state.picture) {
        return std::nullopt;
    }
    std::optional<Bitmap> cut = cropPicture(*state.picture, area);
    if (!cut) {
        return std::nullopt;
    }
    const Box kept = area.intersected({0, 0, state.picture->width(), state.picture->height()});
    EditState next{std::make_shared<const Bitmap>(std::move(*cut)), {}};
    next.annotations.reserve(state.annotations.size());
    for (const Annotation& a : state.annotations) {
        next.annotations.push_back(moved(a, -kept.x, -kept.y));
    }
    return next;
}

}  // namespace pelko
