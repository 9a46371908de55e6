#include "core/settings/ftp_settings.h"

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

// What the window shows before reading the file.
const FtpSettings kShown{false, "ftp.example.com", "/public_html/", "", ""};

unsigned modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(FtpSettings, PathIsInTheLibFolder) {
    EXPECT_EQ(ftpSettingsFile("/opt/pelko"), "/opt/pelko/lib/ftp.ini");
}

TEST(FtpSettings, ReadKeepsWhatTheWindowShowsForAbsentKeys) {
    TempDir dir;
    std::string path = dir.file("ftp.ini");
    struct Case {
        const char* file;
        FtpSettings read;
    } cases[] = {
        {nullptr, kShown},
        {"", kShown},
        {"[main]\nhost=h\n", {false, "h", "/public_html/", "", ""}},
        {"[MAIN]\nsavepass=1\nhost=h:2121\ndir=/www/\nlogin=me\npassword=pw\n",
         {true, "h:2121", "/www/", "me", "pw"}},
        // A stored password is loaded only while "Save Password" is set.
        {"[main]\nsavepass=0\npassword=pw\n", {false, "ftp.example.com", "/public_html/", "", ""}},
        {"[main]\nsavepass=1\nhost=\ndir=\n", {true, "", "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(no file)");
        std::filesystem::remove(path);
        if (c.file) {
            writeText(path, c.file);
        }
        FtpSettings s = readFtpSettings(path, kShown);
        EXPECT_EQ(s.savePassword, c.read.savePassword);
        EXPECT_EQ(s.host, c.read.host);
        EXPECT_EQ(s.dir, c.read.dir);
        EXPECT_EQ(s.login, c.read.login);
        EXPECT_EQ(s.password, c.read.password);
    }
}

TEST(FtpSettings, SaveWritesKeysInOrderOwnerOnly) {
    TempDir programDir;
    std::string path = ftpSettingsFile(programDir.path());  // lib/ is created
    saveFtpSettings(path, kShown);
    EXPECT_EQ(readText(path),
              "[main]\nsavepass=0\nhost=ftp.example.com\ndir=/public_html/\nlogin=\n");
    EXPECT_EQ(modeOf(path), 0600u);

    saveFtpSettings(path, {true, "h", "/d/", "me", "pw"});
    EXPECT_EQ(readText(path), "[main]\nsavepass=1\nhost=h\ndir=/d/\nlogin=me\npassword=pw\n");
    EXPECT_EQ(modeOf(path), 0600u);

    // Unchecking "Save Password" removes the stored password.
    saveFtpSettings(path, {false, "h", "/d/", "me", "typed"});
    EXPECT_EQ(readText(path), "[main]\nsavepass=0\nhost=h\ndir=/d/\nlogin=me\n");
    FtpSettings back = readFtpSettings(path, kShown);
    EXPECT_EQ(back.password, "");
}

TEST(FtpSettings, SaveNarrowsAWiderFileAndKeepsItsOtherLines) {
    TempDir dir;
    std::string path = dir.file("ftp.ini");
    writeText(path, "; mine\n[main]\nhost=old\npassword=pw\nextra=1\n\n[other]\nx=y\n");
    ::chmod(path.c_str(), 0644);
    saveFtpSettings(path, {true, "new", "/d/", "me", "pw2"});
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(readText(path),
              "; mine\n[main]\nhost=new\npassword=pw2\nextra=1\nsavepass=1\ndir=/d/\nlogin=me\n\n"
              "[other]\nx=y\n");
}

TEST(FtpSettings, TextWrittenOnWindowsReadsAsTypedAndKeepsItsBytes) {
    TempDir dir;
    std::string path = dir.file("ftp.ini");
    // Written on Windows, in its ANSI code page (Windows-1252).
    const std::string windows =
        "[main]\r\nsavepass=1\r\nhost=h\r\ndir=/Gr\xF6\xDF"
        "e/\r\nlogin=j\xF6rg\r\npassword=p\xE4ss\r\n";
    writeText(path, windows);
    FtpSettings s = readFtpSettings(path, kShown);
    EXPECT_EQ(s.dir, "/Größe/");
    EXPECT_EQ(s.login, "jörg");
    EXPECT_EQ(s.password, "päss");

    // Unedited, every value keeps its bytes; an edited one is written as Windows reads it.
    saveFtpSettings(path, s);
    EXPECT_EQ(readText(path), windows);
    s.password = "pässwort€";
    saveFtpSettings(path, s);
    EXPECT_EQ(readText(path),
              "[main]\r\nsavepass=1\r\nhost=h\r\ndir=/Gr\xF6\xDF"
              "e/\r\nlogin=j\xF6rg\r\npassword=p\xE4sswort\x80\r\n");
    EXPECT_EQ(readFtpSettings(path, kShown).password, "pässwort€");

    // A file in UTF-8 stays in UTF-8.
    writeText(path, "[main]\nsavepass=1\nlogin=j\xC3\xB6rg\n");
    s = readFtpSettings(path, kShown);
    EXPECT_EQ(s.login, "jörg");
    s.login = "jürgen";
    saveFtpSettings(path, s);
    EXPECT_EQ(IniFile(path).readString("main", "login", ""), "j\xC3\xBCrgen");
}

TEST(FtpSettings, RefusedSaveRaises) {
    TempDir dir;
    std::string path = dir.file("no/such/lib/ftp.ini");
    try {
        saveFtpSettings(path, kShown);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    // A symbolic link in the file's place is not followed.
    std::string target = dir.file("elsewhere.ini");
    writeText(target, "");
    std::filesystem::create_symlink(target, dir.file("ftp.ini"));
    EXPECT_THROW(saveFtpSettings(dir.file("ftp.ini"), kShown), Error);
    EXPECT_EQ(readText(target), "");
}

}  // namespace
}  // namespace pelko
