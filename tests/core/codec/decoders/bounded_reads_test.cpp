// Tiny files that declare huge pictures, and paths that are no files at all: each read ends at
// once with the format's or the file's message, without allocating the declared picture and
// without waiting for data. Every case runs in a child process, so that its peak memory
// (ru_maxrss through wait4) shows what the reader allocated on the way and an alarm ends it if
// it hangs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::decodeError;

struct ChildRun {
    bool finished = false;  // exited on its own, before the alarm
    std::string outcome;    // how it ended when it did not finish
    std::string message;    // what the body gave
    long grownKb = 0;       // peak resident memory above what the child started with
};

// Runs body in a child process that the alarm ends after the given seconds.
ChildRun runInChild(const std::function<std::string()>& body, unsigned seconds) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        ::alarm(seconds);
        rusage start{};
        ::getrusage(RUSAGE_SELF, &start);
        std::string message;
        try {
            message = body();
        } catch (const std::exception& e) {
            message = std::string("unexpected exception: ") + e.what();
        }
        const std::string report = std::to_string(start.ru_maxrss) + "\n" + message;
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t n = ::write(pipe[1], report.data() + done, report.size() - done);
            if (n <= 0) {
                break;
            }
            done += std::size_t(n);
        }
        ::_exit(0);  // no gtest or sanitizer clean-up in the child
    }
    ::close(pipe[1]);
    std::string report;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        report.append(buffer, std::size_t(n));
    }
    ::close(pipe[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) {
        ADD_FAILURE() << "no child process: " << std::strerror(errno);
        return {};
    }
    ChildRun run;
    if (WIFSIGNALED(status)) {
        run.outcome = WTERMSIG(status) == SIGALRM
                          ? "still running after " + std::to_string(seconds) + " s"
                          : "killed by signal " + std::to_string(WTERMSIG(status));
        return run;
    }
    const std::size_t newline = report.find('\n');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || newline == std::string::npos) {
        run.outcome = "ended without a report, status " + std::to_string(status);
        return run;
    }
    run.finished = true;
    run.message = report.substr(newline + 1);
    run.grownKb = usage.ru_maxrss - std::stol(report.substr(0, newline));
    return run;
}

void put16be(std::vector<std::uint8_t>& f, std::uint32_t v) {
    f.push_back(std::uint8_t(v >> 8));
    f.push_back(std::uint8_t(v));
}
void put32be(std::vector<std::uint8_t>& f, std::uint32_t v) {
    put16be(f, v >> 16);
    put16be(f, v & 0xFFFF);
}
void put16le(std::vector<std::uint8_t>& f, std::uint32_t v) {
    f.push_back(std::uint8_t(v));
    f.push_back(std::uint8_t(v >> 8));
}
void put32le(std::vector<std::uint8_t>& f, std::uint32_t v) {
    put16le(f, v & 0xFFFF);
    put16le(f, v >> 16);
}

// A GIF with a two-colour table whose first picture holds one pixel of LZW data (clear code,
// index 0, end code) however large it says it is.
std::vector<std::uint8_t> gifClaiming(std::uint16_t screenWidth, std::uint16_t screenHeight,
                                      std::uint16_t width, std::uint16_t height) {
    std::vector<std::uint8_t> f = {'G', 'I', 'F', '8', '9', 'a'};
    put16le(f, screenWidth);
    put16le(f, screenHeight);
    f.insert(f.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, ','});
    put16le(f, 0);
    put16le(f, 0);
    put16le(f, width);
    put16le(f, height);
    f.insert(f.end(), {0, 2, 2, 0x44, 0x01, 0, ';'});
    return f;
}

// A PNG (8 bits per sample) whose image data is the deflated form of 64 zero bytes.
std::vector<std::uint8_t> pngClaiming(std::uint32_t width, std::uint32_t height, int colorType) {
    std::vector<std::uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        put32be(f, std::uint32_t(data.size()));
        const std::size_t start = f.size();
        f.insert(f.end(), type, type + 4);
        f.insert(f.end(), data.begin(), data.end());
        put32be(f, std::uint32_t(::crc32(0, f.data() + start, uInt(f.size() - start))));
    };
    std::vector<std::uint8_t> header;
    put32be(header, width);
    put32be(header, height);
    header.insert(header.end(), {8, std::uint8_t(colorType), 0, 0, 0});
    chunk("IHDR", header);
    const std::vector<std::uint8_t> zeros(64);
    std::vector<std::uint8_t> deflated(128);
    uLongf size = deflated.size();
    EXPECT_EQ(::compress2(deflated.data(), &size, zeros.data(), zeros.size(), 9), Z_OK);
    deflated.resize(size);
    chunk("IDAT", deflated);
    chunk("IEND", {});
    return f;
}

