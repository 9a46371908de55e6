#include "core/settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "core/error.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

TEST(ProfileInteger, ParsesDecimalAndPrefixedHexOnly) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"24646", 24646},
        {"0x6046", 24646},
        {"0X6046", 24646},
        {"-17", -17},
        {"+5", 5},
        {" 42 ", 42},
        {"0", 0},
        {"0x", std::nullopt},
        {"0xG1", std::nullopt},
        {"12abc", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1.5", std::nullopt},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", -2147483647 - 1},
        {"0xFFFFFFFF", -1},
        {"0x100000000", std::nullopt},
        {"$10", std::nullopt},
        {"--1", std::nullopt},
        {"+-1", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseProfileInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IniFile, ReadsWithProfileRules) {
    TempDir dir;
    std::string path = dir.file("settings.ini");
    writeText(path,
              "; a comment\r\n"
              "[Main]\r\n"
              "SaveTo = /shots/ \r\n"
              "empty=\r\n"
              "quoted=\"a b\"\r\n"
              "hk=0x6046\r\n"
              "bad=12x\r\n"
              "flag=2\r\n"
              "[other]\r\n"
              "saveto=elsewhere\r\n");
    IniFile f(path);
    EXPECT_EQ(f.readString("main", "saveto", "d"), "/shots/");  // names without case
    EXPECT_EQ(f.readString("MAIN", "EMPTY", "d"), "");          // present but empty
    EXPECT_EQ(f.readString("main", "missing", "d"), "d");       // absent
    EXPECT_EQ(f.readString("nosection", "saveto", "d"), "d");
    EXPECT_EQ(f.readString("main", "quoted", "d"), "a b");
    EXPECT_EQ(f.readInteger("main", "hk", 0), 24646);
    EXPECT_EQ(f.readInteger("main", "bad", 7), 7);
    EXPECT_EQ(f.readInteger("main", "empty", 7), 7);
    EXPECT_TRUE(f.readBool("main", "flag", false));
    EXPECT_FALSE(f.readBool("main", "missing", false));
    EXPECT_TRUE(f.valueExists("main", "empty"));
    EXPECT_FALSE(f.valueExists("main", "; a comment"));
    EXPECT_FALSE(f.valueExists("other", "hk"));
}

TEST(IniFile, LongValuesAreCutAt2047Characters) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    writeText(path, "[a]\nk=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(IniFile(path).readString("a", "k", "").size(), 2047u);
}

TEST(IniFile, MissingFileHasNoKeysAndWritesCreateIt) {
    TempDir dir;
    std::string path = dir.file("new.ini");
    IniFile f(path);
    EXPECT_FALSE(f.valueExists("main", "saveto"));
    f.writeString("main", "saveto", "/x/");
    f.writeBool("main", "on", true);
    f.writeInteger("filename", "ssnum", -3);
    EXPECT_EQ(readText(path), "[main]\nsaveto=/x/\non=1\n\n[filename]\nssnum=-3\n");
    EXPECT_EQ(IniFile(path).readInteger("FILENAME", "SSNUM", 0), -3);
}

TEST(IniFile, WriteKeepsOtherLinesOrderCommentsAndLineEndings) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    writeText(path,
              "; keep me\r\n[main]\r\nSaveAs=png\r\n; inside\r\nskin=x\r\n\r\n[hotkeys]\r\n"
              "object=1\r\n");
    IniFile f(path);
    f.writeString("MAIN", "saveas", "gif");   // replaced in place, stored name unchanged
    f.writeString("main", "language", "en");  // added at the end of its section
    f.writeString("hotkeys", "freehand", "2");
    EXPECT_EQ(readText(path),
              "; keep me\r\n[main]\r\nSaveAs=gif\r\n; inside\r\nskin=x\r\nlanguage=en\r\n\r\n"
              "[hotkeys]\r\nobject=1\r\nfreehand=2\r\n");
}

TEST(IniFile, DeleteKeyRemovesItsLineOnly) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    writeText(path, "[main]\nhost=a\npassword=x\nlogin=b\n\n[other]\npassword=y\n");
    IniFile f(path);
    f.deleteKey("MAIN", "Password");
    EXPECT_EQ(readText(path), "[main]\nhost=a\nlogin=b\n\n[other]\npassword=y\n");
    EXPECT_FALSE(IniFile(path).valueExists("main", "password"));
    ::chmod(path.c_str(), 0600);
    f.deleteKey("main", "password");  // absent: the file is not rewritten
    f.deleteKey("none", "password");
    EXPECT_EQ(readText(path), "[main]\nhost=a\nlogin=b\n\n[other]\npassword=y\n");
}

TEST(IniFile, ValueWithLineBreakCannotInjectKeys) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    IniFile f(path);
    f.writeString("main", "language", "en\n[main]\nsaveto=/etc/");
    IniFile back(path);
    EXPECT_FALSE(back.valueExists("main", "saveto"));
}

TEST(IniFile, RefusedWriteRaisesAndLeavesTheFileWhole) {
    TempDir dir;
    std::string missing = dir.file("no/such/folder/s.ini");
    IniFile f(missing);
    try {
        f.writeString("a", "b", "c");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing);
    }

    // The file is replaced, never rewritten in place: a reader holding the old file keeps
    // seeing it whole, and no temporary file is left behind.
    std::string path = dir.file("s.ini");
    writeText(path, "[a]\nb=1\n");
    ::chmod(path.c_str(), 0600);
    IniFile g(path);
    g.writeInteger("a", "b", 2);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // permissions kept
    EXPECT_EQ(readText(path), "[a]\nb=2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace pelko
