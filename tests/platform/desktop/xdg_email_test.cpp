#include "platform/desktop/xdg_email.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "recording_program.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::RecordingProgram;
using test::TempDir;
using test::writeText;

TEST(XdgEmail, Arguments) {
    struct Case {
        MailMessage message;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {{"", "", "", {"/s/a b.png"}}, {"--attach", "/s/a b.png"}},
        {{"ann@example.org", "Shot", "See it", {"/a", "/b"}},
         {"--subject", "Shot", "--body", "See it", "--attach", "/a", "--attach", "/b",
          "ann@example.org"}},
        {{"-x@example.org", "", "", {}}, {"mailto:-x@example.org"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(xdgEmailArguments(c.message), c.arguments);
    }
}

// The test's PATH for one test, restored afterwards.
class PathEnvironment {
  public:
    PathEnvironment() : m_saved(std::getenv("PATH") ? std::getenv("PATH") : "") {}
    ~PathEnvironment() { ::setenv("PATH", m_saved.c_str(), 1); }
    PathEnvironment(const PathEnvironment&) = delete;
    PathEnvironment& operator=(const PathEnvironment&) = delete;
    void set(const std::string& path) { ::setenv("PATH", path.c_str(), 1); }
    const std::string& saved() const { return m_saved; }

  private:
    std::string m_saved;
};

class XdgEmailTest : public ::testing::Test {
  protected:
    XdgEmailTest() {
        std::filesystem::create_directory(dir.file("bin"));
        std::filesystem::create_directory(dir.file("empty"));
    }
    TempDir dir;
    PathEnvironment path;
};

TEST_F(XdgEmailTest, StartsTheMailProgramFirstOnPathWithTheAttachment) {
    RecordingProgram xdgEmail(dir.file("bin/xdg-email"), dir.file("record"));
    path.set(dir.file("bin") + ":" + path.saved());
    XdgEmailMailer mailer;
    EXPECT_TRUE(mailer.SendMailWithAttachment("/run/user/1/~pelko/2024-3-5~9-7-2 (2).jpg"));
    EXPECT_EQ(xdgEmail.values("arg="),
              (std::vector<std::string>{"--attach", "/run/user/1/~pelko/2024-3-5~9-7-2 (2).jpg"}));
    EXPECT_EQ(xdgEmail.values("stdout="), std::vector<std::string>{"/dev/null"});
}

TEST_F(XdgEmailTest, AvailabilityIsDecidedOnceByTheFirstUse) {
    RecordingProgram xdgEmail(dir.file("bin/xdg-email"), dir.file("record"));
    path.set(dir.file("empty"));
    XdgEmailMailer unavailable;
    EXPECT_FALSE(unavailable.SendMailWithAttachment("/a.png"));
    path.set(dir.file("bin"));
    EXPECT_FALSE(unavailable.SendMailWithAttachment("/a.png"));  // not searched again

    XdgEmailMailer available;
    EXPECT_EQ(available.program(), dir.file("bin/xdg-email"));
    path.set(dir.file("empty"));
    EXPECT_TRUE(available.SendMailWithAttachment("/b.png"));
    EXPECT_EQ(xdgEmail.values("arg="), (std::vector<std::string>{"--attach", "/b.png"}));
}

TEST_F(XdgEmailTest, AProgramThatCannotStartIsAFailure) {
    writeText(dir.file("bin/xdg-email"), "#!/no/such/shell\n");
    ::chmod(dir.file("bin/xdg-email").c_str(), 0755);
    path.set(dir.file("bin"));
    XdgEmailMailer mailer;
    EXPECT_FALSE(mailer.SendMailWithAttachment("/a.png"));
}

}  // namespace
}  // namespace pelko
