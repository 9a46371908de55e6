// Windows bitmap files: the file header, one of the info headers, the optional bit-field
// masks and colour table, then the pixel rows (bottom row first unless the height is
// negative), uncompressed or run-length coded.
#include <bit>
#include <cstring>
#include <limits>

#include "core/codec/decode.h"
#include "core/codec/picture_error.h"

namespace pelko {

namespace {

constexpr const char* kNotValid = "Bitmap image is not valid";

[[noreturn]] void notValid() {
    throw PictureError(kNotValid);
}

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3,
                        kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;

// Little-endian reads that refuse to go past the end of the file.
class Bytes {
  public:
    explicit Bytes(std::span<const std::uint8_t> data) : m_data(data) {}
    std::size_t size() const { return m_data.size(); }
    std::uint8_t u8(std::size_t at) const {
        need(at, 1);
        return m_data[at];
    }
    std::uint16_t u16(std::size_t at) const {
        need(at, 2);
        return std::uint16_t(m_data[at] | m_data[at + 1] << 8);
    }
    std::uint32_t u32(std::size_t at) const {
        need(at, 4);
        return std::uint32_t(m_data[at]) | std::uint32_t(m_data[at + 1]) << 8 |
               std::uint32_t(m_data[at + 2]) << 16 | std::uint32_t(m_data[at + 3]) << 24;
    }
    std::int32_t i32(std::size_t at) const { return std::int32_t(u32(at)); }
    const std::uint8_t* at(std::size_t offset, std::size_t count) const {
        need(offset, count);
        return m_data.data() + offset;
    }
    void need(std::size_t at, std::size_t count) const {
        if (at > m_data.size() || count > m_data.size() - at) {
            notValid();
        }
    }

  private:
    std::span<const std::uint8_t> m_data;
};

struct Header {
    std::uint32_t size = 0;
    long long width = 0;
    long long height = 0;  // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    std::size_t tableOffset = 0;            // where the colour table starts
    std::size_t entrySize = 4;              // bytes per colour-table entry
    std::size_t pixelOffset = 0;
};

Header readHeader(const Bytes& file) {
    if (file.size() < kFileHeaderSize + 12 || file.u8(0) != 'B' || file.u8(1) != 'M') {
        notValid();
    }
    Header h;
    h.pixelOffset = file.u32(10);
    h.size = file.u32(kFileHeaderSize);
    const std::size_t info = kFileHeaderSize;
    std::int64_t signedHeight = 0;
    if (h.size == 12) {  // BITMAPCOREHEADER
        h.width = file.u16(info + 4);
        signedHeight = file.u16(info + 6);
        h.bitCount = file.u16(info + 10);
        h.entrySize = 3;
    } else if (h.size == 40 || h.size == 52 || h.size == 56 || h.size == 64 || h.size == 108 ||
               h.size == 124) {
        file.need(info, h.size);
        h.width = file.i32(info + 4);
        signedHeight = file.i32(info + 8);
        h.bitCount = file.u16(info + 14);
        h.compression = file.u32(info + 16);
        h.colorsUsed = file.u32(info + 32);
        if (h.size >= 52) {
            for (int i = 0; i < 3; ++i) {
                h.masks[i] = file.u32(info + 40 + 4 * std::size_t(i));
            }
        }
        if (h.size >= 56) {
            h.masks[3] = file.u32(info + 52);
        }
        // OS/2 2.x headers (64 bytes) give compression 3 and 4 other meanings.
        if (h.size == 64 && h.compression > kBiRle4) {
            notValid();
        }
    } else {
        notValid();
    }
    h.tableOffset = info + h.size;
    if (h.size == 40 && (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields)) {
        const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
        for (int i = 0; i < count; ++i) {
            h.masks[i] = file.u32(h.tableOffset + 4 * std::size_t(i));
        }
        h.tableOffset += 4 * std::size_t(count);
    }

    h.topDown = signedHeight < 0;
    h.height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (h.width <= 0 || h.height <= 0) {
        notValid();
    }
    switch (h.compression) {
        case kBiRgb:
            if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 &&
                h.bitCount != 24 && h.bitCount != 32) {
                notValid();
            }
            break;
        case kBiRle8:
        case kBiRle4:
            if (h.bitCount != (h.compression == kBiRle8 ? 8 : 4) || h.topDown) {
                notValid();
            }
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (h.bitCount != 16 && h.bitCount != 32) {
                notValid();
            }
            break;
        default:
            notValid();
    }
    if (h.compression == kBiRgb) {
        // Masks in a V4 or V5 header count only with bit-field compression.
        if (h.bitCount == 16) {
            std::uint32_t m[4] = {0x7C00, 0x03E0, 0x001F, 0};
            std::memcpy(h.masks, m, sizeof m);
        } else if (h.bitCount == 32) {
            std::uint32_t m[4] = {0xFF0000, 0xFF00, 0xFF, 0};
            std::memcpy(h.masks, m, sizeof m);
        }
    }
    if (h.pixelOffset < h.tableOffset || h.pixelOffset > file.size()) {
        notValid();
    }
    return h;
}

std::vector<Rgb> readColorTable(const Bytes& file, const Header& h) {
    const std::uint32_t most = 1u << h.bitCount;
    const std::uint32_t count = h.colorsUsed == 0 ? most : std::min(h.colorsUsed, most);
    const std::uint8_t* p = file.at(h.tableOffset, std::size_t(count) * h.entrySize);
    std::vector<Rgb> palette(count);
    for (std::uint32_t i = 0; i < count; ++i, p += h.entrySize) {
        palette[i] = Rgb{p[2], p[1], p[0]};
    }
    return palette;
}

// One bit field: its value scaled to 8 bits.
class Field {
  public:
    explicit Field(std::uint32_t mask)
        : m_mask(mask), m_shift(mask ? std::countr_zero(mask) : 0), m_max(mask >> m_shift) {}
    bool present() const { return m_mask != 0; }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (m_max == 0) {
            return 0;
        }
        const std::uint64_t v = (pixel & m_mask) >> m_shift;
        return std::uint8_t((v * 255 + m_max / 2) / m_max);
    }

