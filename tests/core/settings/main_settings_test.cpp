#include "core/settings/main_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "core/settings/ini_file.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

struct RecordingHost : SettingsHost {
    int binds = 0;
    std::array<std::uint32_t, 9> bound{};
    std::optional<bool> startup;
    bool failStartup = false;
    bool loadingDuringRefresh = false;
    void refreshControls(const MainSettings& s) override {
        loadingDuringRefresh = s.settingsLoading;
    }
    void addtostartup(bool on) override {
        startup = on;
        if (failStartup) {
            throw Error("Failed to set data for 'Pelko'");
        }
    }
    void bindHotkeys(const std::array<std::uint32_t, 9>& slots) override {
        ++binds;
        bound = slots;
    }
};

class MainSettingsTest : public ::testing::Test {
  protected:
    MainSettingsTest() {
        paths.programDir = dir.path();
        paths.paintProgram = "/usr/bin/paint";
    }
    std::string ini() const { return paths.settingsFile(); }
    TempDir dir;
    ProgramPaths paths;
    MainSettings s;
    RecordingHost host;
};

TEST_F(MainSettingsTest, FirstStartWithoutFileRepairsFolderAndTemplate) {
    readparams(s, paths, host);
    IniFile f(ini());
    EXPECT_EQ(f.readString("main", "saveto", ""), "screens/");
    EXPECT_EQ(f.readString("settings", "screensfilename", ""), "<%DATE> at <%TIME>");
    EXPECT_EQ(s.hotkeys[0], 120u);  // F9
    EXPECT_EQ(s.hotkeys[1], 24646u);
    EXPECT_EQ(s.hotkeys[8], 24648u);
    EXPECT_EQ(s.currentMode, 0);
    EXPECT_EQ(s.jpegQuality, 90);  // the factory quality, never 0 (which writes quality 1)
    EXPECT_EQ(s.skinName, "macos");
    EXPECT_TRUE(s.runww);
    EXPECT_EQ(host.startup, true);
    EXPECT_EQ(host.binds, 1);
    EXPECT_EQ(host.bound, s.hotkeys);
    EXPECT_TRUE(host.loadingDuringRefresh);
    EXPECT_FALSE(s.settingsLoading);
}

TEST_F(MainSettingsTest, RepairsEmptyFolderAndTemplateKeepsAMissingFolder) {
    std::string shots = dir.file("shots/");
    std::filesystem::create_directory(shots);
    writeText(ini(), "[main]\nsaveto=" + shots + "\n[settings]\nscreensfilename=\n");
    readparams(s, paths, host);
    EXPECT_EQ(IniFile(ini()).readString("main", "saveto", ""), shots);
    EXPECT_EQ(IniFile(ini()).readString("settings", "screensfilename", ""), "<%DATE> at <%TIME>");

    // An unmounted disk: the setting stays for when it is back.
    std::filesystem::remove(shots);
    readparams(s, paths, host);
    EXPECT_EQ(IniFile(ini()).readString("main", "saveto", ""), shots);

    writeText(ini(), "[main]\nsaveto=\n");
    readparams(s, paths, host);
    EXPECT_EQ(IniFile(ini()).readString("main", "saveto", ""), "screens/");
}

// The screens folder of a program folder is stored relative to it, so that a copy of the
// folder saves into its own; the pictures folder of an installed program is stored as it is.
TEST_F(MainSettingsTest, CopiedProgramFolderKeepsItsOwnScreensFolder) {
    readparams(s, paths, host);
    const std::string copy = dir.path() + "-copy";
    std::filesystem::copy(dir.path(), copy, std::filesystem::copy_options::recursive);
    ProgramPaths copied = paths;
    copied.programDir = copy;
    const std::string stored = IniFile(copied.settingsFile()).readString("main", "saveto", "");
    EXPECT_EQ(copied.resolvedFolder(stored), copy + "/screens/");
    std::filesystem::remove_all(copy);

    std::filesystem::remove(ini());
    paths.outputDir = "/home/someone/Pictures/Screenshots/";
    defaultsettings(s, paths, host);
    EXPECT_EQ(IniFile(ini()).readString("main", "saveto", ""), paths.outputDir);
}

