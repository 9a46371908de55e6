#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/codec/decode.h"
#include "core/error.h"
#include "support/pictures.h"

namespace pelko::test {

inline std::string fixture(const std::string& name) {
    return std::string(PELKO_DECODER_DATA) + "/" + name;
}

inline std::vector<std::uint8_t> fixtureBytes(const std::string& name) {
    return readFileBytes(fixture(name));
}

// Pixels as Pillow decoded them: NAME.rgba beside the file.
struct Reference {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};

inline Reference reference(const std::string& name) {
    const std::vector<std::uint8_t> raw = fixtureBytes(name + ".rgba");
    Reference r;
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(raw.at(at)) | std::uint32_t(raw.at(at + 1)) << 8 |
               std::uint32_t(raw.at(at + 2)) << 16 | std::uint32_t(raw.at(at + 3)) << 24;
    };
    r.width = int(u32(0));
    r.height = int(u32(4));
    for (std::size_t i = 8; i + 3 < raw.size(); i += 4) {
        r.argb.push_back(std::uint32_t(raw[i + 3]) << 24 | std::uint32_t(raw[i]) << 16 |
                         std::uint32_t(raw[i + 1]) << 8 | raw[i + 2]);
    }
    return r;
}

// Each channel of every pixel within tolerance of the expected one; the colour of pixels that
// are fully transparent in both does not count. Reports the first few differences.
inline void expectSamePixels(const std::vector<std::uint32_t>& got,
                             const std::vector<std::uint32_t>& want, int tolerance = 0) {
    ASSERT_EQ(got.size(), want.size());
    int mismatches = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if ((got[i] >> 24) == 0 && (want[i] >> 24) == 0) {
            continue;
        }
        for (int shift : {0, 8, 16, 24}) {
            const int a = int(got[i] >> shift & 0xFF), b = int(want[i] >> shift & 0xFF);
            if (a - b > tolerance || b - a > tolerance) {
                if (mismatches++ < 3) {
                    ADD_FAILURE() << "pixel " << i << ": " << std::hex << got[i] << " instead of "
                                  << want[i];
                }
                break;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

inline void expectMatchesReference(const Bitmap& decoded, const std::string& name,
                                   int tolerance = 0) {
    SCOPED_TRACE(name);
    const Reference ref = reference(name);
    ASSERT_EQ(decoded.width(), ref.width);
    ASSERT_EQ(decoded.height(), ref.height);
    expectSamePixels(argbPixels(decoded), ref.argb, tolerance);
}

// The error message a decoder gives for the bytes, or "" when it gives a picture.
template <typename Decode>
std::string decodeError(Decode decode, const std::vector<std::uint8_t>& bytes) {
    try {
        decode(std::span<const std::uint8_t>(bytes), DecodeLimits{});
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

}  // namespace pelko::test
