#include "app/command_line.h"

#include <gtest/gtest.h>

#include "app/capture_overrides.h"

namespace pelko {
namespace {

using Args = std::vector<std::string>;

TEST(ParseCommandLine, ShortFormsEqualsValuesAndAFileNameMeanTheLongOptions) {
    struct Case {
        Args given;
        Args same;
    };
    const Case cases[] = {
        {{"-s"}, {"--capture", "rect"}},
        {{"-u", "-p"}, {"--capture", "window", "--pointer"}},
        {{"-sp"}, {"--capture", "rect", "--pointer"}},
        {{"-s", "-d", "2.5"}, {"--capture", "rect", "--delay", "2.5"}},
        {{"-sd2.5"}, {"--capture", "rect", "--delay", "2.5"}},
        {{"--capture=screen", "--quality=40"}, {"--capture", "screen", "--quality", "40"}},
        {{"--geometry=10x10-5+3", "--output=a=b.png"},
         {"--geometry", "10x10-5+3", "--output", "a=b.png"}},
        {{"-s", "shot.png"}, {"--capture", "rect", "--output", "shot.png"}},
        {{"shot.png", "-s"}, {"--capture", "rect", "--output", "shot.png"}},
        {{"-s", "-"}, {"--capture", "rect", "--output", "-"}},
        {{"-s", "--", "-x.png"}, {"--capture", "rect", "--output", "-x.png"}},
        {{"--output", "-x.png", "-s"}, {"--capture", "rect", "--output", "-x.png"}},
        {{"--window", "root"}, {"--window", "0"}},
        {{"-s", "x.webp", "--format", "png"},
         {"--capture", "rect", "--output", "x.webp", "--format", "png"}},
        {{"-s", "noext"}, {"--capture", "rect", "--output", "noext"}},
        {{"-s", ".hidden"}, {"--capture", "rect", "--output", ".hidden"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given.front());
        const CommandLine given = parseCommandLine(c.given);
        if (c.same == Args{"--window", "0"}) {
            EXPECT_EQ(given.overrides.window, kRootWindow);
            continue;
        }
        const CommandLine same = parseCommandLine(c.same);
        EXPECT_EQ(given.action, CommandLine::Action::Capture);
        EXPECT_EQ(given.captureMode, same.captureMode);
        EXPECT_EQ(given.overrides.pointer, same.overrides.pointer);
        EXPECT_EQ(given.overrides.delaySeconds, same.overrides.delaySeconds);
        EXPECT_EQ(given.overrides.output, same.overrides.output);
        EXPECT_EQ(given.overrides.region, same.overrides.region);
        EXPECT_EQ(given.overrides.jpegQuality, same.overrides.jpegQuality);
        EXPECT_EQ(given.overrides.format, same.overrides.format);
    }
}

TEST(ParseCommandLine, RefusesWhatItCannotRun) {
    const Args cases[] = {
        {"-z"},
        {"-s", "-d"},
        {"-sz"},
        {"--pointer=1", "-s"},
        {"--bogus=1"},
        {"-s", "a.png", "b.png"},
        {"-s", "--output", "a.png", "b.png"},
        {"shot.png"},
        {"-s", "x.webp"},
        {"-s", "dir.d/x.tiff"},
        {"--completion", "tcsh"},
    };
    for (const Args& args : cases) {
        EXPECT_THROW(parseCommandLine(args), UsageError) << args.front() << " " << args.back();
    }
}

TEST(ParseCommandLine, TheSelectorGetsTheRunsPointerChoice) {
    for (const char* option : {"--pointer", "--no-pointer"}) {
        const CommandLine run = parseCommandLine({"-s", option});
        // The selector program parses its mode and the forwarded options alike.
        Args forwarded{"--capture", "rect"};
        for (const std::string& a : selectorOptionArguments(run.overrides)) {
            forwarded.push_back(a);
        }
        EXPECT_EQ(parseCommandLine(forwarded).overrides.pointer, run.overrides.pointer);
    }
    EXPECT_TRUE(selectorOptionArguments(parseCommandLine({"-s"}).overrides).empty());
}

TEST(UsageText, NamesEveryOptionOnceWithItsShortForm) {
    const std::string text = usageText();
    for (const OptionInfo& option : commandOptions()) {
        if (option.help) {
            EXPECT_NE(text.find(std::string("  ") + option.name), std::string::npos) << option.name;
        } else {
            EXPECT_EQ(text.find(option.name), std::string::npos) << option.name;
        }
        if (option.shortName) {
            EXPECT_NE(text.find(std::string("  -") + option.shortName + " "), std::string::npos);
        }
    }
    for (const ShortAlias& alias : shortAliases()) {
        EXPECT_NE(text.find(std::string("  -") + alias.letter + " "), std::string::npos);
    }
}

}  // namespace
}  // namespace pelko