  private:
    std::uint32_t m_mask;
    int m_shift;
    std::uint64_t m_max;
};

Bitmap allocate(const Header& h, int depth, const DecodeLimits& limits) {
    refuseOversizedPicture(h.width, h.height, limits);
    return Bitmap(int(h.width), int(h.height), depth);
}

Bitmap readIndexedRows(const Bytes& file, const Header& h, std::size_t stride,
                       const DecodeLimits& limits) {
    Bitmap bitmap = allocate(h, h.bitCount, limits);
    bitmap.setPalette(readColorTable(file, h));
    const int width = bitmap.width(), bits = h.bitCount;
    const int perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* s = file.at(h.pixelOffset + stride * std::size_t(y), stride);
        std::uint8_t* d = bitmap.row(h.topDown ? y : bitmap.height() - 1 - y);
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            d[x] = std::uint8_t(s[x / perByte] >> shift & mask);
        }
    }
    return bitmap;
}

Bitmap readDirectRows(const Bytes& file, const Header& h, std::size_t stride,
                      const DecodeLimits& limits) {
    const int width = int(h.width), height = int(h.height);
    const std::size_t bytesPerPixel = std::size_t(h.bitCount) / 8;
    const Field red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    auto pixelAt = [&](const std::uint8_t* s) -> std::uint32_t {
        if (bytesPerPixel == 2) {
            return s[0] | s[1] << 8;
        }
        if (bytesPerPixel == 3) {
            return std::uint32_t(s[0]) | std::uint32_t(s[1]) << 8 | std::uint32_t(s[2]) << 16;
        }
        return std::uint32_t(s[0]) | std::uint32_t(s[1]) << 8 | std::uint32_t(s[2]) << 16 |
               std::uint32_t(s[3]) << 24;
    };
    auto rowData = [&](int y) { return file.at(h.pixelOffset + stride * std::size_t(y), stride); };

    // An alpha field counts when it makes some pixel neither fully opaque nor all of them
    // fully transparent (writers that leave the field 0 mean an opaque picture).
    bool translucent = false;
    if (alpha.present()) {
        int lowest = 255, highest = 0;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* s = rowData(y);
            for (int x = 0; x < width; ++x) {
                const int a = alpha(pixelAt(s + bytesPerPixel * std::size_t(x)));
                lowest = std::min(lowest, a);
                highest = std::max(highest, a);
            }
        }
        translucent = highest != 0 && lowest != 255;
    }

    Bitmap bitmap = allocate(h, translucent ? 32 : 24, limits);
    const bool plain24 = bytesPerPixel == 3;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = rowData(y);
        std::uint8_t* d = bitmap.row(h.topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x, s += bytesPerPixel, d += 4) {
            if (plain24) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                continue;
            }
            const std::uint32_t p = pixelAt(s);
            d[0] = blue(p);
            d[1] = green(p);
            d[2] = red(p);
            d[3] = translucent ? alpha(p) : 0;
        }
    }
    return bitmap;
}

