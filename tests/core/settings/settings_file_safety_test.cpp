// What a settings file is stays what it is: links, owners, modes, hard links, files that
// cannot be read, special files, and writes from several processes at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core/error.h"
#include "core/settings/ini_file.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempDir;
using test::writeText;

constexpr uid_t kNobody = 65534;

bool writeRefused(const std::string& path) {
    try {
        IniFile(path).writeString("main", "k", "new");
        return false;
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        return true;
    }
}

// Runs body in a child process as the user nobody; gives the child's exit status.
int asNobody(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && body();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SettingsFileSafety, FilesThatCannotBeWrittenWholeAreNeverReplaced) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    const std::string text = "[main]\nkeep=1\n";
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* readsKeep;  // what main/keep reads as
    };
    const Case cases[] = {
        {"read-only",
         [&] {
             writeText(path, text);
             ::chmod(path.c_str(), 0444);
         },
         "1"},
        {"a FIFO", [&] { ::mkfifo(path.c_str(), 0644); }, "default"},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path); }, "default"},
        {"a folder", [&] { fs::create_directory(path); }, "default"},
        {"larger than the limit",
         [&] { writeText(path, text + std::string(IniFile::kMaxFileSize, ';') + "\n"); }, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(path);
        c.make();
        struct stat before {};
        ::lstat(path.c_str(), &before);
        EXPECT_EQ(IniFile(path).readString("main", "keep", "default"), c.readsKeep);
        EXPECT_TRUE(writeRefused(path));
        struct stat after {};
        ::lstat(path.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "an unreadable file needs root to set up for another user";
    }
    // A file its user cannot read: every setting would be lost by a write of what was read.
    fs::remove_all(path);
    writeText(path, text);
    EXPECT_EQ(::chown(path.c_str(), 0, 0), 0);
    ::chmod(path.c_str(), 0622);  // others may write but not read
    ::chmod(dir.path().c_str(), 0777);
    EXPECT_EQ(asNobody([&] {
                  try {
                      IniFile(path).writeString("main", "k", "v");
                  } catch (const Error&) {
                      return true;
                  }
                  return false;
              }),
              0);
    EXPECT_EQ(readText(path), text);
}

TEST(SettingsFileSafety, WritesKeepLinksOwnerModeAndHardLinks) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string target = dir.file("real/settings.ini");
    const std::string link = dir.file("settings.ini");

    // A symbolic link is written through and stays a link.
    writeText(target, "[main]\na=1\n");
    fs::create_symlink("real/settings.ini", link);
    IniFile(link).writeString("main", "b", "2");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readText(target), "[main]\na=1\nb=2\n");

    // A hard link keeps both names on one file.
    const std::string second = dir.file("real/second.ini");
    fs::create_hard_link(target, second);
    IniFile(target).writeString("main", "c", "3");
    EXPECT_EQ(readText(second), "[main]\na=1\nb=2\nc=3\n");
    EXPECT_EQ(fs::hard_link_count(target), 2u);
    fs::remove(second);

    // Mode, and where the writer may, owner and group.
    ::chmod(target.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        EXPECT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    }
    IniFile(target).writeString("main", "d", "4");
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_gid, kNobody);
    }
    EXPECT_EQ(readText(target), "[main]\na=1\nb=2\nc=3\nd=4\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()),
              1);  // no temporary file left
}

TEST(SettingsFileSafety, WritableFileInAFolderWithoutRoomForATemporaryFileIsUpdated) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file to another user";
    }
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeText(path, "[main]\na=1\n");
    EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    ::chmod(dir.path().c_str(), 0755);  // the folder is root's: nobody cannot create in it
    EXPECT_EQ(asNobody([&] {
                  IniFile(path).writeString("main", "a", "2");
                  return true;
              }),
              0);
    EXPECT_EQ(readText(path), "[main]\na=2\n");
}

TEST(SettingsFileSafety, ByteOrderMarkIsSkippedAndKept) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeText(path, "\xEF\xBB\xBF[main]\nsaveas=png\n");
    IniFile f(path);
    EXPECT_EQ(f.readString("main", "saveas", "bmp"), "png");
    f.writeString("main", "saveas", "gif");
    EXPECT_EQ(readText(path), "\xEF\xBB\xBF[main]\nsaveas=gif\n");
}

TEST(SettingsFileSafety, BatchReplacesTheFileOnceAndDropsWhatIsNotCommitted) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeText(path, "[main]\na=1\n");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ::inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    {
        IniFile f(path);
        IniFile::Batch batch(f);
        for (int i = 0; i < 13; ++i) {
            f.writeInteger("main", "k" + std::to_string(i), i);
        }
        f.deleteKey("main", "a");
        batch.commit();
    }
    int replaces = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            replaces += (event->mask & IN_MOVED_TO) && std::string(event->name) == "settings.ini";
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_EQ(replaces, 1);
    IniFile g(path);
    EXPECT_EQ(g.readInteger("main", "k12", -1), 12);
    EXPECT_FALSE(g.valueExists("main", "a"));

    {
        IniFile::Batch batch(g);
        g.writeString("main", "dropped", "x");
    }
    EXPECT_FALSE(g.valueExists("main", "dropped"));
    EXPECT_FALSE(IniFile(path).valueExists("main", "dropped"));
}

TEST(SettingsFileSafety, ConcurrentWritersOfOtherKeysKeepEveryChange) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeText(path, "[main]\n");
    IniFile stale(path);  // read before any of the writes below
    constexpr int kWriters = 4, kWrites = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            IniFile f(path);
            for (int i = 0; i < kWrites; ++i) {
                f.writeInteger("w" + std::to_string(w), "k" + std::to_string(i), i);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    stale.writeString("main", "last", "1");
    const IniFile f(path);
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(f.readInteger("w" + std::to_string(w), "k" + std::to_string(i), -1), i)
                << w << "/" << i;
        }
    }
    EXPECT_EQ(f.readString("main", "last", ""), "1");
}

}  // namespace
}  // namespace pelko
