#include "core/capture/pipeline.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/codec/encode.h"
#include "core/error.h"
#include "fake_screen.h"
#include "support/pictures.h"
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
    std::optional<Bitmap> selection = Bitmap(5, 5, 24);
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
    std::optional<Bitmap> select(int mode, bool& cancelled) override {
        selectedMode = mode;
        cancelled = cancel;
        return selection;
    }
};

struct Outputs : CaptureOutputs {
    std::vector<std::string> calls;
    bool failClipboard = false;
    Bitmap clipboard;  // the last picture put on the clipboard
    std::vector<std::string> record(const char* name) {
        calls.push_back(name);
        return {};
    }
    std::vector<std::string> copyToClipboard(const Bitmap& b) override {
        if (failClipboard) {
            throw Error("clipboard busy");
        }
        clipboard = b;
        return record("clipboard");
    }
    std::vector<std::string> openInPaint(const Bitmap&) override { return record("paint"); }
    std::vector<std::string> publishWeb(const Bitmap&) override { return record("ftp"); }
    std::vector<std::string> sendEmail(const Bitmap&) override { return record("email"); }
    std::vector<std::string> openInEditor(const Bitmap&) override { return record("editor"); }
};

class PipelineTest : public ::testing::Test {
  protected:
    PipelineTest() : sources(screen) {
        paths.programDir = dir.path();
        settings("");
        state.outputs.save = true;
    }
    // The output folder and name template of every test, plus the given lines.
    void settings(const std::string& extra) {
        writeText(paths.settingsFile(), "[main]\nsaveto=" + dir.path() +
                                            "/\n[settings]\nscreensfilename=c<%ssnum>\n" + extra);
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
    host.visible = false;  // in the tray: no hiding, no pause
    run(1);
    EXPECT_TRUE(host.log.empty());

    settings("[general]\nminimizewc=0\n");
    host.visible = true;
    run(1);
    EXPECT_TRUE(host.log.empty());

    settings("rwidth=0\n");
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
              std::vector<std::string>{dir.path() + "/c2.bmp"});  // one file, from the nested run
    EXPECT_EQ(state.currentMode, 7);
    EXPECT_EQ(std::filesystem::file_size(dir.path() + "/c1.bmp"), 54u + 10 * 5 * 3 + 5 * 2);
    EXPECT_EQ(std::filesystem::file_size(dir.path() + "/c2.bmp"), 54u + 64 * 48 * 3);
}

TEST_F(PipelineTest, CancelledOrEmptySelectionHasNoOutputsAndNoNumber) {
    struct Case {
        const char* name;
        bool cancel;
        std::optional<Bitmap> selection;
    };
    const Case cases[] = {{"cancelled", true, Bitmap(5, 5, 24)},
                          {"no image", false, std::nullopt},
                          {"zero-size selection", false, Bitmap(0, 0, 24)}};
    state.outputs.clipboard = true;
    state.currentMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.cancel = c.cancel;
        host.selection = c.selection;
        CaptureResult r = run(3);
        EXPECT_TRUE(r.cancelled);
        EXPECT_TRUE(outputs.calls.empty());
        EXPECT_EQ(state.currentMode, 1);
        EXPECT_FALSE(IniFile(paths.settingsFile()).valueExists("filename", "ssnum"));
    }
}

TEST_F(PipelineTest, OutputsRunInOrderAndAnErrorSkipsTheRest) {
    state.outputs = {true, true, true, true, true};
    state.cbopenineditor = true;
    CaptureResult r = run(1);
    EXPECT_EQ(outputs.calls,
              (std::vector<std::string>{"clipboard", "paint", "ftp", "email", "editor"}));
    outputs.calls.clear();
    outputs.failClipboard = true;
    EXPECT_THROW(run(1), Error);
    EXPECT_TRUE(outputs.calls.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/c2.bmp"));  // the save before it stays
}

// Runs with scaling and the watermark: the picture reaches the clipboard output only.
class PostProcessingTest : public PipelineTest {
  protected:
    PostProcessingTest() { state.outputs = {false, true, false, false, false}; }
    // The test's settings, always with the output folder in the test's folder.
    void settings(const std::string& text) {
        writeText(paths.settingsFile(), "[main]\nsaveto=" + dir.path() + "/\n" + text);
    }
    // A stamp file: a picture whose bottom-left pixel (the transparent colour) is white.
    void writeStamp(const std::string& path, const Bitmap& stamp) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        VectorSink sink;
        encodeBmp(sink, stamp);
        writeText(path, std::string(sink.bytes.begin(), sink.bytes.end()));
    }
    static std::uint32_t rgb(const Bitmap& b, int x, int y) { return b.pixel32(x, y) & 0xFFFFFF; }
};

TEST_F(PostProcessingTest, ScalesByTheRunsValuesWhenTheBoxIsChecked) {
    screen.width = 1001;
    screen.height = 768;
    struct Case {
        std::string settings;
        bool checked;
        int width, height;
    } cases[] = {
        {"[scaling]\nwidth=33\nheight=33\n", true, 330, 253},  // scaling/stype absent: percent
        {"[scaling]\nwidth=640\nheight=480\nstype=2\n", true, 640, 480},
        {"[scaling]\nwidth=33\nheight=33\n", false, 1001, 768},
        {"", true, 1001, 768},
    };
    for (const Case& c : cases) {
        settings(c.settings);
        state.cbenablescaling = c.checked;
        run(1);
        EXPECT_EQ(outputs.clipboard.width(), c.width) << c.settings;
        EXPECT_EQ(outputs.clipboard.height(), c.height) << c.settings;
        EXPECT_TRUE(outputs.clipboard.deviceDependent());
    }
    // 100 % (the defaults): the capture unchanged, pixel for pixel.
    for (int y = 0; y < 768; y += 97) {
        for (int x = 0; x < 1001; x += 89) {
            ASSERT_EQ(rgb(outputs.clipboard, x, y), FakeScreen::pixelAt(x, y));
        }
    }
}

