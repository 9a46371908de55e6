// The built-in editor: its tabs, its output commands and its transform dialogs, on real files
// in a scratch folder.
#include "ui/editor/editor_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/output/save_capture.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "ui/editor/transform_dialogs.h"
#include "ui/message_boxes.h"

namespace pelko {
namespace {

using test::TempDir;
using test::writeText;

std::string readAll(const std::string& path) {
    const auto bytes = readFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

Bitmap readBmp(const std::string& path) {
    return decodeBmp(readFileBytes(path));
}

class EditorTest : public ::testing::Test {
  protected:
    EditorTest() {
        services.paths.programDir = dir.path();
        services.scratchDir = dir.file("scratch/");
        std::filesystem::create_directory(services.scratchDir);
        ::chmod(services.scratchDir.c_str(), 0700);
        services.jpegQuality = [] { return 90; };
        editor = new Tfrmeditor(services);
    }
    ~EditorTest() override { delete editor.data(); }

    QTabBar* pages() const { return editor->findChild<QTabBar*>("pages"); }
    QToolButton* button(const char* name) const {
        return editor->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    // The three captures' first pixels: 0x010000, 0x020000, 0x030000.
    std::vector<std::string> threeCaptures() {
        std::vector<std::string> files;
        for (int i = 1; i <= 3; ++i) {
            files.push_back(editor->addCapture(test::filledPicture(10 * i, 8, 0x010000u * i)));
        }
        return files;
    }
    std::uint32_t shown() const { return test::rgbAt(editor->picture(), 0, 0); }
    std::string editorIni() const { return dir.file("lib/editor.ini"); }
    template <class Dialog>
    Dialog* openDialog(const char* button) {
        // Dialogs closed before are deleted first, so that only open ones are found.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        this->button(button)->click();
        auto dialogs = editor->findChildren<Dialog*>();
        return dialogs.size() == 1 ? dialogs[0] : nullptr;
    }
    template <class W>
    W* control(QWidget* dialog, const char* name) {
        return dialog->findChild<W*>(QString::fromLatin1(name));
    }
    static void press(QWidget* dialog, const char* name) {
        dialog->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }

    TempDir dir;
    EditorServices services;
    QPointer<Tfrmeditor> editor;
    test::MessageBoxes boxes;
};

TEST_F(EditorTest, OpensAsDesigned) {
    EXPECT_EQ(editor->windowTitle(), "Editor");
    EXPECT_EQ(editor->size(), QSize(987, 636));
    EXPECT_EQ(editor->findChild<QComboBox*>("fileformat")->currentText(), "JPG - JPEG Image");
    EXPECT_EQ(editor->formatCode(), 2);
    EXPECT_EQ(pages()->count(), 0);
    // Without the output settings the button says so and cannot be pressed.
    EXPECT_FALSE(button("sSpeedButton7")->isEnabled());
    EXPECT_TRUE(button("sSpeedButton7")->toolTip().startsWith("Format properties"));
    Tfrmeditor withSettings(
        EditorServices{services.paths, services.scratchDir, {}, {}, nullptr, {}, [] {}});
    EXPECT_TRUE(withSettings.findChild<QToolButton*>("sSpeedButton7")->isEnabled());
}

TEST_F(EditorTest, CapturesBecomeTabsLoadedFromTheirFiles) {
    const auto files = threeCaptures();
    ASSERT_EQ(pages()->count(), 3);
    EXPECT_EQ(pages()->currentIndex(), 2);
    EXPECT_EQ(shown(), 0x030000u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(services.scratchDir + pages()->tabText(i).toStdString(), files[i]);
        EXPECT_TRUE(files[i].ends_with(".bmp"));
        EXPECT_EQ(test::rgbAt(readBmp(files[i]), 0, 0), 0x010000u * (i + 1));
    }
    // Captures within one second keep their own files and pictures.
    EXPECT_NE(files[0], files[1]);

    // Selecting a tab reloads its file: a change on disk shows.
    Bitmap changed = test::filledPicture(5, 5, 0x00FF00);
    writeImageFile(changed, ImageFormat::Bmp, {}, files[0]);
    pages()->setCurrentIndex(0);
    EXPECT_EQ(shown(), 0x00FF00u);
    EXPECT_EQ(editor->picture().width(), 5);
}

// "Close Tab": the tab left of the closed one is shown; closing the first shows the new first;
// closing the only one empties the view and disables the picture's commands.
TEST_F(EditorTest, CloseTabRules) {
    const auto files = threeCaptures();
    pages()->setCurrentIndex(1);
    editor->closeTabClick();
    ASSERT_EQ(pages()->count(), 2);
    EXPECT_EQ(pages()->currentIndex(), 0);
    EXPECT_EQ(shown(), 0x010000u);

    editor->closeTabClick();  // the first of two
    ASSERT_EQ(pages()->count(), 1);
    EXPECT_EQ(pages()->currentIndex(), 0);
    EXPECT_EQ(editor->tabFilePath(), files[2]);
    EXPECT_EQ(shown(), 0x030000u);
    EXPECT_TRUE(button("sb1")->isEnabled());

    editor->closeTabClick();
    EXPECT_EQ(pages()->count(), 0);
    EXPECT_TRUE(editor->picture().empty());
    for (const char* name : {"sb1", "sb2", "sb3", "sb4", "sb5", "sb6", "sb7", "sb8"}) {
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    }
    for (const char* name : {"sSpeedButton4", "sSpeedButton13"}) {
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    }
    editor->closeTabClick();  // no tab: nothing happens
    EXPECT_TRUE(boxes.seen.empty());
    for (const auto& file : files) {
        EXPECT_TRUE(std::filesystem::exists(file)) << "closing a tab keeps its file";
    }
    editor->addCapture(test::filledPicture(4, 4, 0x0000FF));
    EXPECT_TRUE(button("sb8")->isEnabled());
}

// A tab whose file is gone, is no bitmap, or holds a picture too large to load shows the
// error and keeps the picture shown before.
TEST_F(EditorTest, UnloadableTabKeepsThePreviousPicture) {
    const auto files = threeCaptures();
    std::filesystem::remove(files[0]);
    writeText(files[1], "not a picture");
    pages()->setCurrentIndex(0);
    pages()->setCurrentIndex(1);
    // A header saying 20000 x 20000 at 24 bits.
    std::string huge = readAll(files[2]);
    huge.replace(18, 8, std::string("\x20\x4e\x00\x00\x20\x4e\x00\x00", 8));
    writeText(files[2], huge);
    pages()->setCurrentIndex(2);
    ASSERT_EQ(boxes.seen.size(), 3u);
    EXPECT_EQ(boxes.seen[1].text, "Bitmap image is not valid");
    EXPECT_EQ(shown(), 0x030000u);
    EXPECT_EQ(editor->picture().width(), 30);
}

TEST_F(EditorTest, SaveAsKeepsOrAddsTheExtension) {
    editor->addCapture(test::makePicture(16, 9, [](int x, int y) { return x * 0x100F + y; }));
    const std::string png = editor->saveAs(dir.file("shot.png"), 3);
    EXPECT_EQ(png, dir.file("shot.png"));
    EXPECT_EQ(test::rgbPixels(decodePng(readFileBytes(png))), test::rgbPixels(editor->picture()));
    EXPECT_EQ(editor->saveAs(dir.file("shot"), 4), dir.file("shot.gif"));
}

TEST_F(EditorTest, ScaleDialogLoadsFromSettingsAndStoresToEditorIni) {
    writeText(services.paths.settingsFile(), "[scaling]\nwidth=50\nheight=50\nstype=1\n");
    editor->addCapture(test::filledPicture(800, 600, 0x123456));
    const std::string file = editor->tabFilePath();
    auto* dialog = openDialog<TfrmEditorScale>("sb6");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Scale Image");
    EXPECT_EQ(control<QSpinBox>(dialog, "sesclwidth")->value(), 50);
    EXPECT_EQ(control<QSpinBox>(dialog, "sesclheight")->value(), 50);
    EXPECT_TRUE(control<QRadioButton>(dialog, "cbpercent")->isChecked());
    // A second press brings the same dialog forward.
    EXPECT_EQ(openDialog<TfrmEditorScale>("sb6"), dialog);

    QPointer<TransformDialog> alive = dialog;
    press(dialog, "Button1");
    EXPECT_EQ(readAll(editorIni()), "[scaling]\nwidth=50\nheight=50\nstype=1\n");
    EXPECT_EQ(editor->picture().width(), 400);
    EXPECT_EQ(editor->picture().height(), 300);
    EXPECT_EQ(readBmp(file).width(), 400);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(EditorTest, TypedNumbersAboveTheRangeAreHeldAtItsMaximum) {
    editor->addCapture(test::filledPicture(80, 60, 0x123456));
    auto* dialog = openDialog<TfrmEditorScale>("sb6");
    ASSERT_NE(dialog, nullptr);
    auto* width = control<QSpinBox>(dialog, "sesclwidth");
    width->selectAll();
    QTest::keyClicks(width, "12345");
    EXPECT_EQ(width->value(), 9999);
}

// A scale to 0 pixels fails: the new values are stored, the picture and its file stay, and the
// dialog stays open for another try.
TEST_F(EditorTest, FailedTransformKeepsPictureFileAndDialog) {
    editor->addCapture(test::filledPicture(40, 30, 0x123456));
    const std::string file = editor->tabFilePath();
    const std::string before = readAll(file);
    auto* dialog = openDialog<TfrmEditorScale>("sb6");
    ASSERT_NE(dialog, nullptr);
    control<QRadioButton>(dialog, "cbpixels")->setChecked(true);
    control<QSpinBox>(dialog, "sesclwidth")->setValue(0);
    press(dialog, "Button1");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "Floating point division by zero");
    EXPECT_EQ(readAll(editorIni()), "[scaling]\nwidth=0\nheight=90\nstype=2\n");
    EXPECT_EQ(editor->picture().width(), 40);
    EXPECT_EQ(readAll(file), before);
    EXPECT_TRUE(dialog->isVisible());

    // A watermark file that cannot be read: the same.
    auto* watermark = openDialog<Tfrmeditorwatermark>("sb7");
    ASSERT_NE(watermark, nullptr);
    control<QLineEdit>(watermark, "tximagefile")
        ->setText(QString::fromStdString(dir.file("none.bmp")));
    press(watermark, "Button1");
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(readAll(file), before);
    EXPECT_TRUE(watermark->isVisible());
}

TEST_F(EditorTest, CancelWritesNothingAndUnwritableIniStopsTheTransform) {
    editor->addCapture(test::filledPicture(40, 30, 0x123456));
    for (const char* name : {"sb6", "sb7", "sb8"}) {
        button(name)->click();
    }
    for (TransformDialog* dialog : editor->findChildren<TransformDialog*>()) {
        press(dialog, "Button2");
    }
    EXPECT_FALSE(std::filesystem::exists(editorIni()));

    // editor.ini cannot be written: its error, no transform, the dialog stays.
    std::filesystem::create_directories(editorIni());
    auto* rotate = openDialog<Tfrmeditorrotate>("sb8");
    ASSERT_NE(rotate, nullptr);
    press(rotate, "Button1");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text.toStdString(), "Unable to write to " + editorIni());
    EXPECT_TRUE(rotate->isVisible());
}

TEST_F(EditorTest, WatermarkDialogStoresEveryKeyInOrderAndStamps) {
    writeText(services.paths.settingsFile(),
              "[watermark]\ntransparent=0\ndirection=2\ntop=3\nleft=4\nhtype=1\nvtype=7\n");
    Bitmap stamp = test::filledPicture(2, 2, 0xFF0000);
    writeImageFile(stamp, ImageFormat::Bmp, {}, dir.file("stamp.bmp"));
    editor->addCapture(test::filledPicture(20, 10, 0x000000));
    auto* dialog = openDialog<Tfrmeditorwatermark>("sb7");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<QLineEdit>(dialog, "tximagefile")->text().toStdString(),
              services.paths.defaultWatermark());
    EXPECT_FALSE(control<QCheckBox>(dialog, "cbtransparent")->isChecked());
    EXPECT_EQ(control<QComboBox>(dialog, "cmbdirection")->currentText(), "Top-Left");
    EXPECT_EQ(control<QSpinBox>(dialog, "setop")->value(), 3);
    EXPECT_EQ(control<QComboBox>(dialog, "cbhtype")->currentIndex(), 1);
    EXPECT_EQ(control<QSpinBox>(dialog, "seleft")->value(), 4);
    EXPECT_EQ(control<QComboBox>(dialog, "cbvtype")->currentIndex(), 0);  // 7 names no item

    control<QLineEdit>(dialog, "tximagefile")
        ->setText(QString::fromStdString(dir.file("stamp.bmp")));
    control<QComboBox>(dialog, "cbhtype")->setCurrentIndex(0);
    press(dialog, "Button1");
    EXPECT_EQ(readAll(editorIni()), "[watermark]\nimagefile=" + dir.file("stamp.bmp") +
                                        "\ntop=3\nleft=4\ntransparent=0\ndirection=2\n"
                                        "htype=0\nvtype=0\n");
    ASSERT_TRUE(boxes.seen.empty());
    // Some pixel of the picture and of its file is now the stamp's red.
    const auto pixels = test::rgbPixels(readBmp(editor->tabFilePath()));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF0000u), 4);
    EXPECT_EQ(test::rgbPixels(editor->picture()), pixels);
}

