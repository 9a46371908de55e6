#include "platform/x11/palette.h"

#include <numeric>

#include "platform/x11/connection.h"

namespace pelko::x11 {

const xcb_visualtype_t* rootVisual(const xcb_screen_t& screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == screen.root_visual) {
                return visuals.data;
            }
        }
    }
    return nullptr;
}

bool isPaletteVisual(const xcb_visualtype_t& visual) {
    switch (visual._class) {
        case XCB_VISUAL_CLASS_STATIC_GRAY:
        case XCB_VISUAL_CLASS_GRAY_SCALE:
        case XCB_VISUAL_CLASS_STATIC_COLOR:
        case XCB_VISUAL_CLASS_PSEUDO_COLOR:
            return true;
        default:
            return false;
    }
}

std::optional<std::vector<Rgb>> readPalette(xcb_connection_t* c, const xcb_screen_t& screen) {
    const xcb_visualtype_t* visual = rootVisual(screen);
    if (!visual || !isPaletteVisual(*visual) || visual->colormap_entries == 0 ||
        visual->colormap_entries > 256) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> pixels(visual->colormap_entries);
    std::iota(pixels.begin(), pixels.end(), 0u);
    auto reply = waitReply(
        c, xcb_query_colors_reply,
        xcb_query_colors(c, screen.default_colormap, std::uint32_t(pixels.size()), pixels.data()));
    if (!reply) {
        return std::nullopt;
    }
    const xcb_rgb_t* colors = xcb_query_colors_colors(reply.get());
    int count = xcb_query_colors_colors_length(reply.get());
    std::vector<Rgb> palette;
    palette.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        palette.push_back({std::uint8_t(colors[i].red >> 8), std::uint8_t(colors[i].green >> 8),
                           std::uint8_t(colors[i].blue >> 8)});
    }
    return palette;
}

}  // namespace pelko::x11
