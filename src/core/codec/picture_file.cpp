#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "core/codec/decode.h"
#include "core/codec/picture_error.h"
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

const char* formatName(PictureFileKind kind) {
    switch (kind) {
        case PictureFileKind::Jpeg:
            return "JPEG";
        case PictureFileKind::Png:
            return "PNG";
        case PictureFileKind::Gif:
            return "GIF";
        case PictureFileKind::Bmp:
            break;
    }
    return "BMP";
}

const char* extensionFor(PictureFileKind kind) {
    switch (kind) {
        case PictureFileKind::Jpeg:
            return ".jpg";
        case PictureFileKind::Png:
            return ".png";
        case PictureFileKind::Gif:
            return ".gif";
        case PictureFileKind::Bmp:
            break;
    }
    return ".bmp";
}

// What is wrong with the file, in words, naming it; the decoder's own message stays in
// parentheses where it says more than the words do.
std::string pictureProblem(const std::string& path, PictureFileKind readAs,
                           const std::vector<std::uint8_t>& bytes, const PictureError& error) {
    const std::string file = "\"" + path + "\"";
    const std::string format = formatName(readAs);
    const std::string size =
        std::to_string(error.declaredWidth()) + " x " + std::to_string(error.declaredHeight());
    const std::string detail = std::string(" (") + error.what() + ").";
    switch (error.fault()) {
        case PictureFault::TooLarge:
            return file + " declares " + size + " pixels, more than Pelko reads.";
        case PictureFault::TooLittleData:
            return file + " declares " + size +
                   " pixels but holds too little data for them: it is cut off or damaged.";
        case PictureFault::Unsupported:
            return file + " is a kind of " + format + " file that Pelko does not read" + detail;
        case PictureFault::Damaged:
            break;
    }
    if (bytes.empty()) {
        return file + " is empty.";
    }
    // A picture read by its name as another format than it holds: the name is what to change.
    const std::optional<PictureFileKind> holds = kindBySignature(bytes);
    if (holds && *holds != readAs) {
        return file + " holds a " + formatName(*holds) +
               " picture, but its name makes Pelko read it as a " + format + " file" + detail +
               " Names of " + formatName(*holds) + " files end in \"" + extensionFor(*holds) +
               "\".";
    }
    return file + " is not a " + format + " file or is damaged" + detail;
}

// Decodes a file's bytes; a refusal names the file and says what is wrong with it. (The
// decoders take bytes and know no name, so the message gets it here.)
Bitmap decodeFile(const std::string& path, PictureFileKind kind,
                  const std::vector<std::uint8_t>& bytes, const DecodeLimits& limits) {
    try {
        return decodeAs(kind, bytes, limits);
    } catch (const PictureError& error) {
        throw Error(pictureProblem(path, kind, bytes, error));
    }
}

}  // namespace

Bitmap readPictureFile(const std::string& path, const DecodeLimits& limits) {
    return decodeFile(path, pictureFileKind(path), readFileBytes(path), limits);
}

Bitmap openPictureFile(const std::string& path, const DecodeLimits& limits) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return decodeFile(path, kindBySignature(bytes).value_or(pictureFileKind(path)), bytes, limits);
}

}  // namespace pelko
