// The tray program's outputs after "Save to a file", with the paint program and the mail
// program replaced by recorders (the real starters are tested in tests/platform/desktop).
#include "ui/shell/window_outputs.h"
#include "platform/net/ftp_uploader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QTabBar>
#include <QWidget>
#include <algorithm>
#include <filesystem>

#include "core/error.h"
#include "message_boxes.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "ui/dialogs/publish_window.h"
#include "ui/editor/editor_window.h"
#include "ui/toolkit/capture_clipboard.h"

namespace pelko {
namespace {

using test::TempDir;
using test::writeText;

struct RecordingMailer : Mailer {
    bool available = true;
    std::vector<MailRequest> requests;
    bool SendMailRequest(const MailRequest& request) override {
        requests.push_back(request);
        return available;
    }
};

struct Launch {
    std::string program, argument, workingDir;
    friend bool operator==(const Launch&, const Launch&) = default;
};

class WindowOutputsTest : public ::testing::Test {
  protected:
    WindowOutputsTest()
        : capture(
              test::makePicture(64, 48, [](int x, int y) { return x * 0x0503 + y * 0x70109; })) {
        services.paths.programDir = dir.path();
        services.paths.paintProgram = "/usr/bin/factory-paint";
        services.scratchDir = dir.file("scratch/");
        std::filesystem::create_directory(services.scratchDir);
        ::chmod(services.scratchDir.c_str(), 0700);
        services.launchProgram = [this](const std::string& p, const std::string& a,
                                        const std::string& w) {
            launches.push_back({p, a, w});
        };
        services.mailer = &mailer;
        services.makeUploader = ftpUploaders();
    }
    WindowOutputs outputs() {
        return WindowOutputs(
            services, [this] { return jpegQuality; }, &owner);
    }
    void settings(const std::string& text) { writeText(services.paths.settingsFile(), text); }
    std::vector<std::string> scratchFiles() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(services.scratchDir)) {
            out.push_back(e.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir dir;
    ShellServices services;
    RecordingMailer mailer;
    std::vector<Launch> launches;
    std::int32_t jpegQuality = 90;
    QWidget owner;
    Bitmap capture;
    test::MessageBoxes boxes;
};

TEST_F(WindowOutputsTest, ClipboardHoldsTheCaptureAndNoFileIsWritten) {
    settings("[main]\nsaveas=gif\n");
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(outputs().copyToClipboard(capture).empty());
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(data->hasImage());
    EXPECT_TRUE(data->data(QString::fromLatin1(kGifMimeType)).startsWith("GIF87a"));
    EXPECT_TRUE(scratchFiles().empty());
}

TEST_F(WindowOutputsTest, PaintProgramStartsOnTheScratchFile) {
    settings("[main]\nsaveas=png\n[general]\nexteditor=/opt/my paint/paint\n");
    const auto files = outputs().openInPaint(capture);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(files[0]).parent_path(),
              std::filesystem::path(services.scratchDir).parent_path());
    EXPECT_TRUE(files[0].ends_with(".png"));
    EXPECT_EQ(
        launches,
        (std::vector<Launch>{{"/opt/my paint/paint", files[0], services.paths.screensDir()}}));
    settings("[main]\nsaveas=png\n");
    outputs().openInPaint(capture);
    EXPECT_EQ(launches.back().program, "/usr/bin/factory-paint");
}

TEST_F(WindowOutputsTest, EachPublishOpensANewWindowWithItsOwnFile) {
    settings("[main]\nsaveas=jpg\n");
    WindowOutputs out = outputs();
    const auto first = out.publishWeb(capture);
    const auto second = out.publishWeb(capture);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(first[0], second[0]);  // scratch files never replace one another
    const auto nameBoxes = owner.findChildren<QLineEdit*>(QStringLiteral("txfilename"));
    ASSERT_EQ(nameBoxes.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const std::string& path = (i == 0 ? first : second)[0];
        EXPECT_EQ(nameBoxes[i]->text().toStdString(),
                  std::filesystem::path(path).filename().string());
        const auto* window = qobject_cast<const Tfrmftp*>(nameBoxes[i]->window());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->fileToUpload(), path);
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(nameBoxes[i]->window()->isModal());
        EXPECT_NE(nameBoxes[i]->window(), &owner);
    }
    EXPECT_EQ(scratchFiles().size(), 2u);
}

TEST_F(WindowOutputsTest, MailGetsTheScratchFileOrTheUserIsTold) {
    settings("[main]\nsaveas=jpg\n");
    const auto files = outputs().sendEmail(capture);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(mailer.requests, std::vector<MailRequest>{{"attachment0=" + files[0]}});
    EXPECT_TRUE(boxes.seen.empty());

    mailer.available = false;
    EXPECT_EQ(outputs().sendEmail(capture).size(), 1u);  // no error raised: the box tells
    services.mailer = nullptr;
    EXPECT_EQ(outputs().sendEmail(capture).size(), 1u);
    ASSERT_EQ(boxes.seen.size(), 2u);
    for (const auto& box : boxes.seen) {
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.text, "Error while trying to send email");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
    }
}

TEST_F(WindowOutputsTest, JpegQualityIsTheMainWindowsAtTheMomentOfTheOutput) {
    settings("[main]\nsaveas=jpg\n");
    WindowOutputs out = outputs();
    jpegQuality = 5;
    const auto low = std::filesystem::file_size(out.sendEmail(capture)[0]);
    jpegQuality = 100;
    const auto high = std::filesystem::file_size(out.sendEmail(capture)[0]);
    EXPECT_LT(low, high);
}

TEST_F(WindowOutputsTest, ErrorsReachTheCaller) {
    std::filesystem::remove_all(services.scratchDir);
    settings("[main]\nsaveas=png\n");
    EXPECT_THROW(outputs().sendEmail(capture), Error);
    EXPECT_THROW(outputs().openInPaint(capture), Error);
    EXPECT_THROW(outputs().publishWeb(capture), Error);
    EXPECT_TRUE(mailer.requests.empty());
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_TRUE(owner.findChildren<QLineEdit*>().empty());
    WindowOutputs windows = outputs();
    EXPECT_THROW(windows.openInEditor(capture), Error);
    EXPECT_EQ(windows.editor() ? windows.editor()->findChild<QTabBar*>("pages")->count() : 0, 0);
}

// Captures for the editor gather as tabs of one window; once the user closes it, the next
// capture opens a new editor holding only itself.
TEST_F(WindowOutputsTest, EditorGathersCapturesUntilClosed) {
    WindowOutputs windows = outputs();
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        const auto written = windows.openInEditor(test::filledPicture(20 + i, 10, 0x102030u * i));
        ASSERT_EQ(written.size(), 1u);
        files.push_back(written[0]);
    }
    QPointer<Tfrmeditor> first = windows.editor();
    ASSERT_TRUE(first);
    auto* pages = first->findChild<QTabBar*>("pages");
    EXPECT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->currentIndex(), 2);
    EXPECT_EQ(first->picture().width(), 22);
    EXPECT_EQ(first->tabFilePath(), files[2]);

    first->close();
    EXPECT_EQ(windows.editor(), nullptr);
    windows.openInEditor(capture);
    Tfrmeditor* second = windows.editor();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_EQ(second->findChild<QTabBar*>("pages")->count(), 1);
    // The closed editor's files stay for the purge at exit.
    for (const auto& file : files) {
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
    }
}

}  // namespace
}  // namespace pelko
