#pragma once

#include <string>

#include "core/codec/encode.h"
#include "core/image/bitmap.h"

namespace pelko {

// The target "-": standard output.
inline constexpr char kStandardOutput[] = "-";

// Writes the encoded picture exactly to target, replacing a file there (it appears whole or
// not at all), or with target "-" to standard output, which then carries the picture and
// nothing else. Throws pelko::Error with the reason when the picture cannot be written
// completely (a missing or read-only folder, standard output closed, a reader that went away,
// a full disk).
void writePictureTo(const std::string& target, const Bitmap& bitmap, ImageFormat format,
                    const EncodeOptions& options);

// Keeps descriptors 0, 1 and 2 taken, so that no file or connection the program opens lands on
// them. A closed standard output is taken by a descriptor that refuses writes: a picture
// written there fails with "Bad file descriptor" instead of reaching another file.
void guardStandardDescriptors();

}  // namespace pelko
