#include "codec_test_support.h"

#include <gif_lib.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace pelko::test {
namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<Rgb> rgbFromBytes(const std::vector<std::uint8_t>& bytes) {
    std::vector<Rgb> pixels(bytes.size() / 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    }
    return pixels;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "pelko-codec-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::vector<std::uint8_t> encodeToBytes(const Bitmap& bitmap, ImageFormat format,
                                        const EncodeOptions& options) {
    VectorSink sink;
    encodeImage(sink, bitmap, format, options);
    return std::move(sink.bytes);
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int> DecodedImage::numbers(const std::string& key) const {
    std::vector<int> out;
    auto it = info.find(key);
    if (it != info.end()) {
        std::istringstream in(it->second);
        for (int v; in >> v;) {
            out.push_back(v);
        }
    }
    return out;
}

std::vector<DecodedImage> decodeWithPillow(const std::vector<fs::path>& files) {
    std::string command = std::string(PELKO_PYTHON) + " " +
                          quoted(std::string(PELKO_CODEC_TEST_DIR) + "/pillow_decode.py");
    for (const fs::path& file : files) {
        command += " " + quoted(file.string());
    }
    if (run(command) != 0) {
        throw std::runtime_error("Pillow could not decode the files");
    }
    std::vector<DecodedImage> images;
    for (const fs::path& file : files) {
        DecodedImage image;
        std::ifstream info(file.string() + ".txt");
        for (std::string line; std::getline(info, line);) {
            const auto space = line.find(' ');
            image.info[line.substr(0, space)] =
                space == std::string::npos ? "" : line.substr(space + 1);
        }
        image.width = std::stoi(image.info.at("width"));
        image.height = std::stoi(image.info.at("height"));
        image.pixels = rgbFromBytes(readFile(file.string() + ".rgb"));
        images.push_back(std::move(image));
    }
    return images;
}

DecodedImage decodeWithImageMagick(const fs::path& file, int width, int height) {
    const std::string out = file.string() + ".im.rgb";
    if (run("convert " + quoted(file.string()) + " -depth 8 " + quoted("rgb:" + out)) != 0) {
        throw std::runtime_error("ImageMagick could not decode " + file.string());
    }
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels = rgbFromBytes(readFile(out));
    return image;
}

bool pngcheckPasses(const fs::path& file) {
    return run("pngcheck -q " + quoted(file.string()) + " >/dev/null") == 0;
}

GifContents decodeGifWithGiflib(const std::vector<std::uint8_t>& bytes) {
    struct Input {
        const std::vector<std::uint8_t>* bytes;
        std::size_t offset = 0;
    } input{&bytes};
    auto read = [](GifFileType* gif, GifByteType* out, int size) -> int {
        auto* in = static_cast<Input*>(gif->UserData);
        const std::size_t n =
            std::min<std::size_t>(std::size_t(size), in->bytes->size() - in->offset);
        std::memcpy(out, in->bytes->data() + in->offset, n);
        in->offset += n;
        return int(n);
    };
    int error = 0;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
        DGifOpen(&input, read, &error), [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount != 1 || !gif->SColorMap) {
        throw std::runtime_error("giflib could not decode the GIF");
    }
    GifContents contents;
    contents.width = gif->SWidth;
    contents.height = gif->SHeight;
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        const GifColorType c = gif->SColorMap->Colors[i];
        contents.colorTable.push_back({c.Red, c.Green, c.Blue});
    }
    const SavedImage& image = gif->SavedImages[0];
    contents.indices.assign(image.RasterBits,
                            image.RasterBits + std::size_t(image.ImageDesc.Width) *
                                                   std::size_t(image.ImageDesc.Height));
    return contents;
}

std::vector<Rgb> colorsOf(const Bitmap& bitmap) {
    std::vector<Rgb> out;
    out.reserve(std::size_t(bitmap.width()) * std::size_t(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            out.push_back(bitmap.colorAt(x, y));
        }
    }
    return out;
}

Bitmap makeRgbBitmap(int width, int height, int depth,
                     const std::function<Rgb(int x, int y)>& color) {
    Bitmap bitmap(width, height, depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = color(x, y);
            // The fourth byte holds junk (alpha at depth 32) that no encoder may show.
            bitmap.setPixel32(x, y,
                              c.b | (c.g << 8) | (c.r << 16) | (std::uint32_t(x * 7 + y) << 24));
        }
    }
    return bitmap;
}

Bitmap makeIndexedBitmap(int width, int height, int depth, int paletteSize, std::uint32_t seed) {
    FixtureRandom random(seed);
    Bitmap bitmap(width, height, depth);
    std::vector<Rgb> palette;
    for (int i = 0; i < paletteSize; ++i) {
        palette.push_back({std::uint8_t(random.below(256)), std::uint8_t(random.below(256)),
                           std::uint8_t(random.below(256))});
    }
    bitmap.setPalette(palette);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap.row(y)[x] = std::uint8_t(random.below(paletteSize));
        }
    }
    return bitmap;
}

}  // namespace pelko::test
