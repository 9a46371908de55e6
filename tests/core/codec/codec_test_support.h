#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/codec/encode.h"
#include "core/image/bitmap.h"

namespace pelko::test {

// A fresh temporary folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> encodeToBytes(const Bitmap& bitmap, ImageFormat format,
                                        const EncodeOptions& options = {});
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

// What an independent decoder made of a file.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;                                 // rows top first
    std::map<std::string, std::string> info;                 // Pillow's "key value" lines
    std::vector<int> numbers(const std::string& key) const;  // a line's values as integers
};

// Decodes the files with Pillow (one Python run for all of them).
std::vector<DecodedImage> decodeWithPillow(const std::vector<std::filesystem::path>& files);
// Decodes a file with ImageMagick's convert into RGB pixels.
DecodedImage decodeWithImageMagick(const std::filesystem::path& file, int width, int height);
// Runs pngcheck quietly; true when it finds no error.
bool pngcheckPasses(const std::filesystem::path& file);

// A GIF read back with giflib's decoder: the global colour table and the raster.
struct GifContents {
    int width = 0;
    int height = 0;
    std::vector<Rgb> colorTable;
    std::vector<std::uint8_t> indices;
};
GifContents decodeGifWithGiflib(const std::vector<std::uint8_t>& bytes);

// The colours of a Bitmap as colorAt gives them, rows top first.
std::vector<Rgb> colorsOf(const Bitmap& bitmap);

// Small deterministic random source for fixtures.
class FixtureRandom {
  public:
    explicit FixtureRandom(std::uint32_t seed) : m_state(seed * 2654435761u + 1) {}
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }

  private:
    std::uint32_t m_state;
};

// A depth 24 or 32 Bitmap whose pixels are chosen by `color(x, y)`.
Bitmap makeRgbBitmap(int width, int height, int depth,
                     const std::function<Rgb(int x, int y)>& color);
// An indexed Bitmap with a random palette of `paletteSize` colours and random indices below it.
Bitmap makeIndexedBitmap(int width, int height, int depth, int paletteSize, std::uint32_t seed);

// A sink that throws after accepting `limit` bytes, as a full disk would.
class FailingSink final : public ByteSink {
  public:
    struct Full : std::runtime_error {
        Full() : std::runtime_error("disk full") {}
    };
    explicit FailingSink(std::size_t limit) : m_limit(limit) {}
    void write(const std::uint8_t*, std::size_t size) override {
        if (m_written + size > m_limit) {
            throw Full();
        }
        m_written += size;
    }

  private:
    std::size_t m_limit;
    std::size_t m_written = 0;
};

}  // namespace pelko::test
