#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "core/codec/decode.h"
#include "core/error.h"
#include "core/file_descriptor.h"

namespace pelko {

namespace {

[[noreturn]] void cannotOpen(const std::string& path, const char* reason) {
    throw Error(formatMessage("Cannot open file \"%s\". %s", {path, reason}));
}

[[noreturn]] void cannotOpen(const std::string& path, int error) {
    cannotOpen(path, std::strerror(error));
}

// Far more than any picture file a watermark or the editor reads; keeps a runaway file from
// filling the memory.
constexpr std::size_t kMaxFileSize = std::size_t(1) << 30;

// Only regular files are read: a FIFO, a socket or a device may wait for data or never end.
void refuseUnlessRegular(const std::string& path, mode_t mode) {
    if (S_ISDIR(mode)) {
        cannotOpen(path, EISDIR);
    }
    if (!S_ISREG(mode)) {
        cannotOpen(path, "Not a regular file");
    }
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    // Looked at before opening, since opening a device can itself do something (a tape
    // rewinds, a watchdog starts).
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        refuseUnlessRegular(path, info.st_mode);
    }
    // The path may name something else by now: O_NONBLOCK keeps the open of a FIFO from
    // waiting for a writer, O_NOCTTY keeps a terminal from becoming ours, and what was opened
    // is checked again. Neither flag changes how a regular file reads.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        cannotOpen(path, errno);
    }
    if (::fstat(file.get(), &info) != 0) {
        cannotOpen(path, errno);
    }
    refuseUnlessRegular(path, info.st_mode);
    if (std::uint64_t(info.st_size) > kMaxFileSize) {
        cannotOpen(path, EFBIG);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(info.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            cannotOpen(path, errno);
        }
        if (n == 0) {
            return bytes;
        }
        if (bytes.size() + std::size_t(n) > kMaxFileSize) {
            cannotOpen(path, EFBIG);
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
}

PictureFileKind pictureFileKind(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (extension == "jpeg" || extension == "jpg") {
        return PictureFileKind::Jpeg;
    }
    if (extension == "png") {
        return PictureFileKind::Png;
    }
    if (extension == "gif") {
        return PictureFileKind::Gif;
    }
    return PictureFileKind::Bmp;
}

namespace {

Bitmap decodeAs(PictureFileKind kind, const std::vector<std::uint8_t>& bytes,
                const DecodeLimits& limits) {
    switch (kind) {
        case PictureFileKind::Jpeg:
            return decodeJpeg(bytes, limits);
        case PictureFileKind::Png:
            return decodePng(bytes, limits);
        case PictureFileKind::Gif:
            return decodeGif(bytes, limits);
        case PictureFileKind::Bmp:
            break;
    }
    return decodeBmp(bytes, limits);
}

std::optional<PictureFileKind> kindBySignature(const std::vector<std::uint8_t>& bytes) {
    auto startsWith = [&bytes](std::initializer_list<std::uint8_t> signature) {
        return bytes.size() >= signature.size() &&
               std::equal(signature.begin(), signature.end(), bytes.begin());
    };
    if (startsWith({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        return PictureFileKind::Png;
    }
    if (startsWith({0xFF, 0xD8, 0xFF})) {
        return PictureFileKind::Jpeg;
    }
    if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'})) {
        return PictureFileKind::Gif;
    }
    if (startsWith({'B', 'M'})) {
        return PictureFileKind::Bmp;
    }
    return std::nullopt;
}

}  // namespace

Bitmap readPictureFile(const std::string& path, const DecodeLimits& limits) {
    const PictureFileKind kind = pictureFileKind(path);
    return decodeAs(kind, readFileBytes(path), limits);
}

Bitmap openPictureFile(const std::string& path, const DecodeLimits& limits) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return decodeAs(kindBySignature(bytes).value_or(pictureFileKind(path)), bytes, limits);
}

}  // namespace pelko
