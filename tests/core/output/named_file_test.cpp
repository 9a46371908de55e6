#include "core/output/named_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/codec/decode.h"
#include "core/error.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempDir;
using test::writeText;

Bitmap picture() {
    Bitmap b(3, 2, 24);
    b.row(1)[0] = 200;
    return b;
}

bool isPicture(const std::string& bytes) {
    return bytes.size() > 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

void write(const std::string& path) {
    writeImageToNamedFile(picture(), ImageFormat::Bmp, {}, path);
}

TEST(NamedFileTest, LinksAreFollowedAndStayLinks) {
    TempDir dir;
    fs::create_directory(dir.file("sub"));
    writeText(dir.file("sub/real.bmp"), "old");
    // A link to a file, a relative link through another link, and a link whose target does not
    // exist yet: each leaves the links in place and writes the file at the end of the chain.
    fs::create_symlink(dir.file("sub/real.bmp"), dir.file("absolute.bmp"));
    fs::create_symlink("sub/real.bmp", dir.file("relative.bmp"));
    fs::create_symlink("relative.bmp", dir.file("chain.bmp"));
    fs::create_symlink("sub/new.bmp", dir.file("dangling.bmp"));
    struct Case {
        const char* link;
        const char* file;
    };
    for (const Case& c :
         {Case{"absolute.bmp", "sub/real.bmp"}, Case{"relative.bmp", "sub/real.bmp"},
          Case{"chain.bmp", "sub/real.bmp"}, Case{"dangling.bmp", "sub/new.bmp"}}) {
        SCOPED_TRACE(c.link);
        writeText(dir.file("sub/real.bmp"), "old");
        write(dir.file(c.link));
        EXPECT_TRUE(fs::is_symlink(dir.file(c.link)));
        EXPECT_TRUE(isPicture(readText(dir.file(c.file))));
        EXPECT_EQ(readPictureFile(dir.file(c.link)).width(), 3);
    }
}

TEST(NamedFileTest, RegularFilesAndNewNamesAreReplacedWhole) {
    TempDir dir;
    writeText(dir.file("old.bmp"), "old");
    // A second name of the old file keeps the old bytes: the name got a new file, the old one
    // was not written over.
    fs::create_hard_link(dir.file("old.bmp"), dir.file("second-name"));
    write(dir.file("old.bmp"));
    EXPECT_EQ(readText(dir.file("second-name")), "old");
    write(dir.file("new.bmp"));
    EXPECT_TRUE(isPicture(readText(dir.file("old.bmp"))));
    EXPECT_TRUE(isPicture(readText(dir.file("new.bmp"))));
    EXPECT_EQ(resolveNamedFile(dir.file("new.bmp")).kind, NamedFileTarget::Kind::Replace);
}

TEST(NamedFileTest, SpecialFilesAreWrittenInPlace) {
    TempDir dir;
    // A FIFO with a reader gets the bytes and stays a FIFO.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const int reader = ::open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    write(dir.file("fifo"));
    char head[2] = {};
    EXPECT_EQ(::read(reader, head, 2), 2);
    EXPECT_EQ(std::string(head, 2), "BM");
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(dir.file("fifo")));
    // The null device takes the picture and stays the device.
    EXPECT_EQ(resolveNamedFile("/dev/null").kind, NamedFileTarget::Kind::WriteInPlace);
    write("/dev/null");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A link to a special file is written through too.
    fs::create_symlink("/dev/null", dir.file("null-link.bmp"));
    write(dir.file("null-link.bmp"));
    EXPECT_TRUE(fs::is_symlink(dir.file("null-link.bmp")));
}

TEST(NamedFileTest, WhatCannotTakeThePictureIsReportedAndKept) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("unread").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder"));
    fs::create_symlink("loop-b", dir.file("loop-a"));
    fs::create_symlink("loop-a", dir.file("loop-b"));
    struct Case {
        const char* name;
        const char* reason;
    };
    for (const Case& c :
         {Case{"unread", "No such device or address"}, Case{"folder", "Is a directory"},
          Case{"loop-a", "Too many levels of symbolic links"}}) {
        SCOPED_TRACE(c.name);
        try {
            write(dir.file(c.name));
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir.file("unread")));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_TRUE(fs::is_symlink(dir.file("loop-a")));
    // Nothing half-written is left beside them.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 4u);
}

}  // namespace
}  // namespace pelko
