#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/capture_overrides.h"
#include "app/command_line.h"
#include "app/command_outputs.h"
#include "app/command_selector.h"
#include "app/headless_capture.h"
#include "app/picture_output.h"
#include "app/running_tray.h"
#include "app/tray_program.h"
#include "app/wayland_clipboard_server.h"
#include "app/wayland_session.h"
#include "core/capture/capture_mode.h"
#include "core/capture/capture_notice.h"
#include "core/error.h"
#include "platform/desktop/dbus_notifier.h"
#include "platform/desktop/detached_process.h"
#include "platform/desktop/program_location.h"
#include "platform/desktop/scratch_dir.h"
#include "platform/wayland/wayland_screen.h"
#include "platform/x11/x11_screen.h"

namespace {

// Settings loaded as at start-up, but with no hotkeys bound and the autostart entry left alone.
class CaptureSettingsHost final : public pelko::SettingsHost {};

// Waits before a delayed capture, telling a running tray program the seconds left at every whole
// second so that its icon counts down.
void waitBeforeCapture(const pelko::CommandLine& cl, const pelko::ProgramPaths& paths,
                       double seconds) {
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<pelko::DelayAnnouncer> countdown;
    try {
        countdown = pelko::trayDelayAnnouncer(cl, paths);
    } catch (const pelko::Error&) {
        // No display to tell: the wait goes on, and the capture reports the display itself.
    }
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    for (;;) {
        const double left = std::chrono::duration<double>(end - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        const double whole = std::ceil(left);
        if (countdown) {
            countdown->announce(int(whole));
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(left - (whole - 1)));
    }
}

// The screen of the platform this session runs, with the rectangle of the X window --window
// names (only X11 has window ids to give).
struct CaptureScreen {
    std::unique_ptr<pelko::Screen> screen;
    std::optional<pelko::Rect> window;
    bool knowsWindows = true;  // whether the desktop tells which window lies where
    // The program that holds the clipboard after the command ends (--serve-clipboard).
    std::string clipboardServer = pelko::trayProgramPath();
};

CaptureScreen openScreen(const pelko::CommandLine& cl, bool drawPointer) {
    CaptureScreen opened;
    if (pelko::onWayland(cl)) {
        if (cl.overrides.window) {
            throw pelko::Error("Option --window needs an X11 session: Wayland has no window ids");
        }
        opened.screen = pelko::openWaylandScreen(cl, drawPointer);
        opened.knowsWindows = pelko::waylandTellsWindows();
        opened.clipboardServer = pelko::executablePath();
        return opened;
    }
    auto x11 = std::make_unique<pelko::X11Screen>(nullptr);
    if (cl.overrides.window) {
        opened.window = x11->windowFrameRect(*cl.overrides.window);
    }
    opened.screen = std::move(x11);
    return opened;
}

// The arguments of a tray program started for this run: the program folder and the platform.
std::vector<std::string> trayArguments(const pelko::CommandLine& cl,
                                       const pelko::ProgramPaths& paths) {
    std::vector<std::string> args = pelko::homeArguments(paths);
    for (std::string& a : pelko::platformArguments(cl)) {
        args.push_back(std::move(a));
    }
    return args;
}

int runCapture(const pelko::CommandLine& cl) {
    const pelko::CaptureOverrides& o = cl.overrides;
    pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    pelko::ensureScreensFolder(paths);
    pelko::MainSettings state;
    CaptureSettingsHost settingsHost;
    pelko::readparams(state, paths, settingsHost);
    pelko::applyOverrides(o, state);

    if (o.delaySeconds > 0) {
        waitBeforeCapture(cl, paths, o.delaySeconds);
    }
    CaptureScreen screen = openScreen(cl, state.ssreccursor);
    pelko::CaptureSources sources(*screen.screen);
    const std::string tray = pelko::trayProgramPath();
    pelko::HeadlessCaptureHost host([&](int mode, bool& cancelled) {
        if (!screen.knowsWindows && mode == int(pelko::CaptureMode::Object)) {
            throw pelko::Error(pelko::kNoActiveWindowMessage);
        }
        return pelko::selectThroughTray(tray, trayArguments(cl, paths), mode, cancelled);
    });
    const std::string scratch = pelko::scratchDirPath();
    pelko::prepareScratchDir(scratch);
    pelko::CommandOutputs outputs(paths, scratch, state.jpegQuality, tray, screen.clipboardServer);
    pelko::CapturePipeline pipeline(state, paths, sources, host, outputs);
    if (screen.window) {
        pipeline.regionOverride = screen.window;
    } else if (o.region) {
        pipeline.regionOverride = o.region;
    }
    pipeline.formatOverride = o.format ? int(*o.format) : 0;
    if (o.output) {
        pipeline.saveOverride = [&](const pelko::Bitmap& bitmap) {
            return pelko::writeOutputOverride(o, state, paths, bitmap);
        };
    }
    // Each path as soon as it is written: a later output that fails does not hide it. When the
    // picture itself goes to standard output, nothing else does.
    if (o.output != pelko::kStandardOutput) {
        pipeline.onFileWritten = [](const std::string& file) {
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
        };
    }
    std::unique_ptr<pelko::DbusNotifier> notifier;
    if (o.notify) {
        notifier = std::make_unique<pelko::DbusNotifier>(pelko::DbusNotifier::Mode::SendOnly,
                                                         pelko::LaunchProgram{});
    }
    const pelko::CaptureResult result =
        pelko::takescreenAnnounced(pipeline, cl.captureMode, notifier.get(), state.outputs);
    outputs.waitForWindows();
    return result.cancelled ? pelko::kExitCancelled : pelko::kExitDone;
}

// The fixed-area picker: prints the region; settings stay as they are.
int runPickRegion(const pelko::CommandLine& cl) {
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    const auto region =
        pelko::pickRegionThroughTray(pelko::trayProgramPath(), trayArguments(cl, paths));
    if (!region) {
        return pelko::kExitCancelled;
    }
    std::printf("%s\n", region->c_str());
    return pelko::kExitDone;
}

// The tray program carries the user interface and its libraries; the command line stays
// without them, so a capture from the command line starts fast and small. It replaces this
// process, keeping its id.
int startTray(const pelko::CommandLine& cl, const std::vector<std::string>& extra = {}) {
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    const std::string tray = pelko::trayProgramPath();
    // Named "pelko" in its argument list, so its windows carry the program's class name.
    std::vector<std::string> args{"pelko"};
    for (std::string& a : trayArguments(cl, paths)) {
        args.push_back(std::move(a));
    }
    args.push_back("--launcher");
    args.push_back(pelko::executablePath());
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ::execv(tray.c_str(), argv.data());
    throw pelko::cannotStartTray(tray, errno);
}

// Hands the files to the editor of the running tray program, or starts one that opens them.
int runEdit(const pelko::CommandLine& cl) {
    std::vector<std::string> files;
    for (const std::string& f : cl.editFiles) {
        // The tray program runs in a folder of its own.
        files.push_back(std::filesystem::absolute(f).lexically_normal().string());
    }
    if (pelko::sendToTrayEditor(cl, pelko::locateProgram(cl.home), files)) {
        return pelko::kExitDone;
    }
    std::vector<std::string> extra{"--edit"};
    extra.insert(extra.end(), files.begin(), files.end());
    return startTray(cl, extra);
}

}  // namespace

int main(int argc, char** argv) {
    pelko::guardStandardDescriptors();
    // A reader that goes away (a closed pipe) makes writes fail with a message, not end the
    // command silently.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc >= 3 && std::string(argv[1]) == "--serve-clipboard") {
        // The clipboard of a Wayland capture, held after the capture's command has ended.
        return pelko::serveWaylandClipboard(argv[2], argc >= 4 ? argv[3] : "");
    }
    try {
        pelko::CommandLine cl =
            pelko::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        switch (cl.action) {
            case pelko::CommandLine::Action::Help:
                std::cout << pelko::kUsage << std::flush;
                return std::cout ? pelko::kExitDone : pelko::kExitFailed;
            case pelko::CommandLine::Action::Version:
                std::cout << "Pelko " PELKO_VERSION "\n" << std::flush;
                return std::cout ? pelko::kExitDone : pelko::kExitFailed;
            case pelko::CommandLine::Action::Capture:
                return runCapture(cl);
            case pelko::CommandLine::Action::PickRegion:
                return runPickRegion(cl);
            case pelko::CommandLine::Action::Edit:
                return runEdit(cl);
            case pelko::CommandLine::Action::Run:
                return startTray(cl);
        }
    } catch (const pelko::UsageError& e) {
        std::cerr << "pelko: " << e.what() << "\n";
        return pelko::kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return pelko::kExitFailed;
    }
    return pelko::kExitFailed;
}
