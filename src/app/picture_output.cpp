#include "app/picture_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/output/named_file.h"
#include "core/output/save_capture.h"

namespace pelko {

void writePictureTo(const std::string& target, const Bitmap& bitmap, ImageFormat format,
                    const EncodeOptions& options) {
    if (target != kStandardOutput) {
        writeImageToNamedFile(bitmap, format, options, target);
        return;
    }
    // Encoded whole first: an encoder that fails half-way writes nothing.
    VectorSink sink;
    encodeImage(sink, bitmap, format, options);
    if (const int error = writeAllBytes(STDOUT_FILENO, sink.bytes.data(), sink.bytes.size())) {
        throw Error("Cannot write the picture to standard output. " +
                    std::string(std::strerror(error)));
    }
}

std::optional<Error> printFilePath(const std::string& path) {
    const std::string line = path + "\n";
    if (const int error = writeAllBytes(STDOUT_FILENO, line.data(), line.size())) {
        return Error("Cannot write the name of \"" + path + "\" to standard output. " +
                     std::string(std::strerror(error)));
    }
    return std::nullopt;
}

bool isStandardOutput(const std::string& path) {
    struct stat named {};
    struct stat output {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 &&
           !S_ISREG(named.st_mode) && named.st_dev == output.st_dev &&
           named.st_ino == output.st_ino;
}

void guardStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        // Opened read-only, so that output written to it fails instead of vanishing.
        const int taken = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (taken >= 0 && taken != fd) {
            ::dup2(taken, fd);
            ::close(taken);
        }
    }
}

}  // namespace pelko
