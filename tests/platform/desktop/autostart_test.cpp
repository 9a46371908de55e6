#include "platform/desktop/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/error.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::readText;
using test::TempDir;

TEST(Autostart, WritesAndRemovesTheEntry) {
    TempDir dir;
    Autostart autostart(dir.path());
    EXPECT_EQ(autostart.entryPath(), dir.path() + "/autostart/pelko.desktop");
    autostart.set(false, "/opt/pelko/pelko");  // nothing there: no error
    autostart.set(true, "/opt/pelko/pelko");
    std::string entry = readText(autostart.entryPath());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/opt/pelko/pelko\n"), std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    autostart.set(false, "/opt/pelko/pelko");
    EXPECT_FALSE(std::filesystem::exists(autostart.entryPath()));
}

TEST(Autostart, FailedWriteIsReported) {
    TempDir dir;
    Autostart autostart(dir.path());
    std::filesystem::create_directories(autostart.entryPath());  // a folder where the file goes
    try {
        autostart.set(true, "/opt/pelko/pelko");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Pelko'");
    }
}

// Each argument of the command is quoted when it needs it; then the value is written with the
// escapes of a desktop entry's strings (a backslash doubled, a line break as \n).
TEST(Autostart, ExecValueQuotesEachArgumentThatNeedsIt) {
    struct Case {
        std::vector<std::string> command;
        const char* exec;
    };
    const Case cases[] = {
        {{"/opt/pelko/pelko"}, "/opt/pelko/pelko"},
        {{"/home/a b/pelko"}, "\"/home/a b/pelko\""},
        {{"/x/100%/pelko"}, "/x/100%%/pelko"},
        {{"/x/$HOME/p"}, "\"/x/\\\\$HOME/p\""},
        {{"/x/a\"b"}, "\"/x/a\\\\\"b\""},
        {{"/x/a\\b"}, "\"/x/a\\\\\\\\b\""},
        {{"/x/a`b'c"}, "\"/x/a\\\\`b'c\""},
        {{"/p", "--home", "/h/line\nbreak\ttab"}, "/p --home \"/h/line\\nbreak\\ttab\""},
        {{"/p", "--home", "/h/50% a"}, "/p --home \"/h/50%% a\""},
        {{"/p", "--home", ""}, "/p --home \"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(desktopExecValue(c.command), c.exec) << c.command.back();
    }
}

// The entry carries the program folder it was written from.
TEST(Autostart, EntryRunsTheCommandWithItsArguments) {
    TempDir dir;
    Autostart autostart(dir.path());
    autostart.set(true, "/opt/pelko/pelko", {"--home", "/home/u/my pelko"});
    EXPECT_NE(readText(autostart.entryPath())
                  .find("\nExec=/opt/pelko/pelko --home \"/home/u/my pelko\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace pelko
