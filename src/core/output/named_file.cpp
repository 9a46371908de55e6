#include "core/output/named_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/codec/sink.h"
#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/output/save_capture.h"

namespace pelko {

namespace {

// As many links as the kernel follows in one path (MAXSYMLINKS).
constexpr int kMaxLinks = 40;

[[noreturn]] void fail(const char* message, const std::string& path, int error) {
    throw Error(formatMessage(message, {path, std::strerror(error)}));
}

std::string linkValue(const std::string& link) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            fail("Cannot create file \"%s\". %s", link, errno);
        }
        if (std::size_t(n) < buffer.size()) {
            return std::string(buffer.data(), std::size_t(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Follows the links at the end of path one by one, so that a link whose target does not exist
// yet leads to the name the new file gets.
std::string followLinks(std::string path) {
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        if (links == kMaxLinks) {
            fail("Cannot create file \"%s\". %s", path, ELOOP);
        }
        const std::string value = linkValue(path);
        const std::size_t slash = path.rfind('/');
        path = (!value.empty() && value.front() == '/') || slash == std::string::npos
                   ? value
                   : path.substr(0, slash + 1) + value;
    }
}

}  // namespace

NamedFileTarget resolveNamedFile(const std::string& path) {
    struct stat st {};
    // stat follows every link, the kernel's own ones of /proc/self/fd included, whose text
    // names no file ("pipe:[1234]").
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return {NamedFileTarget::Kind::WriteInPlace, path};
    }
    return {NamedFileTarget::Kind::Replace, followLinks(path)};
}

void writeImageToNamedFile(const Bitmap& bitmap, ImageFormat format, const EncodeOptions& options,
                           const std::string& path) {
    const NamedFileTarget target = resolveNamedFile(path);
    if (target.kind == NamedFileTarget::Kind::Replace) {
        writeImageFile(bitmap, format, options, target.path);
        return;
    }
    VectorSink sink;
    encodeImage(sink, bitmap, format, options);
    // Not waiting for a reader: a FIFO that nobody reads fails at once instead of hanging.
    const FileDescriptor fd(
        ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        fail("Cannot create file \"%s\". %s", target.path, errno);
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    if (const int error = writeAllBytes(fd.get(), sink.bytes.data(), sink.bytes.size())) {
        fail("Cannot write file \"%s\". %s", target.path, error);
    }
}

}  // namespace pelko
