#include "core/image/scale.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/error.h"
#include "core/image/palette_match.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelko {

namespace {

// The integer part of x plus 1 when its fractional part is 0.5 or more (x >= 0).
long long roundHalfUp(double x) {
    long long t = static_cast<long long>(x);
    if (x - double(t) >= 0.5) {
        ++t;
    }
    return t;
}

// Rows of the source as B, G, R, X bytes, palette Bitmaps looked up through their palette.
class SourceRows {
  public:
    explicit SourceRows(const Bitmap& source) : m_source(source) {
        if (source.indexed()) {
            m_buffer.resize(std::size_t(source.width()) * 4);
        }
    }
    const std::uint8_t* row(int y) {
        if (!m_source.indexed()) {
            return m_source.row(y);
        }
        const std::uint8_t* s = m_source.row(y);
        const std::vector<Rgb>& palette = m_source.palette();
        for (int x = 0; x < m_source.width(); ++x) {
            Rgb c = s[x] < palette.size() ? palette[s[x]] : Rgb{};
            m_buffer[4 * std::size_t(x)] = c.b;
            m_buffer[4 * std::size_t(x) + 1] = c.g;
            m_buffer[4 * std::size_t(x) + 2] = c.r;
            m_buffer[4 * std::size_t(x) + 3] = 0;
        }
        return m_buffer.data();
    }

  private:
    const Bitmap& m_source;
    std::vector<std::uint8_t> m_buffer;
};

// Writes rows of B, G, R, A bytes into the target in its own format: the X byte 0 at depth 24,
// alpha at depth 32 (opaque unless the source had alpha), the nearest palette entry for
// palette targets. A row is written into buffer(y) and then completed by finish(y).
class TargetRows {
  public:
    TargetRows(Bitmap& target, bool sourceHasAlpha)
        : m_target(target), m_matcher(target.palette()), m_keepAlpha(sourceHasAlpha) {
        if (target.indexed()) {
            m_buffer.resize(std::size_t(target.width()) * 4);
        }
    }
    std::uint8_t* buffer(int y) { return m_target.indexed() ? m_buffer.data() : m_target.row(y); }
    void finish(int y) {
        std::uint8_t* d = m_target.row(y);
        const int width = m_target.width();
        if (m_target.indexed()) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = m_buffer.data() + 4 * std::size_t(x);
                d[x] = m_matcher(Rgb{p[2], p[1], p[0]});
            }
            return;
        }
        if (m_target.depth() == 32 && m_keepAlpha) {
            return;
        }
        const std::uint8_t x = m_target.depth() == 32 ? 255 : 0;
        for (int i = 0; i < width; ++i) {
            d[4 * std::size_t(i) + 3] = x;
        }
    }
    void write(int y, const std::uint8_t* bgra) {
        std::memcpy(buffer(y), bgra, std::size_t(m_target.width()) * 4);
        finish(y);
    }

  private:
    Bitmap& m_target;
    PaletteMatcher m_matcher;
    bool m_keepAlpha;
    std::vector<std::uint8_t> m_buffer;
};

void copyPixels(const Bitmap& source, Bitmap& target) {
    if (source.indexed() && target.indexed() && source.palette() == target.palette()) {
        std::memcpy(target.data(), source.data(), source.byteSize());
        return;
    }
    SourceRows rows(source);
    TargetRows out(target, source.depth() == 32);
    for (int y = 0; y < source.height(); ++y) {
        out.write(y, rows.row(y));
    }
}

int longestBlock(const std::vector<ScaleBlock>& blocks) {
    int longest = 0;
    for (const ScaleBlock& b : blocks) {
        longest = std::max(longest, b.last - b.first + 1);
    }
    return longest;
}

