#include "core/output/scratch_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/error.h"
#include "core/output/paint_output.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

LocalTime at(int year, int month, int day, int hour, int minute, int second) {
    return {year, month, day, hour, minute, second};
}

TEST(ScratchFileName, NumbersWithoutLeadingZerosFromOneClockReading) {
    struct Case {
        LocalTime first, second;
        ImageFormat format;
        const char* name;
    };
    const Case cases[] = {
        {at(2024, 3, 5, 9, 7, 2), at(2024, 3, 5, 9, 7, 2), ImageFormat::Png, "2024-3-5~9-7-2.png"},
        {at(2024, 12, 31, 23, 59, 59), at(2024, 12, 31, 23, 59, 59), ImageFormat::Bmp,
         "2024-12-31~23-59-59.bmp"},
        {at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 0, 0, 0), ImageFormat::Jpeg, "2024-1-1~0-0-0.jpg"},
        {at(2024, 10, 10, 10, 10, 10), at(2024, 10, 10, 10, 10, 10), ImageFormat::Gif,
         "2024-10-10~10-10-10.gif"},
        // A clock that moves on to the next day after its first reading: one moment.
        {at(2024, 12, 31, 23, 59, 59), at(2025, 1, 1, 0, 0, 0), ImageFormat::Png,
         "2024-12-31~23-59-59.png"},
    };
    for (const Case& c : cases) {
        int calls = 0;
        Clock clock = [&] { return calls++ == 0 ? c.first : c.second; };
        EXPECT_EQ(scratchFileName(c.format, clock), c.name);
        EXPECT_EQ(calls, 1);
    }
}

class ScratchTest : public ::testing::Test {
  protected:
    ScratchTest() : bitmap(test::makePicture(6, 4, [](int x, int y) { return x * 40 + y; })) {
        paths.programDir = dir.path();
        scratch = dir.file("scratch dir/");
        makeScratch();
    }
    // The scratch folder as the program makes it: private to the user.
    void makeScratch() const { ::mkdir(scratch.c_str(), 0700); }
    void settings(const std::string& text) { writeText(paths.settingsFile(), text); }
    ScratchContext ctx() const {
        return {paths, scratch, 90, [] { return at(2024, 3, 5, 9, 7, 2); }};
    }
    std::string save(int override) { return SaveCaptureToScratch(bitmap, override, ctx()); }
    std::size_t filesInScratch() const {
        return std::size_t(std::distance(std::filesystem::directory_iterator(scratch),
                                         std::filesystem::directory_iterator()));
    }

    TempDir dir;
    ProgramPaths paths;
    std::string scratch;
    Bitmap bitmap;
};

TEST_F(ScratchTest, FormatFromTheOverrideOrTheConfiguredFormat) {
    struct Case {
        const char* saveas;  // nullptr: key absent
        int override;
        const char* name;  // "": nothing written
        const char* magic;
    };
    const Case cases[] = {
        {nullptr, 0, "2024-3-5~9-7-2.bmp", "BM"},
        {"png", 0, "2024-3-5~9-7-2.png", "\x89PNG"},
        {"jpg", 0, "2024-3-5~9-7-2.jpg", "\xFF\xD8"},
        {"gif", 0, "2024-3-5~9-7-2.gif", "GIF8"},
        {"PNG", 0, "2024-3-5~9-7-2.png", "\x89PNG"},  // any letter case
        {"Jpg", 0, "2024-3-5~9-7-2.jpg", "\xFF\xD8"},
        {"tiff", 0, "2024-3-5~9-7-2.bmp", "BM"},  // unknown is BMP
        {"gif", 1, "2024-3-5~9-7-2.bmp", "BM"},   // the editor's working copy
        {"bmp", 2, "2024-3-5~9-7-2.jpg", "\xFF\xD8"},
        {"bmp", 3, "2024-3-5~9-7-2.png", "\x89PNG"},
        {"bmp", 4, "2024-3-5~9-7-2.gif", "GIF8"},
        {"png", 5, "", ""},
        {"png", -1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.saveas ? c.saveas : "(absent)") + " " +
                     std::to_string(c.override));
        std::filesystem::remove_all(scratch);
        makeScratch();
        settings(c.saveas ? std::string("[main]\nsaveas=") + c.saveas + "\n" : "");
        const std::string path = save(c.override);
        if (*c.name == '\0') {
            EXPECT_EQ(path, "");
            EXPECT_EQ(filesInScratch(), 0u);
            continue;
        }
        EXPECT_EQ(path, scratch + c.name);
        EXPECT_EQ(readText(path).substr(0, std::strlen(c.magic)), c.magic);
        EXPECT_EQ(filesInScratch(), 1u);
    }
}

