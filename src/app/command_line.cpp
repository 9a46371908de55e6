#include "app/command_line.h"

#include <array>
#include <string_view>

#include "core/capture/capture_mode.h"
#include "core/error.h"

namespace pelko {

const char* const kUsage =
    "Usage: pelko [--home DIR] [--capture MODE | --pick-region]\n"
    "\n"
    "  (no option)       start Pelko in the tray\n"
    "  --capture MODE    capture once with the outputs of settings.ini and print each file\n"
    "                    written; MODE is 0-8 or default, screen, window, rect, fixed,\n"
    "                    ellipse, object, rounded, freehand\n"
    "  --pick-region     drag out a region on the screen and print it as WxH+X+Y\n"
    "  --home DIR        use DIR as the program folder (settings.ini, lib/, screens/)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status of --capture and --pick-region: 0 done, 1 error, 2 selection cancelled.\n";

std::optional<unsigned> parseCaptureMode(const std::string& text) {
    if (const auto mode = captureModeNamed(text)) {
        return unsigned(*mode);
    }
    return std::nullopt;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw Error("Option " + a + " needs a value");
            }
            return args[++i];
        };
        if (a == "--capture") {
            const std::string& mode = value();
            auto parsed = parseCaptureMode(mode);
            if (!parsed) {
                throw Error("Unknown capture mode \"" + mode + "\"");
            }
            cl.action = CommandLine::Action::Capture;
            cl.captureMode = *parsed;
        } else if (a == "--pick-region") {
            cl.action = CommandLine::Action::PickRegion;
        } else if (a == "--home") {
            cl.home = value();
            if (cl.home->empty()) {
                // An empty folder would quietly mean the program's own folder.
                throw Error("Option --home needs a folder");
            }
        } else if (a == "--launcher") {
            cl.launcher = value();
        } else if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::Help;
        } else if (a == "--version") {
            cl.action = CommandLine::Action::Version;
        } else {
            throw Error("Unknown option \"" + a + "\"");
        }
    }
    return cl;
}

}  // namespace pelko
