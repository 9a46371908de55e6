#include "platform/desktop/tray_message.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pelko {
namespace {

using Files = std::vector<std::string>;

// Names as file systems allow them arrive byte for byte, on one line of their own.
TEST(TrayMessage, EditPathsSurviveTheLineWhateverTheirBytes) {
    const std::string latin1 = "/tmp/caf\xe9.png";  // no UTF-8
    for (const Files& files :
         {Files{"/tmp/A.png"}, Files{"/tmp/B c.png", "/tmp/A.png"}, Files{"/tmp/line\nbreak.png"},
          Files{latin1}, Files{"/tmp/100%.png", "/tmp/%41.png"}, Files{"/tmp/tab\there\r.png"},
          Files{"/tmp/\xc3\xa9t\xc3\xa9 \xe2\x98\x83.png"}, Files{"edit", "countdown 3"},
          Files{std::string(3000, ' ')}}) {
        const std::string line = encodeTrayMessage(TrayMessage::edit(files));
        ASSERT_EQ(line.find('\n'), line.size() - 1) << line;
        const std::optional<TrayMessage> decoded =
            decodeTrayMessage(std::string_view(line).substr(0, line.size() - 1));
        ASSERT_TRUE(decoded) << line;
        EXPECT_EQ(decoded->kind, TrayMessage::Kind::Edit);
        EXPECT_EQ(decoded->files, files) << line;
    }
}

TEST(TrayMessage, CountdownsRoundTripAndNegativesAreTheEnd) {
    for (const auto& [sent, read] : {std::pair{3, 3}, {1, 1}, {0, 0}, {-5, 0}, {3600, 3600}}) {
        const std::string line = encodeTrayMessage(TrayMessage::countdown(sent));
        const auto decoded = decodeTrayMessage(std::string_view(line).substr(0, line.size() - 1));
        ASSERT_TRUE(decoded) << line;
        EXPECT_EQ(decoded->kind, TrayMessage::Kind::Countdown);
        EXPECT_EQ(decoded->secondsLeft, read) << line;
    }
}

TEST(TrayMessage, ShowIsOneWord) {
    EXPECT_EQ(encodeTrayMessage(TrayMessage::show()), "show\n");
    const auto decoded = decodeTrayMessage("show");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->kind, TrayMessage::Kind::Show);
}

TEST(TrayMessage, LinesFromOtherPeersDecodeAsWritten) {
    struct Case {
        std::string line;
        std::optional<Files> files;      // an edit
        std::optional<int> secondsLeft;  // a countdown
    };
    const std::vector<Case> cases{
        {"edit /a /b%20c", Files{"/a", "/b c"}, {}},
        {"edit /%c3%A9", Files{"/\xc3\xa9"}, {}},
        {"edit  /a ", Files{"/a"}, {}},  // empty names are left out
        {"countdown 7", {}, 7},
        {"countdown 99999", {}, 3600},
        {"countdown 000000002", {}, 2},
        // Garbage: none.
        {"", {}, {}},
        {"edit", {}, {}},
        {"edit ", {}, {}},
        {"EDIT /a", {}, {}},
        {"open /a", {}, {}},
        {"edit /a%", {}, {}},
        {"edit /a%4", {}, {}},
        {"edit /a%zz", {}, {}},
        {"edit /a%00b", {}, {}},
        {"countdown", {}, {}},
        {"countdown ", {}, {}},
        {"countdown -1", {}, {}},
        {"countdown 3 4", {}, {}},
        {"countdown 3x", {}, {}},
        {"countdown 9999999999", {}, {}},
        {std::string("edit /a\0b", 9), {}, {}},
        {"show x", {}, {}},
        {"show ", {}, {}},
    };
    for (const Case& c : cases) {
        const std::optional<TrayMessage> decoded = decodeTrayMessage(c.line);
        if (c.files) {
            ASSERT_TRUE(decoded && decoded->kind == TrayMessage::Kind::Edit) << c.line;
            EXPECT_EQ(decoded->files, *c.files) << c.line;
        } else if (c.secondsLeft) {
            ASSERT_TRUE(decoded && decoded->kind == TrayMessage::Kind::Countdown) << c.line;
            EXPECT_EQ(decoded->secondsLeft, *c.secondsLeft) << c.line;
        } else {
            EXPECT_FALSE(decoded) << c.line;
        }
    }
}

TEST(TrayLineReader, CutsLinesAcrossReadsAndStopsAtTheLimit) {
    TrayLineReader reader;
    reader.feed("countdown 3\nedit /a");
    EXPECT_EQ(reader.next(), "countdown 3");
    EXPECT_EQ(reader.next(), std::nullopt);  // the second line is not complete yet
    reader.feed("%20b\n\n");
    EXPECT_EQ(reader.next(), "edit /a%20b");
    EXPECT_EQ(reader.next(), "");
    EXPECT_FALSE(reader.overflowed());

    // A line of exactly the limit is read; one byte more ends the connection's use, whether it
    // comes in one piece or in many.
    reader.feed(std::string(kMaxTrayLine, 'x') + "\n");
    EXPECT_EQ(reader.next()->size(), kMaxTrayLine);
    EXPECT_FALSE(reader.overflowed());
    for (const std::size_t piece : {kMaxTrayLine + 1, std::size_t(4096)}) {
        TrayLineReader flooded;
        for (std::size_t fed = 0; fed <= kMaxTrayLine && !flooded.overflowed(); fed += piece) {
            flooded.feed(std::string(piece, 'x'));
        }
        EXPECT_TRUE(flooded.overflowed()) << piece;
        flooded.feed("\ncountdown 1\n");
        EXPECT_EQ(flooded.next(), std::nullopt) << piece;
    }
    // A long line that arrives with its end at once is measured too.
    TrayLineReader whole;
    whole.feed(std::string(kMaxTrayLine + 1, 'x') + "\ncountdown 1\n");
    EXPECT_EQ(whole.next(), std::nullopt);
    EXPECT_TRUE(whole.overflowed());
}

}  // namespace
}  // namespace pelko
