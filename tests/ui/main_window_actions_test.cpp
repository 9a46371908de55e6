// What the main window does: captures from its three starters, errors, the About box, help and
// closing.
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>

#include "shell_fixture.h"

namespace pelko::test {
namespace {

// Only the clipboard output runs, so every capture reaches the recorder and writes no file.
constexpr const char* kClipboardOnly =
    "[settings]\nsaveac=0\nclipboardac=1\n[general]\nminimizewc=0\n";

struct PressCase {
    const char* settings;  // added to kClipboardOnly
    std::uint32_t pressed;
    int width, height;  // of the capture, 0: no capture
};

TEST_F(ShellTest, HotkeyPressStartsTheCaptureOfTheFirstSlotHoldingIt) {
    // The screen is 64 x 48, the active window 20 x 10.
    const PressCase cases[] = {
        {"", 120, 64, 48},                                 // F9, slot 0: the default kind
        {"", 24641, 20, 10},                               // Ctrl+Shift+A, slot 2: active window
        {"", 24646, 64, 48},                               // Ctrl+Shift+F, slot 1: whole screen
        {"[hotkeys]\nfullscreen=24641\n", 24641, 64, 48},  // slots 1 and 2 alike: slot 1
        {"[hotkeys]\nactivewindow=120\n", 120, 64, 48},    // slots 0 and 2 alike: slot 0
        {"", 0x6041 | 0x100000, 0, 0},                     // a bit outside the table: no slot
        {"", 0, 0, 0},
        {"[main]\nsshk=0\n", 0, 0, 0},  // an empty slot matches no press
    };
    for (const PressCase& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + " pressed " + std::to_string(c.pressed));
        writeSettings(std::string(kClipboardOnly) + c.settings);
        start();
        outputs.calls.clear();
        form->hotkeyHotKeyPressed(c.pressed, 7);
        if (c.width == 0) {
            EXPECT_TRUE(outputs.calls.empty());
        } else {
            ASSERT_EQ(outputs.calls.size(), 1u);
            EXPECT_EQ(outputs.calls[0].width, c.width);
            EXPECT_EQ(outputs.calls[0].height, c.height);
        }
        EXPECT_TRUE(boxes.seen.empty());
    }
}

TEST_F(ShellTest, TrayItemsCaptureTheirKind) {
    writeSettings("[settings]\nsaveac=0\nclipboardac=1\nwct=2\n[general]\nminimizewc=0\n");
    start();
    const std::pair<const char*, int> cases[] = {{"pmc1", 20}, {"pmc2", 64}, {"pmc3", 20}};
    for (const auto& [item, width] : cases) {
        outputs.calls.clear();
        action(item)->trigger();
        ASSERT_EQ(outputs.calls.size(), 1u) << item;
        EXPECT_EQ(outputs.calls[0].width, width) << item;
    }
    EXPECT_EQ(form->settings().currentMode, 2) << "a run puts the default kind back";
}

// Sends the steps to the selector overlay as soon as the event loop runs inside the capture.
void driveOverlay(std::function<void(QWidget*)> steps) {
    QTimer::singleShot(0, [steps] {
        for (QWidget* w : QApplication::allWidgets()) {
            if (w->inherits("pelko::SelectorOverlay") && w->isVisible()) {
                steps(w);
                return;
            }
        }
        ADD_FAILURE() << "no overlay shown";
    });
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(ShellTest, SelectorsRunFromTheTrayAndACancelLeavesNoTrace) {
    writeSettings("[settings]\nsaveac=0\nclipboardac=1\nwct=1\n[general]\nminimizewc=0\n");
    start();
    driveOverlay([](QWidget* w) {
        sendMouse(w, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
        sendMouse(w, QEvent::MouseMove, {30, 20}, Qt::LeftButton);
        sendMouse(w, QEvent::MouseButtonRelease, {30, 20}, Qt::NoButton);
    });
    action("pmc4")->trigger();  // rectangle
    ASSERT_EQ(outputs.calls.size(), 1u);
    EXPECT_EQ(outputs.calls[0].width, 20);
    EXPECT_EQ(form->settings().currentMode, 1);

    outputs.calls.clear();
    driveOverlay([](QWidget* w) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &esc);
    });
    action("pmc9")->trigger();  // freehand, cancelled
    EXPECT_TRUE(outputs.calls.empty());
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_EQ(form->settings().currentMode, 1);
}

TEST_F(ShellTest, CaptureHidesTheVisibleWindowAndBringsItBack) {
    writeSettings("[settings]\nsaveac=0\nclipboardac=1\n");  // minimizewc absent: hide
    start().show();
    control<QPushButton>("lbltakescreenshot")->click();
    ASSERT_EQ(outputs.calls.size(), 1u);
    EXPECT_FALSE(outputs.calls[0].windowVisible);
    EXPECT_EQ(log, std::vector<std::string>{"flush"}) << "flushed before the pause";
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ShellTest, CaptureFromTheTrayLeavesTheHiddenWindowHidden) {
    writeSettings("[settings]\nsaveac=0\nclipboardac=1\n");
    start();
    action("pmc2")->trigger();
    ASSERT_EQ(outputs.calls.size(), 1u);
    EXPECT_TRUE(log.empty()) << "no pause";
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ShellTest, SavedCaptureLandsInTheOutputFolder) {
    writeSettings(
        "[main]\nsaveas=png\n[settings]\nsaveac=1\nscreensfilename=shot<%SSNUM>\n"
        "[general]\nminimizewc=0\n");
    start();
    action("pmc2")->trigger();
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_TRUE(std::filesystem::exists(paths.screensDir() + "shot1.png"));
}

struct ErrorCase {
    const char* settings;  // of [settings]
    const char* starter;   // an action, or "" for the capture button
    const char* message;
};

TEST_F(ShellTest, AnErrorReachesTheErrorBoxAfterTheCleanUpAndPelkoGoesOn) {
    const ErrorCase cases[] = {
        // The fixture's display lists no windows for the object selector.
        {"wct=6\n", "", "\"Object capture\" is not available in this version of Pelko"},
        {"", "pmc7", "\"Object capture\" is not available in this version of Pelko"},
        {"clipboardac=1\n", "pmc2", "The clipboard is in use by another program"},
    };
    outputs.failClipboard = true;
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.message);
        boxes.seen.clear();
        writeSettings(std::string("[settings]\nsaveac=0\n") + c.settings);
        start().show();
        const int modeBefore = form->settings().currentMode;
        if (*c.starter) {
            action(c.starter)->trigger();
        } else {
            control<QPushButton>("lbltakescreenshot")->click();
        }
        ASSERT_EQ(boxes.seen.size(), 1u);
        EXPECT_EQ(boxes.seen[0].title, "Pelko");
        EXPECT_EQ(boxes.seen[0].text, QString::fromLatin1(c.message));
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
        EXPECT_EQ(form->settings().currentMode, modeBefore);
        EXPECT_TRUE(form->isVisible()) << "shown again by the clean-up";
    }
    // Still running: the next capture works.
    outputs.failClipboard = false;
    outputs.calls.clear();
    action("pmc2")->trigger();
    EXPECT_EQ(outputs.calls.size(), 1u);
}

