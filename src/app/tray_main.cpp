// The tray program: the main window, the tray icon and the global hotkeys. The pelko command
// starts it with the program folder and its own path.
#include <malloc.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/capture_overrides.h"
#include "app/command_line.h"
#include "app/wayland_session.h"
#include "app/wayland_shell_platform.h"
#include "app/x11_shell_platform.h"
#include "core/error.h"
#include "platform/desktop/dbus_session.h"
#include "platform/desktop/program_location.h"
#include "platform/net/ftp_uploader.h"
#include "platform/wayland/display.h"
#include "platform/x11/connection.h"
#include "platform/x11/deepest_window.h"
#include "platform/x11/x11_screen.h"
#include "ui/dialogs/publish_window_app.h"
#include "ui/selectors/select_program.h"
#include "ui/toolkit/clipboard_server.h"

namespace {

// The tray program runs for weeks and captures now and then. With glibc's defaults a freed
// block of a few hundred KiB raises the size from which blocks get a mapping of their own, and
// later blocks of that size stay in the heap after use; a fixed threshold and an early trim
// hand such memory back after each capture (frames themselves have mappings of their own).
void keepIdleMemorySmall() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

// Qt's platform plugin for the display system this run talks to: the one --platform names,
// else the user's choice of plugin, else the session's.
void chooseToolkitPlatform(const pelko::CommandLine& cl) {
    if (cl.platform || !std::getenv("QT_QPA_PLATFORM")) {
        ::setenv("QT_QPA_PLATFORM", pelko::onWayland(cl) ? "wayland" : "xcb", 1);
    }
}

// The arguments Qt sees: the program's name and the options before --edit, without the
// program's platform choice, which QT_QPA_PLATFORM carries. Qt would read "--platform x11" as
// the name of a plugin, and the names of pictures to edit as options of its own.
class ToolkitArguments {
  public:
    ToolkitArguments(int argc, char** argv) {
        for (int i = 0; i < argc; ++i) {
            const std::string_view a = argv[i];
            if (i > 0 && a == "--edit") {
                break;
            }
            if (i > 0 && a == "--platform") {
                ++i;
                continue;
            }
            m_argv.push_back(argv[i]);
        }
        m_argc = int(m_argv.size());
        m_argv.push_back(nullptr);
    }
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

  private:
    std::vector<char*> m_argv;
    int m_argc = 0;
};

// The settings of a command-line capture's run: settings.ini as at start-up (no hotkeys bound,
// the autostart entry left alone) with the run's options applied.
pelko::MainSettings runSettings(const pelko::CommandLine& cl) {
    class QuietSettingsHost final : public pelko::SettingsHost {};
    const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
    pelko::MainSettings settings;
    QuietSettingsHost host;
    pelko::readparams(settings, paths, host);
    pelko::applyOverrides(cl.overrides, settings);
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    keepIdleMemorySmall();
    // The toolkit looks for a session bus (tray icon, accessibility); it must not start one
    // that would outlive the program.
    pelko::pinSessionBusAddress();
    ToolkitArguments qt(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "--serve-clipboard") {
        const std::string image = argv[2];
        const std::string gif = argc >= 4 ? argv[3] : "";
        return pelko::serveClipboard(qt.argc(), qt.argv(), image, gif);
    }
    try {
        if (argc >= 3 && std::string(argv[1]) == "--publish") {
            // One upload window for a file of a command-line capture.
            const pelko::CommandLine cl =
                pelko::parseCommandLine(std::vector<std::string>(argv + 3, argv + argc));
            const pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
            return pelko::runPublishWindow(qt.argc(), qt.argv(), paths.programDir, argv[2],
                                           pelko::ftpUploaders());
        }
        if (argc >= 3 && std::string(argv[1]) == "--select") {
            // The selector of a command-line capture; the picture goes back on standard output.
            // The arguments are those of the command's run: the mode, then its options.
            std::vector<std::string> args{"--capture"};
            args.insert(args.end(), argv + 2, argv + argc);
            const pelko::CommandLine cl = pelko::parseCommandLine(args);
            const pelko::MainSettings settings = runSettings(cl);
            chooseToolkitPlatform(cl);
            if (pelko::onWayland(cl)) {
                auto screen = pelko::openWaylandScreen(cl, settings.ssreccursor);
                auto windows = pelko::openWaylandWindows(*screen);
                return pelko::runSelectProgram(qt.argc(), qt.argv(), *screen, windows.get(),
                                               settings, int(cl.captureMode));
            }
            pelko::X11Screen screen(nullptr);
            pelko::X11WindowLocator windows(nullptr);
            return pelko::runSelectProgram(qt.argc(), qt.argv(), screen, &windows, settings,
                                           int(cl.captureMode));
        }
        if (argc >= 2 && std::string(argv[1]) == "--pick-region") {
            // The fixed-area picker of the command line; the region goes back on standard output.
            const pelko::CommandLine cl =
                pelko::parseCommandLine(std::vector<std::string>(argv + 2, argv + argc));
            const pelko::MainSettings settings = runSettings(cl);
            chooseToolkitPlatform(cl);
            if (pelko::onWayland(cl)) {
                auto screen = pelko::openWaylandScreen(cl, settings.ssreccursor);
                return pelko::runPickRegionProgram(qt.argc(), qt.argv(), *screen, settings);
            }
            pelko::X11Screen screen(nullptr);
            return pelko::runPickRegionProgram(qt.argc(), qt.argv(), screen, settings);
        }
        const pelko::CommandLine cl =
            pelko::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        pelko::ProgramPaths paths = pelko::locateProgram(cl.home);
        pelko::ensureScreensFolder(paths);
        const std::string executable = cl.launcher.value_or(pelko::executablePath());
        chooseToolkitPlatform(cl);
        if (pelko::onWayland(cl)) {
            // Without a compositor Qt's plugin would abort the program; this says why instead.
            { const pelko::wayland::Display compositor; }
            pelko::WaylandShellPlatform platform(paths, executable, cl);
            platform.startupEditFiles = cl.editFiles;
            return pelko::runShell(qt.argc(), qt.argv(), platform);
        }
        // The same for an X display: Qt's plugin would abort without one.
        { const pelko::x11::Connection display(nullptr); }
        pelko::X11ShellPlatform platform(paths, executable);
        platform.startupEditFiles = cl.editFiles;
        return pelko::runShell(qt.argc(), qt.argv(), platform);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
