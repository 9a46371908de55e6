#include "core/output/purge_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeText;

TEST(PurgeFolder, RemovesNestedReadOnlyContentAndTheFolder) {
    TempDir dir;
    std::string scratch = dir.file("scratch");
    fs::create_directories(scratch + "/sub/deeper");
    writeText(scratch + "/a.png", "x");
    writeText(scratch + "/sub/deeper/b.bmp", "y");
    ::chmod((scratch + "/a.png").c_str(), 0400);
    ::chmod((scratch + "/sub/deeper").c_str(),
            0500);  // read-only folder: its file needs it writable
    // A link to a folder outside is deleted as a link; what it points to stays.
    fs::create_directory(dir.file("outside"));
    writeText(dir.file("outside/keep.txt"), "keep");
    fs::create_directory_symlink(dir.file("outside"), scratch + "/link");

    EXPECT_TRUE(PurgeFolder(scratch, true, true, true));
    EXPECT_FALSE(fs::exists(scratch));
    EXPECT_TRUE(fs::exists(dir.file("outside/keep.txt")));
    EXPECT_FALSE(PurgeFolder(scratch, true, true, true));  // gone: false, nothing else happens
}

TEST(PurgeFolder, KeepsTheFolderWhenAskedAndStopsAtAFailure) {
    TempDir dir;
    std::string scratch = dir.file("s");
    fs::create_directories(scratch + "/sub");
    writeText(scratch + "/sub/f", "x");
    EXPECT_TRUE(PurgeFolder(scratch, false, true, false));
    EXPECT_TRUE(fs::is_empty(scratch));

    if (::geteuid() != 0) {  // root deletes from read-only folders, so this failure needs a user
        fs::create_directories(scratch + "/locked");
        writeText(scratch + "/locked/f", "x");
        ::chmod((scratch + "/locked").c_str(), 0500);
        EXPECT_FALSE(PurgeFolder(scratch, false, true, true));
        EXPECT_TRUE(fs::exists(scratch + "/locked/f"));
        EXPECT_TRUE(PurgeFolder(scratch, true, true, true));
    }
}

}  // namespace
}  // namespace pelko
