#include <gtest/gtest.h>

#include <filesystem>

#include "core/codec/decode.h"
#include "core/error.h"
#include "decoder_fixtures.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::argbPixels;
using test::decodeError;

class PngSuite : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(m_dir + "/png")) {
            GTEST_SKIP() << "no PngSuite at " << m_dir;
        }
    }
    std::vector<std::uint8_t> png(const std::string& name) const {
        return readFileBytes(m_dir + "/png/" + name + ".png");
    }
    std::vector<std::string> names(bool corrupt) const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(m_dir + "/png")) {
            const std::string name = entry.path().stem().string();
            if ((name[0] == 'x') == corrupt) {
                out.push_back(name);
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string m_dir = PELKO_PNGSUITE_DIR;
};

TEST_F(PngSuite, EveryValidFileGivesItsReferencePixels) {
    for (const std::string& name : names(false)) {
        SCOPED_TRACE(name);
        const Bitmap decoded = decodePng(png(name));
        const Bitmap expected = decodeBmp(readFileBytes(m_dir + "/bmp/" + name + ".bmp"));
        ASSERT_EQ(decoded.width(), expected.width());
        ASSERT_EQ(decoded.height(), expected.height());
        // 16-bit grey levels are cut to their high byte; the references round some of them.
        const int tolerance = name.find("0g16") != std::string::npos ? 1 : 0;
        test::expectSamePixels(argbPixels(decoded), argbPixels(expected), tolerance);
    }
}

TEST_F(PngSuite, DepthFollowsTheFile) {
    struct Case {
        const char* name;
        int depth;
    } cases[] = {
        {"basn3p01", 1},  {"basn0g01", 1},  {"basn0g02", 4},  {"basn3p02", 4},
        {"basn3p04", 4},  {"basn0g08", 8},  {"basn3p08", 8},  {"basn0g16", 8},
        {"basn2c08", 24}, {"basn2c16", 24}, {"basi2c08", 24}, {"basn4a08", 32},
        {"basn6a16", 32}, {"tbbn3p08", 32}, {"tbrn2c08", 32}, {"tbbn0g04", 32},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodePng(png(c.name)).depth(), c.depth) << c.name;
    }
    // Grey levels spread over the whole range.
    const Bitmap grey = decodePng(png("basn0g02"));
    EXPECT_EQ(grey.palette(),
              (std::vector<Rgb>{{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}));
}

TEST_F(PngSuite, CorruptFilesGiveLibpngsMessage) {
    for (const std::string& name : names(true)) {
        EXPECT_NE(decodeError(decodePng, png(name)), "") << name;
    }
    EXPECT_EQ(decodeError(decodePng, png("xs1n0g01")), "Not a PNG file");
    EXPECT_EQ(decodeError(decodePng, png("xcsn0g01")), "IDAT: CRC error");
    EXPECT_EQ(decodeError(decodePng, png("xhdn0g08")), "IHDR: CRC error");
    EXPECT_EQ(decodeError(decodePng, std::vector<std::uint8_t>{}), "Read Error");
}

TEST(DecodePng, RefusesPicturesPastTheLimitBeforeAllocating) {
    const std::vector<std::uint8_t> file = test::fixtureBytes("picture.png");
    EXPECT_EQ(decodePng(file, DecodeLimits{13 * 7}).width(), 13);
    EXPECT_THROW(decodePng(file, DecodeLimits{13 * 7 - 1}), Error);
}

}  // namespace
}  // namespace pelko
