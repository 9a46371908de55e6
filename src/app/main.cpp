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
#include "app/command_notifier.h"
#include "app/command_outputs.h"
#include "app/command_selector.h"
#include "app/completion_scripts.h"
#include "app/headless_capture.h"
#include "app/picture_output.h"
#include "app/running_tray.h"
#include "app/tray_program.h"
#include "app/wayland_clipboard_server.h"
#include "app/wayland_session.h"
#include "core/capture/capture_mode.h"
#include "core/capture/capture_notice.h"
#include "core/codec/decode.h"
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

// How long a capture's end waits for its notice to reach the session bus.
constexpr std::chrono::milliseconds kNoticeWait{500};

// Set when a notice's sender still waits for the bus as the command ends: the command then ends
// at once, without running the exit handlers beside that thread.
bool senderLeftBehind = false;

// Waits before a delayed capture, telling a running tray program the seconds left at every whole
// second so that its icon counts down.
void waitBeforeCapture(const pelko::ProgramPaths& paths, double seconds) {
    using Clock = std::chrono::steady_clock;
    const std::unique_ptr<pelko::DelayAnnouncer> countdown = pelko::trayDelayAnnouncer(paths);
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

// The arguments of the tray program that the command starts, after its name: the program
// folder, the platform, the command's own path (which the start-with-the-session entry runs)
// and `extra`.
std::vector<std::string> trayStartArguments(const pelko::CommandLine& cl,
                                            const std::vector<std::string>& extra) {
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    std::vector<std::string> args = trayArguments(cl, paths);
    args.push_back("--launcher");
    args.push_back(pelko::executablePath());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// The tray program carries the user interface and its libraries; the command line stays
// without them, so a capture from the command line starts fast and small. It replaces this
// process, keeping its id.
int startTray(const pelko::CommandLine& cl, const std::vector<std::string>& extra = {}) {
    const std::string tray = pelko::trayProgramPath();
    // Named "pelko" in its argument list, so its windows carry the program's class name.
    std::vector<std::string> args{"pelko"};
    for (std::string& a : trayStartArguments(cl, extra)) {
        args.push_back(std::move(a));
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ::execv(tray.c_str(), argv.data());
    throw pelko::cannotStartTray(tray, errno);
}

// Starts the tray program beside the command, which goes on to its end; the tray program
// runs on after it.
void startTrayBeside(const pelko::CommandLine& cl, const std::vector<std::string>& extra) {
    const std::string tray = pelko::trayProgramPath();
    const pelko::DetachedStart started =
        pelko::startDetached({tray, trayStartArguments(cl, extra), {}, false, "pelko"});
    if (started.error != 0) {
        throw pelko::cannotStartTray(tray, started.error);
    }
}

// Opens a capture's picture in the editor of the running tray program, or starts a tray
// program that opens it.
void openInTrayEditor(const pelko::CommandLine& cl, const pelko::ProgramPaths& paths,
                      const std::string& file) {
    if (!pelko::sendToTrayEditor(paths, {file})) {
        startTrayBeside(cl, {"--edit", file});
    }
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
        if (o.window) {
            // A window that is not there is said at once, not after the wait.
            openScreen(cl, state.ssreccursor);
        }
        waitBeforeCapture(paths, o.delaySeconds);
    }
    CaptureScreen screen = openScreen(cl, state.ssreccursor);
    pelko::CaptureSources sources(*screen.screen);
    const std::string tray = pelko::trayProgramPath();
    pelko::HeadlessCaptureHost host([&](int mode, bool& cancelled) {
        if (!screen.knowsWindows && mode == int(pelko::CaptureMode::Object)) {
            throw pelko::Error(pelko::kNoActiveWindowMessage);
        }
        std::vector<std::string> args = trayArguments(cl, paths);
        for (std::string& a : pelko::selectorOptionArguments(o)) {
            args.push_back(std::move(a));
        }
        return pelko::selectThroughTray(tray, args, mode, cancelled);
    });
    const std::string scratch = pelko::scratchDirPath();
    pelko::prepareScratchDir(scratch);
    pelko::CommandOutputs outputs(
        paths, scratch, state.jpegQuality, tray, screen.clipboardServer,
        [&](const std::string& file) { openInTrayEditor(cl, paths, file); });
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
    // picture itself goes to standard output, nothing else does. The paths are the command's
    // result, so a path that cannot be printed fails the command (its file stays).
    std::optional<pelko::Error> unprinted;
    if (o.output != pelko::kStandardOutput) {
        pipeline.onFileWritten = [&](const std::string& file) {
            // A picture written into standard output by another name carries nothing else.
            if (!unprinted && !pelko::isStandardOutput(file)) {
                unprinted = pelko::printFilePath(file);
            }
        };
    }
    std::unique_ptr<pelko::CommandNotifier> notifier;
    if (o.notify) {
        notifier = std::make_unique<pelko::CommandNotifier>(
            [] {
                return std::make_unique<pelko::DbusNotifier>(pelko::DbusNotifier::Mode::SendOnly,
                                                             pelko::LaunchProgram{});
            },
            kNoticeWait);
    }
    const pelko::CaptureResult result =
        pelko::takescreenAnnounced(pipeline, cl.captureMode, notifier.get(), state.outputs);
    outputs.waitForWindows();
    if (notifier && notifier->senderLeftBehind()) {
        senderLeftBehind = true;
    }
    if (unprinted) {
        throw *unprinted;
    }
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

// An error about a file, with the file's name when the error does not give it.
std::string fileErrorMessage(const std::string& path, const std::string& message) {
    if (message.find(path) != std::string::npos) {
        return message;
    }
    return "Cannot open file \"" + path + "\". " + message;
}

// Hands the pictures to the editor of the running tray program, or starts one that opens them.
// A file that is missing or no picture is named on standard error with the reason, and the
// command then fails; the others open all the same.
int runEdit(const pelko::CommandLine& cl) {
    std::vector<std::string> files;
    bool refused = false;
    for (const std::string& f : cl.editFiles) {
        // The tray program runs in a folder of its own.
        const std::string path = std::filesystem::absolute(f).lexically_normal().string();
        try {
            pelko::openPictureFile(path);
            files.push_back(path);
        } catch (const std::exception& e) {
            std::cerr << fileErrorMessage(path, e.what()) << "\n";
            refused = true;
        }
    }
    if (files.empty()) {
        return pelko::kExitFailed;
    }
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    if (pelko::sendToTrayEditor(paths, files)) {
        return refused ? pelko::kExitFailed : pelko::kExitDone;
    }
    std::vector<std::string> extra{"--edit"};
    extra.insert(extra.end(), files.begin(), files.end());
    if (!refused) {
        return startTray(cl, extra);
    }
    // The command's own status tells of the refused files, so the tray program runs beside it.
    startTrayBeside(cl, extra);
    return pelko::kExitFailed;
}

int run(int argc, char** argv) {
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
                std::cout << pelko::usageText() << std::flush;
                return std::cout ? pelko::kExitDone : pelko::kExitFailed;
            case pelko::CommandLine::Action::Completion:
                std::cout << *pelko::completionScript(cl.completionShell, "pelko") << std::flush;
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
                // Started again from a launcher while Pelko runs: its window comes forward,
                // instead of a second tray program whose hotkeys the first one holds.
                if (pelko::showRunningTray(pelko::locateProgram(cl.home))) {
                    return pelko::kExitDone;
                }
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

}  // namespace

int main(int argc, char** argv) {
    const int status = run(argc, argv);
    if (senderLeftBehind) {
        std::cout.flush();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