TEST_F(ShellTest, AFailedSaveReachesTheErrorBox) {
    start();
    std::filesystem::remove(paths.settingsFile());
    std::filesystem::create_directory(paths.settingsFile());  // cannot be written now
    control<QCheckBox>("ssreccursor")->click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text.toStdString(), "Unable to write to " + paths.settingsFile());
    EXPECT_TRUE(control<QCheckBox>("ssreccursor")->isChecked());
}

TEST_F(ShellTest, AboutBoxOpensOnceAndTheSecondClickFocusesIt) {
    start();
    action("About1")->trigger();
    action("About1")->trigger();
    QWidget* about = nullptr;
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "Tfrmabout" && w->isVisible()) {
            about = w;
            ++count;
        }
    }
    EXPECT_EQ(count, 1);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(form->AboutOpen);
    EXPECT_EQ(about->windowTitle(), "About Pelko");
    EXPECT_EQ(about->size(), QSize(305, 318));
    auto* close = about->findChild<QPushButton*>("btnclose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "Close");
    EXPECT_EQ(close->geometry(), QRect(224, 288, 75, 25));
    ASSERT_NE(about->findChild<QWidget*>("lbl1"), nullptr);
    ASSERT_NE(about->findChild<QWidget*>("lbl2"), nullptr);
    EXPECT_EQ(about->findChild<QWidget*>("lbl1")->cursor().shape(), Qt::PointingHandCursor);
    close->click();
    EXPECT_FALSE(form->AboutOpen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    action("About1")->trigger();
    EXPECT_TRUE(form->AboutOpen) << "a new box after the first was closed";
}

// Receives the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(ShellTest, HelpOpensTheHelpPageOfTheProgramFolder) {
    start();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    action("Help1")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), dir.path() + "/help.html");
}

TEST_F(ShellTest, ShowBringsTheWindowBack) {
    start();
    EXPECT_FALSE(form->isVisible());
    action("Show1")->trigger();
    EXPECT_TRUE(form->isVisible());
    form->showMinimized();
    action("Show1")->trigger();
    EXPECT_FALSE(form->isMinimized());
}

TEST_F(ShellTest, StartHiddenOnlyWhenATrayHoldsTheIcon) {
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    for (const auto& [settings, shown] : {std::pair{"", true}, std::pair{"[main]\nrunmm=0\n", true},
                                          std::pair{"[main]\nrunmm=1\n", !tray}}) {
        writeSettings(settings);
        TForm1 window(services());
        EXPECT_EQ(window.trayiconStartup(), shown) << settings;
    }
}

TEST_F(ShellTest, ClosingSavesThenPurgesTheScratchFolderThenReleasesTheHotkeys) {
    writeText(scratchDir + "capture.png", "x");
    std::filesystem::create_directories(scratchDir + "sub");
    writeText(scratchDir + "sub/readonly.bmp", "x");
    std::filesystem::permissions(scratchDir + "sub/readonly.bmp",
                                 std::filesystem::perms::owner_read);
    bool savedBeforeRelease = false, purgedBeforeRelease = false;
    ShellServices s = services();
    s.releaseHotkeys = [&] {
        log.push_back("release");
        savedBeforeRelease = IniFile(paths.settingsFile()).valueExists("main", "sshk");
        purgedBeforeRelease = !std::filesystem::exists(scratchDir);
    };
    form = std::make_unique<TForm1>(s);
    form->FormCreate();
    form->show();
    QSignalSpy closed(form.get(), &TForm1::closed);
    action("Exit1")->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(savedBeforeRelease);
    EXPECT_TRUE(purgedBeforeRelease);
    EXPECT_EQ(std::count(log.begin(), log.end(), "release"), 1);
    form->close();  // a second close does not run it again
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
}  // namespace pelko::test

#include "main_window_actions_test.moc"
