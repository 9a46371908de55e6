// pelko-make-screen [--photo] WIDTH HEIGHT OUT.ppm [SEED]: the synthetic screen as a binary PPM
// (P6); with --photo its wallpaper is the benchmarks' photograph.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "synthetic_screen.h"

int main(int argc, char** argv) {
    const bool withPhoto = argc > 1 && std::string(argv[1]) == "--photo";
    if (withPhoto) {
        --argc;
        ++argv;
    }
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: pelko-make-screen [--photo] WIDTH HEIGHT OUT.ppm [SEED]\n");
        return 2;
    }
    try {
        const int width = std::stoi(argv[1]);
        const int height = std::stoi(argv[2]);
        const unsigned seed = argc == 5 ? unsigned(std::stoul(argv[4])) : 1;
        if (width <= 0 || height <= 0) {
            std::fprintf(stderr, "invalid size\n");
            return 2;
        }
        const pelko::Bitmap photo = withPhoto ? pelko::loadBenchPhoto() : pelko::Bitmap();
        if (withPhoto && photo.empty()) {
            std::fprintf(stderr,
                         "no photograph: run scripts/install-deps.sh bench or set "
                         "PELKO_BENCH_PHOTO\n");
            return 1;
        }
        const pelko::Bitmap screen =
            pelko::makeSyntheticScreen(width, height, seed, withPhoto ? &photo : nullptr);
        std::FILE* out = std::fopen(argv[3], "wb");
        if (!out) {
            std::perror(argv[3]);
            return 1;
        }
        std::fprintf(out, "P6\n%d %d\n255\n", width, height);
        std::vector<unsigned char> row(std::size_t(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const pelko::Rgb c = screen.colorAt(x, y);
                row[3 * std::size_t(x)] = c.r;
                row[3 * std::size_t(x) + 1] = c.g;
                row[3 * std::size_t(x) + 2] = c.b;
            }
            std::fwrite(row.data(), 1, row.size(), out);
        }
        if (std::fclose(out) != 0) {
            std::perror(argv[3]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
