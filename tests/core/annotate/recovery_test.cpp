// The known attack on pixelated text: render every candidate text the way the original was
// rendered, pixelate it the same way and keep the candidate whose blocks come closest. Plain
// block averaging gives the text away; the editor's pixelation must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/annotate/redaction.h"
#include "support/pictures.h"

namespace pelko {
namespace {

// Digits of a 5 x 7 font, one row a byte, the leftmost pixel the highest of five bits.
constexpr std::array<std::array<std::uint8_t, 7>, 10> kDigits{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

constexpr int kScale = 2;               // font pixels are 2 x 2
constexpr int kAdvance = 6 * kScale;    // one column of space between digits
constexpr Box kTextArea{6, 5, 96, 24};  // the redacted area, two rows of 12-pixel blocks
constexpr int kBlock = kMinPixelBlock;

// Dark grey digits on white, as a line of a document would look.
Bitmap renderLine(const std::string& digits) {
    Bitmap b = test::filledPicture(110, 34, 0xFFFFFF);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto& glyph = kDigits[std::size_t(digits[i] - '0')];
        for (int gy = 0; gy < 7; ++gy) {
            for (int gx = 0; gx < 5; ++gx) {
                if (((glyph[std::size_t(gy)] >> (4 - gx)) & 1) == 0) {
                    continue;
                }
                for (int sy = 0; sy < kScale; ++sy) {
                    for (int sx = 0; sx < kScale; ++sx) {
                        b.setPixel32(kTextArea.x + 3 + int(i) * kAdvance + gx * kScale + sx,
                                     kTextArea.y + 5 + gy * kScale + sy, 0x202020);
                    }
                }
            }
        }
    }
    return b;
}

// The grey level of each block of the area, read from its top left pixel.
std::vector<int> blockLevels(const Bitmap& b) {
    std::vector<int> out;
    for (int y = kTextArea.y; y < kTextArea.bottom(); y += kBlock) {
        for (int x = kTextArea.x; x < kTextArea.right(); x += kBlock) {
            out.push_back(int(b.pixel32(x, y) & 0xFF));
        }
    }
    return out;
}

long distance(const std::vector<int>& a, const std::vector<int>& b) {
    long d = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        d += long(a[i] - b[i]) * (a[i] - b[i]);
    }
    return d;
}

// The secret text and the candidates an attacker tries: the secret among 999 others.
std::vector<std::string> candidates(const std::string& secret) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> digit(0, 9);
    std::vector<std::string> out{secret};
    while (out.size() < 1000) {
        std::string s;
        for (int i = 0; i < 7; ++i) {
            s += char('0' + digit(rng));
        }
        if (s != secret) {
            out.push_back(s);
        }
    }
    return out;
}

// How many candidates match the observed blocks at least as well as the secret (index 0)
// does, the secret left out: 0 means the attack finds it.
int betterOrEqualThanSecret(const std::vector<int>& observed,
                            const std::vector<std::vector<int>>& expected) {
    const long secret = distance(observed, expected[0]);
    int rank = 0;
    for (std::size_t i = 1; i < expected.size(); ++i) {
        rank += distance(observed, expected[i]) <= secret ? 1 : 0;
    }
    return rank;
}

std::vector<int> plainLevels(const std::string& text) {
    Bitmap b = renderLine(text);
    averageBlocks(b, kTextArea, kBlock);
    return blockLevels(b);
}

const std::string kSecret = "4071862";

TEST(PixelationRecovery, PlainBlockAveragingGivesTheTextAway) {
    const auto texts = candidates(kSecret);
    std::vector<std::vector<int>> expected;
    for (const auto& t : texts) {
        expected.push_back(plainLevels(t));
    }
    EXPECT_EQ(betterOrEqualThanSecret(plainLevels(kSecret), expected), 0);
}

TEST(PixelationRecovery, NoisyPixelationDoesNotGiveTheTextAway) {
    const auto texts = candidates(kSecret);
    // The attacker knows the method but not the noise: its best guess of each candidate's
    // blocks is the noise-free level, the region's mean a quarter of the way to the block's.
    std::vector<std::vector<int>> expected;
    for (const auto& t : texts) {
        const std::vector<int> blocks = plainLevels(t);
        Bitmap b = renderLine(t);
        averageBlocks(b, kTextArea, kTextArea.w);  // wider than the area: its mean
        const int mean = int(b.pixel32(kTextArea.x, kTextArea.y) & 0xFF);
        std::vector<int> guess;
        for (int level : blocks) {
            guess.push_back(mean + (level - mean) / 4);
        }
        expected.push_back(guess);
    }
    // Over many secrets of noise the secret text is not found, and on average a quarter of the
    // candidates fit the blocks at least as well as it: the blocks tell the texts apart little
    // better than chance.
    int found = 0;
    long ranks = 0;
    constexpr int kTrials = 20;
    for (int trial = 0; trial < kTrials; ++trial) {
        Bitmap b = renderLine(kSecret);
        pixelateBox(b, kTextArea, kBlock, 0x5EC2E7ull * std::uint64_t(trial + 1));
        const int rank = betterOrEqualThanSecret(blockLevels(b), expected);
        found += rank == 0 ? 1 : 0;
        ranks += rank;
    }
    EXPECT_EQ(found, 0);
    EXPECT_GT(ranks / kTrials, 250);
}

}  // namespace
}  // namespace pelko
