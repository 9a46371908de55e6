#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "core/codec/decode.h"
#include "core/error.h"

namespace pelko {

// What is wrong with a picture that a decoder refuses.
enum class PictureFault {
    Damaged,        // not of the format, or damaged
    Unsupported,    // a valid file of a kind that the decoder does not read
    TooLarge,       // declares more pixels than the limits allow
    TooLittleData,  // declares a picture that its data cannot fill: cut off or damaged
};

// The decoders' error: its message is the format's own (what byte-level callers show), and it
// tells a caller that knows the file's name what went wrong, to say so in words.
class PictureError : public Error {
  public:
    explicit PictureError(const std::string& message, PictureFault fault = PictureFault::Damaged,
                          std::uint64_t width = 0, std::uint64_t height = 0)
        : Error(message), m_fault(fault), m_width(width), m_height(height) {}

    PictureFault fault() const { return m_fault; }
    // The size the file declares, for TooLarge and TooLittleData.
    std::uint64_t declaredWidth() const { return m_width; }
    std::uint64_t declaredHeight() const { return m_height; }

  private:
    PictureFault m_fault;
    std::uint64_t m_width, m_height;
};

// No limit of its own: only what a Bitmap of 4 bytes per pixel can hold.
inline constexpr DecodeLimits kAnyBitmapSize{std::numeric_limits<std::size_t>::max()};

// Refuses a declared size past the limits, or too large for a Bitmap of 4 bytes per pixel
// (checkedImageSize), with the format's message for it.
void refuseOversizedPicture(std::uint64_t width, std::uint64_t height, const DecodeLimits& limits,
                            const char* message = "Out of memory");

}  // namespace pelko