// Run-length data can leave most of a picture unwritten (ends of lines, moves, the end of the
// picture), so its size says little about the picture's. Writers end every row with a
// two-byte code, which for rows up to 8192 pixels wide means at most 4096 pixels per byte;
// that much is allowed, and any picture of up to 2^20 pixels (a megabyte), so that a file of a
// few bytes cannot make a large one.
constexpr std::uint64_t kRunLengthPixelsPerByte = 4096;
constexpr std::uint64_t kRunLengthFreePixels = std::uint64_t(1) << 20;

// RLE8 and RLE4: pairs of (count, value) runs, and escapes after a count of 0: 0 end of line,
// 1 end of picture, 2 a move by (dx, dy), 3 and more a literal run padded to 16 bits. Pixels
// that no run reaches keep index 0; runs past the right edge are cut there.
Bitmap readRunLengthRows(const Bytes& file, const Header& h, const DecodeLimits& limits) {
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    const std::uint64_t data = file.size() - h.pixelOffset;
    if (pixels > kRunLengthFreePixels && pixels / kRunLengthPixelsPerByte > data) {
        throw PictureError(kNotValid, PictureFault::TooLittleData, h.width, h.height);
    }
    Bitmap bitmap = allocate(h, h.bitCount, limits);
    bitmap.setPalette(readColorTable(file, h));
    const bool four = h.compression == kBiRle4;
    const long long width = h.width, height = h.height;
    long long x = 0, y = 0;
    auto put = [&](int index) {
        if (x < width) {
            bitmap.row(int(height - 1 - y))[x] = std::uint8_t(index);
        }
        ++x;
    };
    std::size_t pos = h.pixelOffset;
    while (y < height) {
        const std::uint8_t count = file.u8(pos), value = file.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i) {
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            }
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++y;
                break;
            case 1:
                return bitmap;
            case 2:
                x += file.u8(pos);
                y += file.u8(pos + 1);
                pos += 2;
                break;
            default: {
                const std::size_t bytes = four ? (value + 1u) / 2 : value;
                const std::uint8_t* s = file.at(pos, bytes);
                for (int i = 0; i < value && x < width; ++i) {
                    put(four ? (i % 2 == 0 ? s[i / 2] >> 4 : s[i / 2] & 0x0F) : s[i]);
                }
                pos += (bytes + 1) & ~std::size_t(1);
                break;
            }
        }
    }
    return bitmap;
}

}  // namespace

Bitmap decodeBmp(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    const Bytes file(data);
    const Header h = readHeader(file);
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        return readRunLengthRows(file, h, limits);
    }
    // Uncompressed rows are padded to 32 bits; all of them must be in the file.
    const std::uint64_t stride = (std::uint64_t(h.width) * h.bitCount + 31) / 32 * 4;
    const std::uint64_t available = file.size() - h.pixelOffset;
    if (stride > available || std::uint64_t(h.height) > available / stride) {
        throw PictureError(kNotValid, PictureFault::TooLittleData, h.width, h.height);
    }
    if (h.bitCount <= 8) {
        return readIndexedRows(file, h, std::size_t(stride), limits);
    }
    return readDirectRows(file, h, std::size_t(stride), limits);
}

}  // namespace pelko
