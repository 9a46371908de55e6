#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/capture/fake_screen.h"
#include "core/error.h"
#include "core/settings/ini_file.h"
#include "message_boxes.h"
#include "support/temp_dir.h"
#include "ui/shell/main_window.h"

namespace pelko::test {

// Outputs that record what reached them, and whether the main window was visible then.
struct RecordingOutputs : CaptureOutputs {
    struct Call {
        std::string output;
        int width, height;
        bool windowVisible;
    };
    std::vector<Call> calls;
    const QWidget* window = nullptr;
    bool failClipboard = false;

    std::vector<std::string> record(const char* output, const Bitmap& b) {
        calls.push_back({output, b.width(), b.height(), window && window->isVisible()});
        return {};
    }
    std::vector<std::string> copyToClipboard(const Bitmap& b) override {
        if (failClipboard) {
            throw Error("The clipboard is in use by another program");
        }
        return record("clipboard", b);
    }
    std::vector<std::string> openInPaint(const Bitmap& b) override { return record("paint", b); }
    std::vector<std::string> publishWeb(const Bitmap& b) override { return record("ftp", b); }
    std::vector<std::string> sendEmail(const Bitmap& b) override { return record("email", b); }
    std::vector<std::string> openInEditor(const Bitmap& b) override { return record("editor", b); }
};

// A main window on a program folder of its own, with the platform replaced by recorders.
class ShellTest : public ::testing::Test {
  protected:
    ShellTest() {
        paths.programDir = dir.path();
        paths.paintProgram = "/usr/bin/paint";
        std::filesystem::create_directories(paths.screensDir());
        scratchDir = dir.path() + "/scratch/";
        ::mkdir(scratchDir.c_str(), 0700);  // private, as the program makes it
        screen.active = Rect{10, 10, 30, 20};
    }

    ShellServices services() {
        ShellServices s;
        s.paths = paths;
        s.scratchDir = scratchDir;
        s.executablePath = dir.path() + "/pelko";
        s.addtostartup = [this](bool on) { startup.push_back(on); };
        s.bindHotkeys = [this](const std::array<std::uint32_t, 9>& v) { bound.push_back(v); };
        s.releaseHotkeys = [this] { log.push_back("release"); };
        s.flushDisplay = [this] { log.push_back("flush"); };
        s.screen = &screen;
        s.outputs = &outputs;
        return s;
    }

    // The window after its start-up, from the settings file as the test left it.
    TForm1& start() {
        form = std::make_unique<TForm1>(services());
        outputs.window = form.get();
        form->FormCreate();
        return *form;
    }

    void writeSettings(const std::string& text) { writeText(paths.settingsFile(), text); }
    std::string settingsText() const { return readText(paths.settingsFile()); }
    IniFile ini() const { return IniFile(paths.settingsFile()); }

    template <typename T>
    T* control(const char* name) {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* action(const char* name) { return control<QAction>(name); }

    TempDir dir;
    ProgramPaths paths;
    std::string scratchDir;
    FakeScreen screen;
    RecordingOutputs outputs;
    std::vector<bool> startup;
    std::vector<std::array<std::uint32_t, 9>> bound;
    std::vector<std::string> log;
    MessageBoxes boxes;
    std::unique_ptr<TForm1> form;
};

}  // namespace pelko::test
