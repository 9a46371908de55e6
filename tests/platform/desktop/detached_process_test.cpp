#include "platform/desktop/detached_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "recording_program.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::RecordingProgram;
using test::TempDir;
using test::writeText;

// A descriptor of the starter that is not marked close-on-exec, as a library might leave one.
class InheritableFd {
  public:
    explicit InheritableFd(int number) {
        const int fd = ::open("/dev/null", O_RDONLY);
        m_fd = ::dup2(fd, number);
        ::close(fd);
    }
    ~InheritableFd() { ::close(m_fd); }
    InheritableFd(const InheritableFd&) = delete;
    InheritableFd& operator=(const InheritableFd&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

TEST(LaunchProgram, OneArgumentInTheWorkingFolderDetached) {
    TempDir dir;
    const std::string work = dir.file("screens dir");
    std::filesystem::create_directory(work);
    InheritableFd watched(77);
    RecordingProgram paint(dir.file("my paint"), dir.file("record"), watched.get());
    const std::string argument = "/tmp/~pelko dir/2024-3-5~9-7-2.png *  $HOME 'q' \"d\"";
    launchProgram(paint.path(), argument, work + "/");
    EXPECT_EQ(paint.values("cwd="), std::vector<std::string>{work});
    EXPECT_EQ(paint.values("argc="), std::vector<std::string>{"1"});
    EXPECT_EQ(paint.values("arg="), std::vector<std::string>{argument});
    // Its own session, adopted by the system rather than left a child of ours, nothing of ours
    // inherited.
    ASSERT_EQ(paint.values("sid=").size(), 1u);
    EXPECT_NE(paint.values("sid=")[0], std::to_string(::getsid(0)));
    EXPECT_NE(paint.values("ppid=")[0], std::to_string(::getpid()));
    EXPECT_EQ(paint.values("stdout="), std::vector<std::string>{"/dev/null"});
    EXPECT_EQ(paint.values("leak="), std::vector<std::string>{"no"});
}

TEST(StartDetached, ReportsWhyAProgramCouldNotStart) {
    TempDir dir;
    writeText(dir.file("not-executable"), "#!/bin/sh\n");
    writeText(dir.file("bad-interpreter"), "#!/no/such/shell\n");
    ::chmod(dir.file("bad-interpreter").c_str(), 0755);
    struct Case {
        const char* what;
        DetachedCommand command;
        int error;
    };
    const Case cases[] = {
        {"missing", {dir.file("missing"), {}, {}, false, {}}, ENOENT},
        {"empty name", {"", {}, {}, false, {}}, ENOENT},
        {"name not on PATH", {"pelko-no-such-program", {}, {}, false, {}}, ENOENT},
        {"not executable", {dir.file("not-executable"), {}, {}, false, {}}, EACCES},
        {"bad interpreter", {dir.file("bad-interpreter"), {}, {}, false, {}}, ENOENT},
        {"a folder", {dir.path(), {}, {}, false, {}}, EACCES},
        {"missing working folder", {"/bin/true", {}, dir.file("gone"), false, {}}, ENOENT},
        {"runs", {"/bin/true", {}, dir.path(), false, {}}, 0},
        {"runs, found on PATH", {"true", {}, {}, false, {}}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(startDetached(c.command).error, c.error) << c.what;
    }
    // launchProgram says nothing either way.
    launchProgram(dir.file("missing"), "x", dir.path());
}

TEST(StartDetached, ReturnsOnceStartedAndPipesTheOutputWhenAsked) {
    // The program waits for a line on a FIFO that only this test writes: startDetached cannot
    // have waited for its end.
    TempDir dir;
    const std::string go = dir.file("go");
    ASSERT_EQ(::mkfifo(go.c_str(), 0600), 0);
    DetachedStart started = startDetached(
        {"/bin/sh", {"-c", "echo ready; read line < \"$0\"; echo done", go}, {}, true, {}});
    ASSERT_EQ(started.error, 0);
    ASSERT_TRUE(started.output);
    char line[16] = {};
    ASSERT_EQ(::read(started.output.get(), line, sizeof line - 1), 6);
    EXPECT_STREQ(line, "ready\n");
    writeText(go, "\n");
    char rest[16] = {};
    ASSERT_EQ(::read(started.output.get(), rest, sizeof rest - 1), 5);
    EXPECT_STREQ(rest, "done\n");

    EXPECT_FALSE(startDetached({"/bin/true", {}, {}, false, {}}).output);
}

}  // namespace
}  // namespace pelko
