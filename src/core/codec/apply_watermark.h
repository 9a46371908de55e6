#pragma once

#include <string>

#include "core/image/bitmap.h"

namespace pelko {

// Stamps the picture in imageFile onto target, at top and left (in pixels or percent of the
// target's height and width, by verticalUnit and horizontalUnit) from the corner that
// direction names, leaving out the stamp's transparent colour when transparent is set. The
// file is read as its extension says (readPictureFile). Every error (an unreadable file, a
// file its decoder refuses, named with what is wrong and the decoder's message: "Bitmap image
// is not valid", "JPEG error #%d", the PNG and GIF decoders' messages) reaches the caller with
// the target unchanged.
void ApplyWatermark(Bitmap& target, const std::string& imageFile, int top, int left,
                    bool transparent, int direction, int horizontalUnit, int verticalUnit);

}  // namespace pelko