TEST(ProgramPaths, FoldersInsideTheProgramFolderAreStoredRelativeToIt) {
    ProgramPaths paths;
    paths.programDir = "/opt/pelko";
    struct Case {
        const char* folder;
        const char* stored;
    } cases[] = {
        {"/opt/pelko/screens/", "screens/"},
        {"/opt/pelko/a/b/", "a/b/"},
        {"/opt/pelko/", "./"},
        {"/opt/pelko2/screens/", "/opt/pelko2/screens/"},
        {"/home/u/shots/", "/home/u/shots/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(paths.storedFolder(c.folder), c.stored) << c.folder;
        EXPECT_EQ(paths.resolvedFolder(c.stored), c.folder) << c.stored;
    }
    EXPECT_EQ(paths.resolvedFolder("shots/"), "/opt/pelko/shots/");
}

TEST_F(MainSettingsTest, JpegQualityZeroJunkOrAbsentIsTheFactoryQuality) {
    struct Case {
        const char* stored;  // nullptr: no key
        std::int32_t current, quality;
    };
    const Case cases[] = {
        {nullptr, 0, 90}, {"0", 0, 90},  {"0", 75, 90},     {"junk", 0, 90},
        {"junk", 60, 60}, {"55", 0, 55}, {nullptr, 70, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        writeText(ini(), c.stored ? std::string("[settings]\njcq=") + c.stored + "\n" : "");
        s.jpegQuality = c.current;
        readparams(s, paths, host);
        EXPECT_EQ(s.jpegQuality, c.quality);
    }
}

TEST_F(MainSettingsTest, ReadsValuesAndKeepsCurrentStateForMissingKeys) {
    writeText(ini(),
              "[main]\nsshk=0x6046\nssreccursor=1\n[settings]\nwct=9\njcq=75\nsaveac=1\n"
              "[hotkeys]\nobject=junk\n");
    s.outputs.clipboard = true;  // absent key: the current state stays
    s.language = "fi";
    readparams(s, paths, host);
    EXPECT_EQ(s.hotkeys[0], 24646u);
    EXPECT_EQ(s.hotkeys[6], 24655u);  // not a number: the factory value
    EXPECT_EQ(s.currentMode, 9);      // kept as stored; the menu shows nothing for it
    EXPECT_EQ(s.jpegQuality, 75);
    EXPECT_TRUE(s.ssreccursor);
    EXPECT_TRUE(s.outputs.save);
    EXPECT_TRUE(s.outputs.clipboard);
    EXPECT_EQ(s.language, "fi");
}

TEST_F(MainSettingsTest, SaveparamsWritesAllThirteenKeys) {
    s.hotkeys[0] = 121;
    s.currentMode = 3;
    s.skinName = "office2003";
    s.cbenablescaling = true;
    s.outputs.email = true;
    saveparams(s, paths);
    EXPECT_EQ(readText(ini()),
              "[main]\nsshk=121\nlanguage=\nskin=office2003\nssreccursor=0\n\n"
              "[settings]\nwct=3\nsaveac=1\nclipboardac=0\npaintac=0\n\n"
              "[watermark]\nenable=0\n\n[rightaftercapture]\nftpac=0\nemail=1\n\n"
              "[general]\nopeneditor=0\n\n[scaling]\nenable=1\n");
}

TEST_F(MainSettingsTest, DefaultsettingsWritesFactoryValuesThenReloads) {
    writeText(ini(), "[main]\nsshk=65\nlanguage=fi\n[custom]\nkept=yes\n");
    defaultsettings(s, paths, host);
    IniFile f(ini());
    EXPECT_EQ(s.hotkeys[0], 121u);  // F10
    EXPECT_EQ(s.currentMode, 1);
    EXPECT_EQ(s.jpegQuality, 90);
    EXPECT_EQ(s.skinName, "office2003");
    EXPECT_TRUE(s.useSkins);
    EXPECT_EQ(f.readString("general", "useskins", ""), "1");
    EXPECT_EQ(f.readString("general", "exteditor", ""), "/usr/bin/paint");
    EXPECT_EQ(f.readString("watermark", "imagefile", ""), dir.path() + "/lib/images/watermark.bmp");
    EXPECT_EQ(f.readString("main", "saveas", ""), "jpg");
    EXPECT_EQ(f.readString("custom", "kept", ""), "yes");
    EXPECT_EQ(f.readString("main", "language", ""), "fi");
    EXPECT_EQ(f.readInteger("hotkeys", "freehand", 0), 24648);
    EXPECT_EQ(host.binds, 1);
}

TEST_F(MainSettingsTest, AutostartFailureStillLoadsEverythingAndBindsHotkeys) {
    writeText(ini(), "[settings]\nwct=4\n[main]\nsshk=122\n");
    host.failStartup = true;
    EXPECT_THROW(readparams(s, paths, host), Error);
    EXPECT_EQ(s.currentMode, 4);
    EXPECT_EQ(host.binds, 1);
    EXPECT_EQ(host.bound[0], 122u);
    EXPECT_FALSE(s.settingsLoading);
}

TEST_F(MainSettingsTest, JunkFileStartsWithDefaults) {
    std::string junk(3000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = char((i * 131 + 7) % 256);
    }
    writeText(ini(), junk + "\n[main]\nsshk=" + std::string(4000, '9') + "\n");
    readparams(s, paths, host);
    EXPECT_EQ(s.hotkeys[0], 120u);
    EXPECT_EQ(s.currentMode, 0);
}

}  // namespace
}  // namespace pelko