// A 16 x 16 JPEG made by libjpeg whose frame header then claims width x height.
std::vector<std::uint8_t> jpegClaiming(std::uint16_t width, std::uint16_t height,
                                       bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(16 * 3, 0x80);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> f(out, out + size);
    std::free(out);
    // Markers from the start of the file up to the frame header: FF, kind, 16-bit length.
    for (std::size_t at = 2; at + 9 < f.size(); at += 2 + (f[at + 2] << 8 | f[at + 3])) {
        if (f[at + 1] == 0xC0 || f[at + 1] == 0xC2) {
            f[at + 5] = std::uint8_t(height >> 8);
            f[at + 6] = std::uint8_t(height);
            f[at + 7] = std::uint8_t(width >> 8);
            f[at + 8] = std::uint8_t(width);
            return f;
        }
    }
    ADD_FAILURE() << "libjpeg wrote no frame header";
    return f;
}

// An 8-bit run-length bitmap whose data ends the picture at once.
std::vector<std::uint8_t> rle8Claiming(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> f = {'B', 'M'};
    put32le(f, 64);
    put32le(f, 0);
    put32le(f, 14 + 40 + 8);
    for (std::uint32_t v : {40u, width, height}) {
        put32le(f, v);
    }
    put16le(f, 1);
    put16le(f, 8);
    for (std::uint32_t v : {1u, 2u, 0u, 0u, 2u, 0u}) {  // RLE8, data size, 2 colours
        put32le(f, v);
    }
    f.insert(f.end(), {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 1});
    return f;
}

std::string jpegError(int code) {
    return "JPEG error #" + std::to_string(code);
}

TEST(BoundedReads, TinyFilesDeclaringHugePicturesAreRefusedBeforeTheirPictureIsAllocated) {
    using Decode = Bitmap (*)(std::span<const std::uint8_t>, const DecodeLimits&);
    // 23000 x 23000 is past the pixel limit, 5000 x 5000 within it; either would take 25 MB
    // to 2 GB. A refusal reads the headers only: a few megabytes even under the sanitizers.
    constexpr long kMostGrowthKb = 64 * 1024;
    struct Case {
        const char* what;
        Decode decode;
        std::vector<std::uint8_t> file;
        std::string message;
    } cases[] = {
        {"GIF picture of 23000 x 23000", decodeGif, gifClaiming(23000, 23000, 23000, 23000),
         "Image EOF detected before image complete"},
        {"GIF pixel on a 5000 x 5000 screen", decodeGif, gifClaiming(5000, 5000, 1, 1),
         "Failed to allocate required memory"},
        {"PNG of 23000 x 23000, RGBA", decodePng, pngClaiming(23000, 23000, 6),
         "Not enough image data"},
        {"PNG of 5000 x 5000, RGB", decodePng, pngClaiming(5000, 5000, 2), "Not enough image data"},
        {"baseline JPEG of 23000 x 23000", decodeJpeg, jpegClaiming(23000, 23000, false),
         jpegError(JWRN_HIT_MARKER)},
        {"baseline JPEG of 5000 x 5000", decodeJpeg, jpegClaiming(5000, 5000, false),
         jpegError(JWRN_HIT_MARKER)},
        {"progressive JPEG of 23000 x 23000", decodeJpeg, jpegClaiming(23000, 23000, true),
         jpegError(JWRN_HIT_MARKER)},
        {"progressive JPEG of 5000 x 5000", decodeJpeg, jpegClaiming(5000, 5000, true),
         jpegError(JWRN_HIT_MARKER)},
        {"RLE8 bitmap of 23000 x 23000", decodeBmp, rle8Claiming(23000, 23000),
         "Bitmap image is not valid"},
        {"RLE8 bitmap of 5000 x 5000", decodeBmp, rle8Claiming(5000, 5000),
         "Bitmap image is not valid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_LT(c.file.size(), 2000u);
        const ChildRun run = runInChild([&] { return decodeError(c.decode, c.file); }, 10);
        EXPECT_TRUE(run.finished) << run.outcome;
        if (!run.finished) {
            continue;
        }
        EXPECT_EQ(run.message, c.message);
        EXPECT_LT(run.grownKb, kMostGrowthKb);
    }
}

TEST(BoundedReads, SpecialFilesAreRefusedAtOnce) {
    test::TempDir dir;
    const std::string fifo = dir.file("stamp.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        if (!std::filesystem::exists(path)) {
            GTEST_SKIP() << "no " << path;
        }
        // A FIFO without a writer blocks a plain open; /dev/zero never ends.
        const ChildRun run = runInChild(
            [&]() -> std::string {
                try {
                    readPictureFile(path);
                } catch (const Error& e) {
                    return e.what();
                }
                return "";
            },
            5);
        EXPECT_TRUE(run.finished) << run.outcome;
        if (run.finished) {
            EXPECT_EQ(run.message, "Cannot open file \"" + path + "\". Not a regular file");
        }
    }
}

}  // namespace
}  // namespace pelko
