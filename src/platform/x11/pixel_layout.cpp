#include "platform/x11/pixel_layout.h"

#include <bit>
#include <cstring>
#include <string>

#include "core/error.h"

namespace pelko::x11 {

std::size_t imageRowBytes(const PixelLayout& layout, int width) {
    std::size_t pad = std::size_t(layout.scanlinePad);
    std::size_t bits = std::size_t(width) * std::size_t(layout.bitsPerPixel);
    return (bits + pad - 1) / pad * pad / 8;
}

std::uint8_t RowConverter::Channel::to8(std::uint32_t pixel) const {
    std::uint32_t v = (pixel & mask) >> shift;
    return bits <= 8 ? scale[v] : std::uint8_t(v >> (bits - 8));
}

RowConverter::RowConverter(const PixelLayout& layout) : m_layout(layout) {
    int bpp = layout.bitsPerPixel;
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        throw Error(
            formatMessage("Unsupported display format (%s bits per pixel)", {std::to_string(bpp)}));
    }
    if (layout.indexed) {
        if (bpp != 8) {
            throw Error("Unsupported display format (palette with more than 256 colours)");
        }
        m_path = Path::Indices8;
        return;
    }
    for (auto [channel, mask] : {std::pair{&m_red, layout.redMask},
                                 {&m_green, layout.greenMask},
                                 {&m_blue, layout.blueMask}}) {
        if (mask == 0) {
            throw Error("Unsupported display format (empty colour mask)");
        }
        channel->mask = mask;
        channel->shift = std::countr_zero(mask);
        channel->bits = std::popcount(mask);
        if ((mask >> channel->shift) != (std::uint64_t(1) << channel->bits) - 1) {
            throw Error("Unsupported display format (split colour mask)");
        }
        if (channel->bits <= 8) {
            // Round to the nearest 8-bit value: full scale maps to 255, zero to 0.
            std::uint32_t max = (1u << channel->bits) - 1;
            for (std::uint32_t v = 0; v <= max; ++v) {
                channel->scale[v] = std::uint8_t((v * 255 + max / 2) / max);
            }
        }
    }
    if (bpp == 32 && !layout.msbFirst && layout.redMask == 0xFF0000 && layout.greenMask == 0xFF00 &&
        layout.blueMask == 0xFF) {
        m_path = Path::Bgrx32;  // the common case: server rows are Bitmap rows already
    }
}

namespace {

template <int Bpp, bool Msb>
std::uint32_t readPixel(const std::uint8_t* p) {
    if constexpr (Bpp == 8) {
        return p[0];
    } else if constexpr (Bpp == 16) {
        return Msb ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    } else if constexpr (Bpp == 24) {
        return Msb ? (std::uint32_t(p[0]) << 16 | p[1] << 8 | p[2])
                   : (std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0]);
    } else {
        return Msb ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | p[2] << 8 | p[3])
                   : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0]);
    }
}

}  // namespace

template <int Bpp, bool Msb>
void RowConverter::convertGeneric(const std::uint8_t* src, int width, std::uint8_t* dst) const {
    for (int x = 0; x < width; ++x, src += Bpp / 8, dst += 4) {
        std::uint32_t pixel = readPixel<Bpp, Msb>(src);
        dst[0] = m_blue.to8(pixel);
        dst[1] = m_green.to8(pixel);
        dst[2] = m_red.to8(pixel);
        dst[3] = 0;
    }
}

int RowConverter::bitmapDepth() const {
    if (m_layout.indexed) {
        return 8;
    }
    const bool low5 = m_layout.blueMask == 0x001F;
    if (m_layout.bitsPerPixel == 16 && low5 && m_layout.redMask == 0x7C00 &&
        m_layout.greenMask == 0x03E0) {
        return 15;
    }
    if (m_layout.bitsPerPixel == 16 && low5 && m_layout.redMask == 0xF800 &&
        m_layout.greenMask == 0x07E0) {
        return 16;
    }
    return 24;
}

void RowConverter::convert(const std::uint8_t* src, int width, std::uint8_t* dst) const {
    switch (m_path) {
        case Path::Indices8:
            std::memcpy(dst, src, std::size_t(width));
            return;
        case Path::Bgrx32:
            for (int x = 0; x < width; ++x) {
                std::uint32_t v;
                std::memcpy(&v, src + 4 * std::size_t(x), 4);
                v &= 0x00FFFFFF;  // the fourth byte is padding or alpha: a depth-24 Bitmap holds 0
                std::memcpy(dst + 4 * std::size_t(x), &v, 4);
            }
            return;
        case Path::Generic:
            break;
    }
    bool msb = m_layout.msbFirst;
    switch (m_layout.bitsPerPixel) {
        case 8:
            return convertGeneric<8, false>(src, width, dst);
        case 16:
            return msb ? convertGeneric<16, true>(src, width, dst)
                       : convertGeneric<16, false>(src, width, dst);
        case 24:
            return msb ? convertGeneric<24, true>(src, width, dst)
                       : convertGeneric<24, false>(src, width, dst);
        default:
            return msb ? convertGeneric<32, true>(src, width, dst)
                       : convertGeneric<32, false>(src, width, dst);
    }
}

}  // namespace pelko::x11