// Box averages with Sum wide enough for 255 times the largest block's pixel count.
template <typename Sum>
void averageBlocks(const Bitmap& source, Bitmap& target, const std::vector<ScaleBlock>& columns,
                   const std::vector<ScaleBlock>& rows) {
    const std::size_t sourceWidth = std::size_t(source.width());
    const std::size_t width = columns.size();
    SourceRows sourceRows(source);
    TargetRows targetRows(target, source.depth() == 32);
    std::vector<Sum> columnSums(sourceWidth * 4);
    std::vector<std::uint8_t> averages(width * 4);
    // 1 / count for every block width of the current row of blocks.
    std::vector<double> reciprocal(std::size_t(longestBlock(columns)) + 1);

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ScaleBlock rowBlock = rows[i];
        const std::uint64_t blockHeight = std::uint64_t(rowBlock.last - rowBlock.first + 1);
        std::fill(columnSums.begin(), columnSums.end(), Sum(0));
        for (int y = rowBlock.first; y <= rowBlock.last; ++y) {
            const std::uint8_t* s = sourceRows.row(y);
            Sum* sum = columnSums.data();
            for (std::size_t k = 0; k < sourceWidth * 4; ++k) {
                sum[k] += s[k];
            }
        }
        for (std::size_t w = 1; w < reciprocal.size(); ++w) {
            reciprocal[w] = 1.0 / double(w * blockHeight);
        }
        for (std::size_t j = 0; j < width; ++j) {
            const ScaleBlock c = columns[j];
            Sum sum[4] = {0, 0, 0, 0};
            for (int x = c.first; x <= c.last; ++x) {
                const Sum* p = columnSums.data() + 4 * std::size_t(x);
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
                sum[3] += p[3];
            }
            const std::size_t blockWidth = std::size_t(c.last - c.first + 1);
            const std::uint64_t count = blockWidth * blockHeight;
            const double inverse = reciprocal[blockWidth];
            for (int ch = 0; ch < 4; ++ch) {
                // Half up: q = floor((2 * sum + count) / (2 * count)), found through the
                // reciprocal and made exact with integer checks.
                const std::uint64_t s = sum[ch];
                std::uint64_t q = std::uint64_t(double(s) * inverse + 0.5);
                const std::uint64_t twice = 2 * s + count;
                if (q * 2 * count > twice) {
                    --q;
                } else if ((q + 1) * 2 * count <= twice) {
                    ++q;
                }
                averages[4 * j + std::size_t(ch)] = std::uint8_t(q);
            }
        }
        targetRows.write(int(i), averages.data());
    }
}

// Box averages for blocks of at most kSmallBlock pixels, the common case. A channel's sum over
// such a block fits in 16 bits: the column sums are 16-bit (the vertical pass adds whole rows
// of bytes, which the compiler vectorises) and the four channels of a column are summed at
// once, as the four 16-bit lanes of a 64-bit word.
//
// Rounding half up, floor(sum / count + 0.5), is done in single precision as
// floor(sum * (1 / count) + 0.5 + 2^-10), which is exact here: the computed value is within
// 2^-14 of the true one (sum / count <= 255, two roundings of 2^-24 relative), and a true
// value that is not a whole number lies at least 1 / (2 count) >= 2^-9.01 below the next one.
constexpr int kSmallBlock = 257;  // 255 * 257 = 65535
constexpr float kNudge = 0.5f + 1.0f / 1024;

#if defined(__SSE2__)
// The four channel sums in the 16-bit lanes of sum, averaged, into four bytes at out.
inline void storeAverage(std::uint64_t sum, float inverse, std::uint8_t* out) {
    const __m128i lanes =
        _mm_unpacklo_epi16(_mm_cvtsi64_si128(std::int64_t(sum)), _mm_setzero_si128());
    const __m128 value =
        _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(lanes), _mm_set1_ps(inverse)), _mm_set1_ps(kNudge));
    const __m128i whole = _mm_cvttps_epi32(value);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole, whole), whole);
    const std::int32_t four = _mm_cvtsi128_si32(bytes);
    std::memcpy(out, &four, 4);
}
#else
inline void storeAverage(std::uint64_t sum, float inverse, std::uint8_t* out) {
    for (int ch = 0; ch < 4; ++ch) {
        const float lane = float(sum >> (16 * ch) & 0xFFFF);
        out[ch] = std::uint8_t(lane * inverse + kNudge);
    }
}
#endif

