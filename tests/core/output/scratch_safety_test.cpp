// The scratch folder is purged only when it is ours, never through links, never of files in
// use; image files appear only whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core/output/file_sink.h"
#include "core/output/purge_folder.h"
#include "core/output/scratch_folder.h"
#include "core/temp_file.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempDir;
using test::writeText;

// Read-only files and a read-only subfolder, as a victim's folder might hold.
void makeCanary(const std::string& folder) {
    fs::create_directories(folder + "/sub");
    writeText(folder + "/a.txt", "a");
    writeText(folder + "/sub/b.txt", "b");
    ::chmod((folder + "/a.txt").c_str(), 0444);
    ::chmod((folder + "/sub").c_str(), 0555);
}

bool canaryIntact(const std::string& folder) {
    return fs::exists(folder + "/a.txt") && fs::exists(folder + "/sub/b.txt");
}

void age(const std::string& path, int days) {
    const timespec times[2] = {{::time(nullptr) - days * 86400, 0},
                               {::time(nullptr) - days * 86400, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

TEST(ScratchSafety, FoldersThatAreNotOursArePurgedByNoOne) {
    TempDir dir;
    const std::string canary = dir.file("canary");
    const std::string scratch = dir.file("~pelko");
    struct Case {
        const char* what;
        std::function<std::string()> plant;  // gives the folder whose content must stay
    };
    std::vector<Case> cases = {
        {"a link to another folder",
         [&] {
             fs::create_directory_symlink(canary, scratch);
             return canary;
         }},
        {"our folder open to others",
         [&] {
             ::mkdir(scratch.c_str(), 0777);
             ::chmod(scratch.c_str(), 0777);
             return scratch;
         }},
    };
    if (::geteuid() == 0) {
        cases.push_back({"a folder of another user", [&] {
                             ::mkdir(scratch.c_str(), 0700);
                             EXPECT_EQ(::chown(scratch.c_str(), 65534, 65534), 0);
                             return scratch;
                         }});
    }
    makeCanary(canary);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string victim = c.plant();
        if (victim != canary) {
            makeCanary(victim);
        }
        for (const std::string& path : {scratch, scratch + "/"}) {
            EXPECT_FALSE(PurgeScratchFolder(path, {std::nullopt, true}));
            int error = 0;
            EXPECT_FALSE(openScratchFolder(path, error));
            EXPECT_NE(error, 0);
        }
        EXPECT_TRUE(canaryIntact(victim));
        // The general purge does not follow a link at its path either.
        if (fs::is_symlink(scratch)) {
            EXPECT_FALSE(PurgeFolder(scratch + "/", true, true, true));
            EXPECT_TRUE(canaryIntact(canary));
            fs::remove(scratch);
        } else {
            ::chmod(scratch.c_str(), 0700);
            ::chmod((scratch + "/sub").c_str(), 0755);
            fs::remove_all(scratch);
        }
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a folder of another user needs root to make";
    }
}

TEST(ScratchSafety, FilesInUseAndYoungFilesStay) {
    TempDir dir;
    const std::string scratch = dir.file("~pelko/");
    ::mkdir(scratch.c_str(), 0700);
    for (const char* name : {"old", "old-in-use", "young", "sub/old"}) {
        fs::create_directories(fs::path(scratch + name).parent_path());
        writeText(scratch + name, "x");
        age(scratch + name, std::string(name) == "young" ? 0 : 2);
    }
    age(scratch + "sub", 2);
    fs::create_symlink(dir.file("elsewhere"), scratch + "link");
    age(scratch + "link", 2);
    {
        const ScratchFileUse use(scratch + "old-in-use");
        EXPECT_TRUE(PurgeScratchFolder(scratch, {::time(nullptr) - 86400, false}));
        EXPECT_EQ(fs::exists(scratch + "old"), false);
        EXPECT_EQ(fs::exists(scratch + "sub"), false);
        EXPECT_EQ(fs::is_symlink(scratch + "link"), false);
        EXPECT_EQ(fs::exists(scratch + "old-in-use"), true);
        EXPECT_EQ(fs::exists(scratch + "young"), true);

        // The exit purge takes everything not in use and keeps the folder that holds it.
        EXPECT_TRUE(PurgeScratchFolder(scratch, {std::nullopt, true}));
        EXPECT_EQ(fs::exists(scratch + "young"), false);
        EXPECT_EQ(fs::exists(scratch + "old-in-use"), true);
    }
    EXPECT_TRUE(PurgeScratchFolder(scratch, {std::nullopt, true}));
    EXPECT_FALSE(fs::exists(scratch));
}

TEST(FileSink, NameAppearsOnlyWithTheWholeFileAndStaleTemporaryFilesGo) {
    TempDir dir;
    const std::string folder = dir.file("");
    // What a killed writer leaves, and what a live writer holds.
    writeText(folder + ".pelko-killed1.tmp", "half");
    const TempFile live(folder);
    ASSERT_GE(live.fd(), 0);
    writeText(folder + "shot.png", "earlier");
    {
        FileSink sink(folder + "shot.png");
        const std::uint8_t bytes[] = {'n', 'e', 'w'};
        sink.write(bytes, sizeof bytes);
        EXPECT_FALSE(fs::exists(folder + "shot (2).png"));
        EXPECT_EQ(sink.commitNew(folder + "shot", ".png"), folder + "shot (2).png");
    }
    EXPECT_EQ(readText(folder + "shot.png"), "earlier");
    EXPECT_EQ(readText(folder + "shot (2).png"), "new");
    EXPECT_FALSE(fs::exists(folder + ".pelko-killed1.tmp"));
    EXPECT_TRUE(fs::exists(live.path()));
    {
        FileSink dropped(folder + "never.png");
        const std::uint8_t bytes[] = {1};
        dropped.write(bytes, 1);
    }
    EXPECT_FALSE(fs::exists(folder + "never.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

// Small writes are gathered, writes of a buffer or more go straight to the file: the file holds
// every byte in the order written, across the buffer's edges.
TEST(FileSink, KeepsTheOrderOfSmallAndLargeWrites) {
    TempDir dir;
    const std::string path = dir.file("big.bmp");
    const std::size_t sizes[] = {10, (1 << 20) - 5, 3 << 20, 7, 1 << 20, 1, (1 << 20) + 1, 0, 2};
    std::string expected;
    {
        FileSink sink(path);
        std::uint32_t state = 1;
        for (std::size_t size : sizes) {
            std::vector<std::uint8_t> bytes(size);
            for (std::uint8_t& b : bytes) {
                state = state * 1664525u + 1013904223u;
                b = std::uint8_t(state >> 24);
            }
            sink.write(bytes.data(), bytes.size());
            expected.append(bytes.begin(), bytes.end());
        }
        sink.commitReplace();
    }
    EXPECT_TRUE(readText(path) == expected);
}

}  // namespace
}  // namespace pelko
