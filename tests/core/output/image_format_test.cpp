#include "core/output/image_format.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(ResolveOutputFormat, ConfiguredTextAndOverrides) {
    using F = ImageFormat;
    struct Case {
        const char* saveas;
        int override;
        std::optional<ImageFormat> format;
    };
    const Case cases[] = {
        {"bmp", 0, F::Bmp},  {"jpg", 0, F::Jpeg},      {"png", 0, F::Png},
        {"gif", 0, F::Gif},  {"JPG", 0, F::Jpeg},      {"", 0, F::Bmp},
        {"Png", 0, F::Png},  {"gIF", 0, F::Gif},       {"BMP", 0, F::Bmp},
        {"jpgx", 0, F::Bmp}, {"jpeg", 0, F::Bmp},      {" png", 0, F::Bmp},
        {"gif", 1, F::Bmp},  {"bmp", 2, F::Jpeg},      {"bmp", 3, F::Png},
        {"bmp", 4, F::Gif},  {"png", 5, std::nullopt}, {"png", -1, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveOutputFormat(c.saveas, c.override), c.format)
            << c.saveas << " / " << c.override;
    }
    EXPECT_EQ(extensionOf(F::Bmp), ".bmp");
    EXPECT_EQ(extensionOf(F::Jpeg), ".jpg");
    EXPECT_EQ(extensionOf(F::Png), ".png");
    EXPECT_EQ(extensionOf(F::Gif), ".gif");
}

}  // namespace
}  // namespace pelko