void averageSmallBlocks(const Bitmap& source, Bitmap& target,
                        const std::vector<ScaleBlock>& columns,
                        const std::vector<ScaleBlock>& rows) {
    static_assert(std::endian::native == std::endian::little);
    const std::size_t rowBytes = std::size_t(source.width()) * 4;
    const std::size_t width = columns.size();
    SourceRows sourceRows(source);
    TargetRows targetRows(target, source.depth() == 32);
    std::vector<std::uint16_t> columnSums(rowBytes);
    std::vector<float> inverse(std::size_t(kSmallBlock) + 1);
    for (std::size_t count = 1; count < inverse.size(); ++count) {
        inverse[count] = 1.0f / float(count);
    }

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ScaleBlock rowBlock = rows[i];
        const std::size_t blockHeight = std::size_t(rowBlock.last - rowBlock.first + 1);
        std::fill(columnSums.begin(), columnSums.end(), std::uint16_t(0));
        for (int y = rowBlock.first; y <= rowBlock.last; ++y) {
            const std::uint8_t* __restrict s = sourceRows.row(y);
            std::uint16_t* __restrict sum = columnSums.data();
            for (std::size_t k = 0; k < rowBytes; ++k) {
                sum[k] = std::uint16_t(sum[k] + s[k]);
            }
        }
        const std::uint8_t* lanes = reinterpret_cast<const std::uint8_t*>(columnSums.data());
        std::uint8_t* out = targetRows.buffer(int(i));
        for (std::size_t j = 0; j < width; ++j) {
            const ScaleBlock c = columns[j];
            std::uint64_t sum = 0;
            for (int x = c.first; x <= c.last; ++x) {
                std::uint64_t column;
                std::memcpy(&column, lanes + 8 * std::size_t(x), 8);
                sum += column;
            }
            const std::size_t count = std::size_t(c.last - c.first + 1) * blockHeight;
            storeAverage(sum, inverse[count], out + 4 * j);
        }
        targetRows.finish(int(i));
    }
}

}  // namespace

ScaleSize scaledSize(int kind, int width, int height, int sourceWidth, int sourceHeight) {
    // 32-bit products that wrap as the integer arithmetic of the settings' numbers does.
    auto percent = [](int side, int p) {
        return std::int32_t(std::uint32_t(side) * std::uint32_t(p)) / 100;
    };
    switch (kind) {
        case kScalePercent:
            return {percent(sourceWidth, width), percent(sourceHeight, height)};
        case kScalePixels:
            return {width, height};
        default:
            return {0, 0};
    }
}

std::vector<ScaleBlock> scaleBlocks(int sourceSize, int targetSize) {
    std::vector<ScaleBlock> blocks;
    if (sourceSize <= 0 || targetSize <= 0) {
        return blocks;
    }
    blocks.reserve(std::size_t(targetSize));
    if (sourceSize == targetSize) {
        // An axis that keeps its size keeps its pixels: the shared boundaries of the block
        // rule would average each pixel with its neighbour.
        for (int j = 0; j < targetSize; ++j) {
            blocks.push_back({j, j});
        }
        return blocks;
    }
    const float step = float(double(sourceSize) / double(targetSize));
    const long long last = sourceSize - 1;
    float end = 0;
    for (int j = 0; j < targetSize; ++j) {
        const float start = end;
        end = start + step;
        if (!(double(sourceSize) > double(end))) {
            end = float(last);
        }
        blocks.push_back(
            {int(std::min(roundHalfUp(start), last)), int(std::min(roundHalfUp(end), last))});
    }
    return blocks;
}

void ScaleBitmap(const Bitmap& source, Bitmap& target, int width, int height) {
    if (&source == &target) {
        const Bitmap copy = source;
        ScaleBitmap(copy, target, width, height);
        return;
    }
    target.reset(width, height, target.depth());
    const int sourceWidth = source.width(), sourceHeight = source.height();
    // The steps are sourceSize / targetSize: 0 / 0 is an invalid operation, n / 0 a division
    // by zero.
    for (auto [from, to] : {std::pair{sourceWidth, width}, std::pair{sourceHeight, height}}) {
        if (to == 0) {
            throw Error(from == 0 ? "Invalid floating point operation"
                                  : "Floating point division by zero");
        }
    }
    if (source.empty()) {
        throw Error("Invalid floating point operation");
    }
    if (width == sourceWidth && height == sourceHeight) {
        copyPixels(source, target);
        return;
    }
    const std::vector<ScaleBlock> columns = scaleBlocks(sourceWidth, width);
    const std::vector<ScaleBlock> rows = scaleBlocks(sourceHeight, height);
    const std::uint64_t largest = std::uint64_t(longestBlock(columns)) * longestBlock(rows);
    if (largest <= std::uint64_t(kSmallBlock)) {
        averageSmallBlocks(source, target, columns, rows);
    } else if (largest * 255 <= std::numeric_limits<std::uint32_t>::max()) {
        averageBlocks<std::uint32_t>(source, target, columns, rows);
    } else {
        averageBlocks<std::uint64_t>(source, target, columns, rows);
    }
}

}  // namespace pelko
