#include "platform/desktop/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(ScratchDir, PathFollowsTheRuntimeFolderElseTheTemporaryFolder) {
    TempDir dir;
    const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = oldRuntime ? oldRuntime : "";
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(scratchDirPath(), dir.path() + "/~pelko/");
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    EXPECT_EQ(scratchDirPath(), dir.path() + "/~pelko-" + std::to_string(::getuid()) + "/");
    ::unsetenv("TMPDIR");
    if (oldRuntime) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    }
}

TEST(ScratchDir, CreatedPrivateAndNeverThroughALink) {
    TempDir dir;
    std::string scratch = dir.file("~pelko/");
    EXPECT_TRUE(prepareScratchDir(scratch));
    struct stat st {};
    ::stat(scratch.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(prepareScratchDir(scratch));  // exists already: fine

    fs::create_directory(dir.file("elsewhere"));
    fs::create_directory_symlink(dir.file("elsewhere"), dir.file("linked"));
    EXPECT_FALSE(prepareScratchDir(dir.file("linked/")));
    test::writeText(dir.file("plainfile"), "");
    EXPECT_FALSE(prepareScratchDir(dir.file("plainfile/")));
}

}  // namespace
}  // namespace pelko
