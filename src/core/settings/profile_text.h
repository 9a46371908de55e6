#pragma once

#include <optional>
#include <string>
#include <string_view>

// The character encodings a settings file may come in from Windows, and their conversion to
// and from the UTF-8 the rest of the program uses.
namespace pelko {

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool isUtf8(std::string_view bytes);

// Windows-1252 (the ANSI code page of Western Windows) to UTF-8. Every byte has a character:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the
// control characters of the same number, as Windows converts them.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; none when the text is not UTF-8 or holds a character the code page
// lacks.
std::optional<std::string> utf8ToWindows1252(std::string_view text);

// UTF-8 text with every byte that is not part of a well-formed character replaced by U+FFFD.
std::string utf8WithReplacements(std::string_view bytes);

// UTF-16 (little- or big-endian, an even number of bytes, no byte-order mark) to UTF-8. A
// lone surrogate becomes the three-byte form of its code point, so that utf8ToUtf16 gives the
// same bytes back for any input.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// UTF-8 to UTF-16. Three-byte forms of surrogates become those surrogates; a byte that is not
// part of a UTF-8 character is taken as Windows-1252, as Windows reads text that is not UTF-8.
std::string utf8ToUtf16(std::string_view text, bool bigEndian);

}  // namespace pelko
