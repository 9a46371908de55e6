#include "core/output/save_capture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/error.h"
#include "core/settings/ini_file.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

class SaveCaptureTest : public ::testing::Test {
  protected:
    SaveCaptureTest() : bitmap(4, 3, 24) {
        paths.programDir = dir.path();
        std::filesystem::create_directory(dir.file("out"));
        settings("saveto=" + dir.file("out/") + "\nsaveas=bmp", "screensfilename=shot-<%ssnum>");
    }
    void settings(const std::string& main, const std::string& settingsSection,
                  const std::string& extra = "") {
        writeText(paths.settingsFile(),
                  "[main]\n" + main + "\n[settings]\n" + settingsSection + "\n" + extra);
    }
    std::optional<std::string> save(int override = 0, std::string_view target = "0") {
        SaveContext ctx{paths, 90, [] { return LocalTime{2024, 3, 5, 9, 7, 2}; }};
        return SaveCaptureToFile(bitmap, override, target, ctx);
    }
    std::int32_t storedNumber() const {
        return IniFile(paths.settingsFile()).readInteger("filename", "ssnum", -999);
    }
    TempDir dir;
    ProgramPaths paths;
    Bitmap bitmap;
};

TEST_F(SaveCaptureTest, CaptureNumberNamesTheFileAndAdvances) {
    EXPECT_EQ(save(), dir.file("out/shot-1.bmp"));
    EXPECT_EQ(storedNumber(), 2);
    EXPECT_EQ(readText(dir.file("out/shot-1.bmp")).substr(0, 2), "BM");
    for (int i = 2; i <= 9; ++i) {
        save();
    }
    EXPECT_EQ(save(), dir.file("out/shot-10.bmp"));
    EXPECT_EQ(storedNumber(), 11);
}

TEST_F(SaveCaptureTest, NumberAdvancesWithoutTokenAndWrapsAround) {
    settings("saveto=" + dir.file("out/"), "screensfilename=fixed",
             "[filename]\nssnum=2147483647\n");
    EXPECT_EQ(save(), dir.file("out/fixed.bmp"));
    EXPECT_EQ(storedNumber(), -2147483647 - 1);
}

TEST_F(SaveCaptureTest, SameNameTwiceKeepsBothFiles) {
    settings("saveto=" + dir.file("out/") + "\nsaveas=png", "screensfilename=<%DATE> at <%TIME>");
    EXPECT_EQ(save(), dir.file("out/2024-03-05 at 09-07-02.png"));
    EXPECT_EQ(save(), dir.file("out/2024-03-05 at 09-07-02 (2).png"));
    EXPECT_EQ(save(), dir.file("out/2024-03-05 at 09-07-02 (3).png"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/2024-03-05 at 09-07-02.png")));
}

TEST_F(SaveCaptureTest, FormatFromSettingsAndOverride) {
    settings("saveto=" + dir.file("out/") + "\nsaveas=JPG", "screensfilename=a<%ssnum>");
    EXPECT_EQ(save(), dir.file("out/a1.jpg"));  // format names in any letter case
    EXPECT_EQ(save(2), dir.file("out/a2.jpg"));
    EXPECT_EQ(save(5), std::nullopt);  // no format: nothing written, number still advanced
    EXPECT_EQ(storedNumber(), 4);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("out")),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(SaveCaptureTest, FolderIsAPlainPrefixAndEmptyTemplateLeavesTheExtension) {
    std::filesystem::create_directory(dir.file("shots"));  // exists, named without "/"
    settings("saveto=" + dir.file("shots"), "screensfilename=a");
    EXPECT_EQ(save(), dir.path() + "/shotsa.bmp");
    settings("saveto=" + dir.file("out/"), "screensfilename=");
    EXPECT_EQ(save(), dir.file("out/.bmp"));
}

TEST_F(SaveCaptureTest, ExplicitTargetKeepsItsNameAndReplacesTheFile) {
    std::string target = dir.file("out/x");
    EXPECT_EQ(save(3, target), target + ".png");
    writeText(target + ".png", "old");
    EXPECT_EQ(save(3, target), target + ".png");
    EXPECT_NE(readText(target + ".png"), "old");
    EXPECT_EQ(save(1, dir.file("out/<%ssnum>")), dir.file("out/3.bmp"));
}

// A name that already ends with the format's extension (any letter case) is not given it twice;
// another or no extension still gets it.
TEST_F(SaveCaptureTest, ExplicitTargetWithTheFormatsExtensionKeepsIt) {
    struct Case {
        int format;
        const char* name;
        const char* written;
    } cases[] = {
        {3, "shot.png", "shot.png"},       {3, "Shot.PNG", "Shot.PNG"},
        {2, "a.jpeg", "a.jpeg"},           {2, "a.JPG", "a.JPG"},
        {3, "shot.jpg", "shot.jpg.png"},   {4, "shot", "shot.gif"},
        {1, "shot.png.", "shot.png..bmp"}, {4, "gif", "gif.gif"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(save(c.format, dir.file(c.name)), dir.file(c.written)) << c.name;
        EXPECT_TRUE(std::filesystem::exists(dir.file(c.written))) << c.name;
    }
}

TEST_F(SaveCaptureTest, UnwritableFolderReportsAndOnlyTheNumberChanges) {
    settings("saveto=" + dir.file("out/"), "screensfilename=gone/n");
    std::string before = readText(paths.settingsFile());
    try {
        save();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + dir.file("out/gone/n.bmp") +
                                             "\". No such file or directory");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/gone")));  // subfolders: never made
    EXPECT_EQ(storedNumber(), 2);
    EXPECT_EQ(readText(paths.settingsFile()), before + "\n[filename]\nssnum=2\n");
}

TEST_F(SaveCaptureTest, MissingFolderSendsCapturesToTheScreensFolderAndKeepsTheSetting) {
    const std::string away = dir.file("unmounted/");
    settings("saveto=" + away, "screensfilename=n");
    const std::string before = readText(paths.settingsFile());
    EXPECT_EQ(outputFolderInUse(IniFile(paths.settingsFile()), paths), paths.screensDir());
    EXPECT_EQ(save(), paths.screensDir() + "n.bmp");
    EXPECT_EQ(IniFile(paths.settingsFile()).readString("main", "saveto", ""), away);
    EXPECT_FALSE(std::filesystem::exists(away));

    std::filesystem::create_directory(away);  // the disk is back
    EXPECT_EQ(outputFolderInUse(IniFile(paths.settingsFile()), paths), away);
    EXPECT_EQ(save(), away + "n.bmp");
}

// A relative folder is inside the program folder, wherever the program runs from.
TEST_F(SaveCaptureTest, RelativeFolderIsInsideTheProgramFolder) {
    std::filesystem::create_directory(dir.file("shots"));
    settings("saveto=shots/", "screensfilename=n");
    EXPECT_EQ(outputFolderInUse(IniFile(paths.settingsFile()), paths), dir.file("shots/"));
    EXPECT_EQ(save(), dir.file("shots/n.bmp"));
}

TEST_F(SaveCaptureTest, DefaultFolderIsCreatedWhenMissing) {
    settings("saveto=" + paths.screensDir(), "screensfilename=n");
    EXPECT_EQ(save(), paths.screensDir() + "n.bmp");
}

TEST_F(SaveCaptureTest, FailedEncodeLeavesNoFile) {
    bitmap = Bitmap();  // nothing to encode
    try {
        save(3);
    } catch (const Error&) {
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/shot-1.png")));
}

}  // namespace
}  // namespace pelko
