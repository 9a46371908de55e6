#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_outputs.h"
#include "app/command_selector.h"
#include "app/headless_capture.h"
#include "app/tray_program.h"
#include "core/error.h"
#include "platform/desktop/program_location.h"
#include "platform/desktop/scratch_dir.h"
#include "platform/x11/x11_screen.h"

namespace {

// Settings loaded as at start-up, but with no hotkeys bound and the autostart entry left alone.
class CaptureSettingsHost final : public pelko::SettingsHost {};

int runCapture(const pelko::CommandLine& cl) {
    pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    pelko::ensureScreensFolder(paths);
    pelko::MainSettings state;
    CaptureSettingsHost settingsHost;
    pelko::readparams(state, paths, settingsHost);

    pelko::X11Screen screen(nullptr);
    pelko::CaptureSources sources(screen);
    const std::string tray = pelko::trayProgramPath();
    pelko::HeadlessCaptureHost host([&](int mode, bool& cancelled) {
        return pelko::selectThroughTray(tray, paths.programDir, mode, cancelled);
    });
    const std::string scratch = pelko::scratchDirPath();
    pelko::prepareScratchDir(scratch);
    pelko::CommandOutputs outputs(paths, scratch, state.jpegQuality, tray);
    pelko::CapturePipeline pipeline(state, paths, sources, host, outputs);
    // Each path as soon as it is written: a later output that fails does not hide it.
    pipeline.onFileWritten = [](const std::string& file) {
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
    };
    const pelko::CaptureResult result = pipeline.takescreen(cl.captureMode);
    outputs.waitForWindows();
    return result.cancelled ? 2 : 0;
}

// The fixed-area picker: prints the region; settings stay as they are.
int runPickRegion(const pelko::CommandLine& cl) {
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    const auto region = pelko::pickRegionThroughTray(pelko::trayProgramPath(), paths.programDir);
    if (!region) {
        return 2;
    }
    std::printf("%s\n", region->c_str());
    return 0;
}

// The tray program carries the user interface and its libraries; the command line stays
// without them, so a capture from the command line starts fast and small. It replaces this
// process, keeping its id.
int startTray(const pelko::CommandLine& cl) {
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    const std::string tray = pelko::trayProgramPath();
    // Named "pelko" in its argument list, so its windows carry the program's class name.
    std::vector<std::string> args{"pelko", "--home", paths.programDir, "--launcher",
                                  pelko::executablePath()};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ::execv(tray.c_str(), argv.data());
    throw pelko::cannotStartTray(tray, errno);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        pelko::CommandLine cl =
            pelko::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        switch (cl.action) {
            case pelko::CommandLine::Action::Help:
                std::cout << pelko::kUsage;
                return 0;
            case pelko::CommandLine::Action::Version:
                std::cout << "Pelko " PELKO_VERSION "\n";
                return 0;
            case pelko::CommandLine::Action::Capture:
                return runCapture(cl);
            case pelko::CommandLine::Action::PickRegion:
                return runPickRegion(cl);
            case pelko::CommandLine::Action::Run:
                return startTray(cl);
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 1;
}
