#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pelko::x11 {

// How the server stores the pixels of a ZPixmap image of the root window.
struct PixelLayout {
    int bitsPerPixel = 32;  // 8, 16, 24 or 32
    int scanlinePad = 32;   // rows are padded to a multiple of this many bits
    bool msbFirst = false;  // the server's image byte order
    bool indexed = false;   // pixels are colormap indices (palette visuals), not colours
    std::uint32_t redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;
};

// Bytes of one padded image row of the given width.
std::size_t imageRowBytes(const PixelLayout& layout, int width);

// Turns rows of server pixels into Bitmap rows: B, G, R, 0 for colour layouts (channels of other
// widths than 8 bits scaled to 8), one byte per pixel for indexed layouts.
class RowConverter {
  public:
    // Throws pelko::Error for layouts it cannot read (other pixel sizes, indices above 8 bits).
    explicit RowConverter(const PixelLayout& layout);

    // 8 for indexed layouts; 15 or 16 for the usual 16-bit layouts (5-5-5, 5-6-5), so files
    // keep the display's depth; 24 for the rest.
    int bitmapDepth() const;
    void convert(const std::uint8_t* src, int width, std::uint8_t* dst) const;

  private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        int bits = 0;
        std::array<std::uint8_t, 256> scale{};  // value -> 8 bits, for channels of 8 bits or less
        std::uint8_t to8(std::uint32_t pixel) const;
    };
    enum class Path { Indices8, Bgrx32, Generic };

    template <int Bpp, bool Msb>
    void convertGeneric(const std::uint8_t* src, int width, std::uint8_t* dst) const;

    PixelLayout m_layout;
    Path m_path = Path::Generic;
    Channel m_red, m_green, m_blue;
};

}  // namespace pelko::x11
