#pragma once

#include <optional>
#include <string>

#include "core/codec/encode.h"
#include "core/error.h"
#include "core/image/bitmap.h"

namespace pelko {

// The target "-": standard output.
inline constexpr char kStandardOutput[] = "-";

// Writes the encoded picture exactly to target, through what is there (a link is followed, a
// device or FIFO is written in place, a regular file is replaced whole or not at all), or with
// target "-" to standard output, which then carries the picture and nothing else. Throws
// pelko::Error with the reason when the picture cannot be written completely (a missing or
// read-only folder, standard output closed, a reader that went away, a full disk).
void writePictureTo(const std::string& target, const Bitmap& bitmap, ImageFormat format,
                    const EncodeOptions& options);

// Prints a written file's path on its own line of standard output; the error that says why it
// could not be printed (standard output closed, full or without a reader), none when printed.
std::optional<Error> printFilePath(const std::string& path);

// Whether path names what standard output writes to (/proc/self/fd/1, /dev/stdout, the
// terminal or pipe itself), apart from a regular file, which a picture replaces.
bool isStandardOutput(const std::string& path);

// Keeps descriptors 0, 1 and 2 taken, so that no file or connection the program opens lands on
// them. A closed standard output is taken by a descriptor that refuses writes: a picture
// written there fails with "Bad file descriptor" instead of reaching another file.
void guardStandardDescriptors();

}  // namespace pelko
