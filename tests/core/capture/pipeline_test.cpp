#include "core/capture/pipeline.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "fake_screen.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::FakeScreen;
using test::TempDir;
using test::writeText;

struct Host : CaptureHost {
  bool visible = false;
  std::vector<std::string> log;
  bool cancel = false;
  int selectedMode = 0;
  bool mainWindowVisible() override { return visible; }
  void hideMainWindow() override {
    visible = false;
    log.push_back("hide");
  }
  void restoreMainWindow() override {
    visible = true;
    log.push_back("show");
  }
  void pause(int ms) override { log.push_back("pause " + std::to_string(ms)); }
  std::optional<Bitmap> select(int mode, bool &cancelled) override {
    selectedMode = mode;
    cancelled = cancel;
    return Bitmap(5, 5, 24);
  }
};

struct Outputs : CaptureOutputs {
  std::vector<std::string> calls;
  bool failClipboard = false;
  std::vector<std::string> record(const char *name) {
    calls.push_back(name);
    return {};
  }
  std::vector<std::string> copyToClipboard(const Bitmap &) override {
    if (failClipboard) {
      throw Error("clipboard busy");
    }
    return record("clipboard");
  }
  std::vector<std::string> openInPaint(const Bitmap &) override {
    return record("paint");
  }
  std::vector<std::string> publishWeb(const Bitmap &) override {
    return record("ftp");
  }
  std::vector<std::string> sendEmail(const Bitmap &) override {
    return record("email");
  }
  std::vector<std::string> openInEditor(const Bitmap &) override {
    return record("editor");
  }
};

class PipelineTest : public ::testing::Test {
protected:
  PipelineTest() : sources(screen) {
    paths.programDir = dir.path();
    writeText(paths.settingsFile(),
              "[main]\nsaveto=" + dir.path() +
                  "/\n[settings]\nscreensfilename=c<%ssnum>\n");
    state.outputs.save = true;
  }
  CaptureResult run(unsigned mode) {
    CapturePipeline p(state, paths, sources, host, outputs,
                      [] { return LocalTime{2024, 3, 5, 9, 7, 2}; });
    return p.takescreen(mode);
  }
  TempDir dir;
  ProgramPaths paths;
  MainSettings state;
  FakeScreen screen;
  CaptureSources sources;
  Host host;
  Outputs outputs;
};

TEST_F(PipelineTest, ModeRunsForTheRunOnlyAndTheFileIsWritten) {
  state.currentMode = 3;
  CaptureResult r = run(1);
  EXPECT_EQ(r.files, std::vector<std::string>{dir.path() + "/c1.bmp"});
  EXPECT_EQ(state.currentMode, 3);
  EXPECT_EQ(screen.copies, 1);
}

TEST_F(PipelineTest, ModeZeroUsesCurrentModeAndInvalidModesCaptureTheScreen) {
  state.currentMode = 5;
  run(0);
  EXPECT_EQ(host.selectedMode, 5);
  for (int mode : {0, 9, -1}) {
    state.currentMode = mode;
    EXPECT_EQ(run(0).files.size(), 1u);
    EXPECT_EQ(state.currentMode, mode);
  }
}

TEST_F(PipelineTest, HidesVisibleWindowWithPauseAndRestoresItAlsoOnError) {
  host.visible = true;
  run(1);
  EXPECT_EQ(host.log, (std::vector<std::string>{"hide", "pause 100", "show"}));

  host.log.clear();
  host.visible = false; // in the tray: no hiding, no pause
  run(1);
  EXPECT_TRUE(host.log.empty());

  writeText(paths.settingsFile(), "[general]\nminimizewc=0\n");
  host.visible = true;
  run(1);
  EXPECT_TRUE(host.log.empty());

  writeText(paths.settingsFile(), "[settings]\nrwidth=0\n");
  host.visible = true;
  state.currentMode = 2;
  EXPECT_THROW(run(4), Error);
  EXPECT_EQ(host.log, (std::vector<std::string>{"hide", "pause 100", "show"}));
  EXPECT_EQ(state.currentMode, 2);
}

TEST_F(PipelineTest, ActiveWindowOrWholeScreenWhenThereIsNone) {
  screen.active = Rect{4, 4, 14, 9};
  run(2);
  screen.active.reset();
  state.currentMode = 7;
  CaptureResult r = run(2);
  EXPECT_EQ(r.files,
            std::vector<std::string>{
                dir.path() + "/c2.bmp"}); // one file, from the nested run
  EXPECT_EQ(state.currentMode, 7);
  EXPECT_EQ(std::filesystem::file_size(dir.path() + "/c1.bmp"),
            54u + 10 * 5 * 3 + 5 * 2);
  EXPECT_EQ(std::filesystem::file_size(dir.path() + "/c2.bmp"),
            54u + 64 * 48 * 3);
}

TEST_F(PipelineTest, CancelledSelectionHasNoOutputsAndNoNumber) {
  host.cancel = true;
  state.outputs.clipboard = true;
  CaptureResult r = run(3);
  EXPECT_TRUE(r.cancelled);
  EXPECT_TRUE(outputs.calls.empty());
  EXPECT_FALSE(IniFile(paths.settingsFile()).valueExists("filename", "ssnum"));
}

TEST_F(PipelineTest, OutputsRunInOrderAndAnErrorSkipsTheRest) {
  state.outputs = {true, true, true, true, true};
  state.cbopenineditor = true;
  CaptureResult r = run(1);
  EXPECT_EQ(outputs.calls,
            (std::vector<std::string>{"clipboard", "paint", "ftp", "email",
                                      "editor"}));
  outputs.calls.clear();
  outputs.failClipboard = true;
  EXPECT_THROW(run(1), Error);
  EXPECT_TRUE(outputs.calls.empty());
  EXPECT_TRUE(std::filesystem::exists(dir.path() +
                                      "/c2.bmp")); // the save before it stays
}

} // namespace
} // namespace pelko