TEST_F(PostProcessingTest, AScalingErrorEndsTheRunWithoutOutputs) {
    state.cbenablescaling = true;
    host.visible = true;
    state.currentMode = 4;
    for (const char* text :
         {"[scaling]\nstype=3\n", "[scaling]\nwidth=1\n", "[scaling]\nheight=0\nstype=2\n"}) {
        settings(text);
        host.log.clear();
        try {
            run(1);
            ADD_FAILURE() << "no error for " << text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Floating point division by zero");
        }
        EXPECT_TRUE(outputs.calls.empty());
        EXPECT_EQ(host.log, (std::vector<std::string>{"hide", "pause 100", "show"}));
        EXPECT_EQ(state.currentMode, 4);
    }
}

TEST_F(PostProcessingTest, WatermarkGoesOnTheScaledPicture) {
    // An empty image file means the program folder's stamp.
    Bitmap stamp = test::makePicture(3, 2, [](int x, int y) {
        return x == 0 && y == 1 ? 0xFFFFFFu : 0xFF0000u + std::uint32_t(x);
    });
    writeStamp(paths.defaultWatermark(), stamp);
    settings(
        "[scaling]\nwidth=50\nheight=50\n[watermark]\nenable=1\nimagefile=\n"
        "direction=2\nleft=3\ntop=2\n");
    state.cbenablescaling = true;
    run(1);
    const Bitmap& b = outputs.clipboard;
    ASSERT_EQ(b.width(), 32);
    ASSERT_EQ(b.height(), 24);
    EXPECT_EQ(rgb(b, 3, 2), 0xFF0000u);
    EXPECT_EQ(rgb(b, 5, 2), 0xFF0002u);
    EXPECT_EQ(rgb(b, 5, 3), 0xFF0002u);
    EXPECT_NE(rgb(b, 3, 3), 0xFFFFFFu);  // the transparent colour is left out
    EXPECT_NE(rgb(b, 6, 2), 0xFF0002u);

    // Watermark switched off in the file: no stamp, whatever the other keys say.
    settings("[watermark]\nenable=0\ndirection=2\nleft=0\ntop=0\n");
    state.cbenablescaling = false;
    run(1);
    EXPECT_EQ(rgb(outputs.clipboard, 0, 0), FakeScreen::pixelAt(0, 0));
}

TEST_F(PostProcessingTest, AWatermarkErrorEndsTheRunWithItsMessage) {
    const std::string missing = dir.file("nowhere/stamp.bmp");
    settings("[watermark]\nenable=1\nimagefile=" + missing + "\n");
    state.outputs.save = true;
    try {
        run(1);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_TRUE(outputs.calls.empty());
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_NE(entry.path().extension(), ".bmp") << entry.path();  // nothing saved
    }

    // The factory path when the key is absent too.
    settings("[watermark]\nenable=1\n");
    EXPECT_THROW(run(1), Error);
    writeStamp(paths.defaultWatermark(), test::filledPicture(2, 2, 0x00FF00));
    state.outputs.save = false;
    settings("[watermark]\nenable=1\ntransparent=0\ntop=0\nleft=0\n");
    run(1);
    EXPECT_EQ(rgb(outputs.clipboard, 63, 47), 0x00FF00u);  // bottom-right, opaque
}

}  // namespace
}  // namespace pelko

namespace pelko {
namespace {

TEST_F(PipelineTest, RegionOverrideReplacesTheModesSourceAndMustTouchTheScreen) {
    struct Case {
        Rect region;
        bool fits;
    };
    for (const Case& c :
         {Case{{10, 5, 30, 25}, true}, Case{{-5, -5, 5, 5}, true}, Case{{64, 0, 80, 10}, false},
          Case{{-10, 0, 0, 10}, false}, Case{{0, 48, 10, 60}, false}}) {
        SCOPED_TRACE(c.region.left);
        state.outputs = {};
        state.outputs.clipboard = true;
        outputs.clipboard = Bitmap();
        state.currentMode = 4;  // rectangle: its selector is never shown
        CapturePipeline p(state, paths, sources, host, outputs);
        p.regionOverride = c.region;
        if (!c.fits) {
            EXPECT_THROW(p.takescreen(0), Error);
            continue;
        }
        p.takescreen(0);
        ASSERT_EQ(outputs.clipboard.width(), c.region.width());
        ASSERT_EQ(outputs.clipboard.height(), c.region.height());
        const int x = std::max(0, -c.region.left), y = std::max(0, -c.region.top);
        EXPECT_EQ(outputs.clipboard.pixel32(x, y) & 0xFFFFFF,
                  FakeScreen::pixelAt(c.region.left + x, c.region.top + y));
        EXPECT_EQ(host.selectedMode, 0);
    }
}

TEST_F(PipelineTest, SaveOverrideAndFormatOverrideLeaveTheSettingsFormat) {
    CapturePipeline p(state, paths, sources, host, outputs);
    p.formatOverride = int(ImageFormat::Png);
    EXPECT_EQ(p.takescreen(1).files, std::vector<std::string>{dir.path() + "/c1.png"});
    int saved = 0;
    p.saveOverride = [&](const Bitmap& b) {
        ++saved;
        EXPECT_EQ(b.width(), 64);
        return std::vector<std::string>{"elsewhere"};
    };
    EXPECT_EQ(p.takescreen(1).files, std::vector<std::string>{"elsewhere"});
    EXPECT_EQ(saved, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/c2.bmp"));
}

}  // namespace
}  // namespace pelko