TEST_F(ScratchTest, SameSecondKeepsEveryFile) {
    settings("[main]\nsaveas=png\n");
    EXPECT_EQ(save(0), scratch + "2024-3-5~9-7-2.png");
    EXPECT_EQ(save(0), scratch + "2024-3-5~9-7-2 (2).png");
    EXPECT_EQ(save(3), scratch + "2024-3-5~9-7-2 (3).png");
    EXPECT_EQ(save(1), scratch + "2024-3-5~9-7-2.bmp");  // another format: its own name
    // A name taken by something that is not ours (here a link) is never written through.
    std::filesystem::create_symlink(dir.file("elsewhere"), scratch + "2024-3-5~9-7-2 (4).png");
    EXPECT_EQ(save(0), scratch + "2024-3-5~9-7-2 (5).png");
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere")));
    EXPECT_EQ(test::rgbPixels(readPictureFile(scratch + "2024-3-5~9-7-2 (2).png")),
              test::rgbPixels(bitmap));
}

TEST_F(ScratchTest, EncoderSettingsComeFromTheSettingsFileAndTheCaller) {
    // Long runs of one colour: run-length coding (method 2) and LZW give different data.
    bitmap = test::makePicture(64, 16, [](int x, int) { return x < 40 ? 0x102030 : 0xFFFFFF; });
    for (int method : {1, 2}) {
        settings("[main]\nsaveas=gif\n[settings]\ngifcomp=" + std::to_string(method) + "\n");
        VectorSink expected;
        EncodeOptions options;
        options.gifMethod = method;
        encodeGif(expected, bitmap, options);
        const std::string file = readText(save(0));
        EXPECT_EQ(file, std::string(expected.bytes.begin(), expected.bytes.end())) << method;
    }
    EXPECT_NE(readText(scratch + "2024-3-5~9-7-2.gif"),
              readText(scratch + "2024-3-5~9-7-2 (2).gif"));

    bitmap = test::makePicture(64, 64, [](int x, int y) { return (x * 7919 + y * 104729) * 31; });
    ScratchContext low = ctx();
    low.jpegQuality = 5;
    const auto small = std::filesystem::file_size(SaveCaptureToScratch(bitmap, 2, low));
    const auto large = std::filesystem::file_size(save(2));  // quality 90
    EXPECT_LT(small, large);
}

// The reason of the error names the folder and says what is wrong with it.
TEST_F(ScratchTest, UnusableScratchFolderFailsWithTheFileCreationError) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* problem;
    };
    const std::string folder = scratch.substr(0, scratch.size() - 1);
    const Case cases[] = {
        {"missing", [this] { std::filesystem::remove_all(scratch); }, "does not exist."},
        {"a link to a folder",
         [this, &folder] {
             std::filesystem::remove_all(scratch);
             std::filesystem::create_directory(dir.file("real"));
             std::filesystem::create_directory_symlink(dir.file("real"), folder);
         },
         "is a link; Pelko does not use it."},
        {"a file",
         [this, &folder] {
             std::filesystem::remove_all(scratch);
             writeText(folder, "");
         },
         "is not a folder; Pelko does not use it."},
        {"open to others", [&folder] { ::chmod(folder.c_str(), 0755); },
         "is open to other users; Pelko uses it only when it is private."},
    };
    settings("[main]\nsaveas=png\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.file("real"));
        std::filesystem::create_directory(folder);
        ::chmod(folder.c_str(), 0700);
        c.prepare();
        try {
            save(0);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + scratch +
                                                 "2024-3-5~9-7-2.png\". The scratch folder \"" +
                                                 folder + "\" " + c.problem);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("real/2024-3-5~9-7-2.png")));
        std::filesystem::remove_all(scratch.substr(0, scratch.size() - 1));
    }
}

// The paint program: what it is started with, through a recorder of launches.
struct Launch {
    std::string program, argument, workingDir;
    friend bool operator==(const Launch&, const Launch&) = default;
};

TEST_F(ScratchTest, PaintProgramGetsTheScratchPathAsItsOneArgument) {
    paths.paintProgram = "/usr/bin/factory-paint";
    std::vector<Launch> launches;
    LaunchProgram record = [&](const std::string& p, const std::string& a, const std::string& w) {
        launches.push_back({p, a, w});
    };
    struct Case {
        const char* settings;
        int override;
        const char* program;  // nullptr: nothing started
        const char* name;
    };
    const Case cases[] = {
        {"[main]\nsaveas=png\n", 0, "/usr/bin/factory-paint", "2024-3-5~9-7-2.png"},
        {"[general]\nexteditor=/opt/my paint/bin/paint\n", 0, "/opt/my paint/bin/paint",
         "2024-3-5~9-7-2.bmp"},
        {"[general]\nexteditor=/no/such/program\n", 2, "/no/such/program", "2024-3-5~9-7-2.jpg"},
        {"[general]\nexteditor=/opt/paint\n", 5, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        launches.clear();
        std::filesystem::remove_all(scratch);
        makeScratch();
        settings(c.settings);
        const std::string path = OpenCaptureInPaint(bitmap, c.override, ctx(), record);
        if (c.program == nullptr) {
            EXPECT_EQ(path, "");
            EXPECT_TRUE(launches.empty());
            EXPECT_EQ(filesInScratch(), 0u);
            continue;
        }
        EXPECT_EQ(path, scratch + c.name);
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(launches, (std::vector<Launch>{{c.program, path, paths.screensDir()}}));
    }
}

}  // namespace
}  // namespace pelko
