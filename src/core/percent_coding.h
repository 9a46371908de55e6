#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelko {

// The bytes of text with each %XX escape (hexadecimal, either case) decoded. None for a "%"
// without two hexadecimal digits after it, and for an escape of the NUL byte, which no path
// or name holds.
std::optional<std::string> percentDecoded(std::string_view text);

// Appends text to out with every byte that kept() refuses written as %XX (upper case).
void appendPercentEncoded(std::string& out, std::string_view text, bool (*kept)(unsigned char));

}  // namespace pelko
