#include "app/picture_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/output/save_capture.h"

namespace pelko {

namespace {

void writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            throw Error("Cannot write the picture to standard output. " +
                        std::string(std::strerror(error)));
        }
        done += std::size_t(n);
    }
}

}  // namespace

void writePictureTo(const std::string& target, const Bitmap& bitmap, ImageFormat format,
                    const EncodeOptions& options) {
    if (target != kStandardOutput) {
        writeImageFile(bitmap, format, options, target);
        return;
    }
    // Encoded whole first: an encoder that fails half-way writes nothing.
    VectorSink sink;
    encodeImage(sink, bitmap, format, options);
    writeAll(STDOUT_FILENO, sink.bytes);
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
