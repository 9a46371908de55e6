#include "platform/desktop/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(Autostart, ExecValueQuotesWhatNeedsIt) {
    struct Case {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/opt/pelko/pelko", "/opt/pelko/pelko"}, {"/home/a b/pelko", "\"/home/a b/pelko\""},
        {"/x/100%/pelko", "\"/x/100%%/pelko\""},  {"/x/$HOME/p", "\"/x/\\\\$HOME/p\""},
        {"/x/a\"b", "\"/x/a\\\\\"b\""},           {"/x/a\\b", "\"/x/a\\\\\\\\b\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(desktopExecValue(c.path), c.exec) << c.path;
    }
}

}  // namespace
}  // namespace pelko
