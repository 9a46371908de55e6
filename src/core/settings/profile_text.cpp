#include "core/settings/profile_text.h"

#include <cstdint>

namespace pelko {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; from 0xA0 on the code page is Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char32_t windows1252Char(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t(byte);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

struct Decoded {
    char32_t c;
    std::size_t length;  // 0: the byte at the position starts no character
};

// The UTF-8 character at pos; surrogates (which UTF-8 forbids) only when allowed.
Decoded decodeUtf8(std::string_view s, std::size_t pos, bool allowSurrogates) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length;
    char32_t c, min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return {0, 0};
    }
    if (s.size() - pos < length) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return {0, 0};
        }
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (c < min || c > 0x10FFFF || (surrogate && !allowSurrogates)) {
        return {0, 0};
    }
    return {c, length};
}

void appendUnit(std::string& out, char16_t unit, bool bigEndian) {
    const char high = char(unit >> 8), low = char(unit & 0xFF);
    if (bigEndian) {
        out += high;
        out += low;
    } else {
        out += low;
        out += high;
    }
}

}  // namespace

bool isUtf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Decoded d = decodeUtf8(bytes, pos, false);
        if (d.length == 0) {
            return false;
        }
        pos += d.length;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        appendUtf8(out, windows1252Char(static_cast<unsigned char>(b)));
    }
    return out;
}

std::optional<std::string> utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decodeUtf8(text, pos, false);
        if (d.length == 0) {
            return std::nullopt;
        }
        pos += d.length;
        if (d.c < 0x80 || (d.c >= 0xA0 && d.c <= 0xFF)) {
            out += char(d.c);
            continue;
        }
        bool found = false;
        for (unsigned i = 0; i < 32 && !found; ++i) {
            if (kHighControls[i] == d.c) {
                out += char(0x80 + i);
                found = true;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return out;
}

std::string utf8WithReplacements(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Decoded d = decodeUtf8(bytes, pos, false);
        if (d.length == 0) {
            appendUtf8(out, 0xFFFD);
            ++pos;
        } else {
            out.append(bytes.substr(pos, d.length));
            pos += d.length;
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char16_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::string utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t pos = 0; pos < text.size();) {
        Decoded d = decodeUtf8(text, pos, true);
        if (d.length == 0) {
            d = {windows1252Char(static_cast<unsigned char>(text[pos])), 1};
        }
        pos += d.length;
        if (d.c >= 0x10000) {
            appendUnit(out, char16_t(0xD800 + ((d.c - 0x10000) >> 10)), bigEndian);
            appendUnit(out, char16_t(0xDC00 + ((d.c - 0x10000) & 0x3FF)), bigEndian);
        } else {
            appendUnit(out, char16_t(d.c), bigEndian);
        }
    }
    return out;
}

}  // namespace pelko