TEST_F(EditorTest, RotateDialogTurnsAndAlwaysOpensOnItsDesignedValues) {
    editor->addCapture(
        test::makePicture(6, 4, [](int x, int y) { return x == 0 && y == 0 ? 0xFF : 0; }));
    auto* dialog = openDialog<Tfrmeditorrotate>("sb8");
    ASSERT_NE(dialog, nullptr);
    control<QRadioButton>(dialog, "cbangle")->setChecked(true);
    control<QSpinBox>(dialog, "seangle")->setValue(90);
    press(dialog, "Button1");
    EXPECT_EQ(readAll(editorIni()), "[rotate]\nangle=90\nrtype=3\n");
    EXPECT_EQ(editor->picture().width(), 4);
    EXPECT_EQ(editor->picture().height(), 6);
    EXPECT_EQ(readBmp(editor->tabFilePath()).width(), 4);
    EXPECT_EQ(test::rgbAt(editor->picture(), 3, 0), 0x0000FFu);  // clockwise
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    dialog = openDialog<Tfrmeditorrotate>("sb8");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(control<QRadioButton>(dialog, "cbturn1")->isChecked());
    EXPECT_EQ(control<QSpinBox>(dialog, "seangle")->value(), 0);
    press(dialog, "Button1");  // left to right: the blue corner goes back to the left
    EXPECT_EQ(test::rgbAt(editor->picture(), 0, 0), 0x0000FFu);
    EXPECT_EQ(test::rgbAt(editor->picture(), 3, 0), 0u);
    EXPECT_EQ(test::rgbPixels(readBmp(editor->tabFilePath())), test::rgbPixels(editor->picture()));
}

// Closing the editor takes its dialogs along: none is left to act on it.
TEST_F(EditorTest, ClosingTheEditorClosesItsDialogs) {
    editor->addCapture(test::filledPicture(8, 8, 0));
    QPointer<TransformDialog> dialog = openDialog<TfrmEditorScale>("sb6");
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(editor->isOpen());
    editor->close();
    EXPECT_FALSE(editor->isOpen());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(editor);
    EXPECT_FALSE(dialog);
}

}  // namespace
}  // namespace pelko
