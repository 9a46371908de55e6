#pragma once

#include <string>

#include "core/codec/encode.h"
#include "core/image/bitmap.h"
#include "core/output/image_format.h"

namespace pelko {

// Where a picture written to a path the user named ends up. What is at the path is written
// through, as other capture tools do: a symbolic link is followed and stays a link, a special
// file (a device, a FIFO, a descriptor of /proc/self/fd) takes the bytes in place, and only a
// regular file, or nothing, is replaced in one step under its name.
struct NamedFileTarget {
    enum class Kind { Replace, WriteInPlace };
    Kind kind = Kind::Replace;
    std::string path;  // the file to replace (every link followed) or the special file
};

// Works out the target of `path`; throws "Cannot create file ..." for a loop of links.
NamedFileTarget resolveNamedFile(const std::string& path);

// Encodes the picture and writes it to `path` as resolveNamedFile says. An encoder that fails
// writes nothing: a special file gets the picture only once it is encoded whole.
void writeImageToNamedFile(const Bitmap& bitmap, ImageFormat format, const EncodeOptions& options,
                           const std::string& path);

}  // namespace pelko
