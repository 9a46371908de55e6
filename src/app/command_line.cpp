#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "app/completion_scripts.h"
#include "core/capture/capture_mode.h"
#include "core/error.h"

namespace pelko {

namespace {
// A day: longer waits are typing mistakes, not plans.
constexpr double kMaxDelaySeconds = 86400;
}  // namespace

namespace {

constexpr OptionInfo kOptions[] = {
    {"--capture", 0, OptionValue::CaptureMode, "MODE",
     "capture once with the outputs of settings.ini and print each file\n"
     "written; MODE is 0-8 or default, screen, window, rect, fixed,\n"
     "ellipse, object, rounded, freehand"},
    {"--geometry", 0, OptionValue::Region, "WxH+X+Y",
     "capture this region (the saved fixed region stays as it is)"},
    {"--window", 0, OptionValue::WindowId, "ID",
     "capture the X window ID (decimal or 0x...) with its frame; root\n"
     "or the root window's id is the whole screen"},
    {"--delay", 'd', OptionValue::Seconds, "SECONDS", "wait this long before capturing"},
    {"--format", 0, OptionValue::Format, "FORMAT",
     "save as bmp, jpg, png or gif instead of the saved format"},
    {"--quality", 0, OptionValue::Quality, "N", "JPEG quality 1-100 instead of the saved one"},
    {"--output", 0, OptionValue::File, "PATH",
     "write the picture exactly to PATH (through a link or into a device\n"
     "that is there); - writes it to standard output"},
    {"--pointer", 'p', OptionValue::None, nullptr, "draw the mouse pointer into the picture"},
    {"--no-pointer", 0, OptionValue::None, nullptr, "leave the mouse pointer out of the picture"},
    {"--clipboard", 0, OptionValue::None, nullptr,
     "copy the picture to the clipboard only, saving no file"},
    {"--notify", 0, OptionValue::None, nullptr,
     "show a desktop notification of what was saved or copied"},
    {"--pick-region", 0, OptionValue::None, nullptr,
     "drag out a region on the screen and print it as WxH+X+Y"},
    {"--edit", 0, OptionValue::Files, "FILE...",
     "open the pictures in the editor of the tray program (started\n"
     "when it does not run); every argument after --edit is a file"},
    {"--home", 0, OptionValue::Folder, "DIR",
     "use DIR as the program folder (settings.ini, lib/, screens/)"},
    {"--platform", 0, OptionValue::Platform, "NAME",
     "talk to x11 or wayland instead of what the session says;\n"
     "wayland-portal copies the screen through the desktop portal"},
    {"--completion", 0, OptionValue::Shell, "SHELL",
     "print a completion script for bash, zsh or fish"},
    {"--help", 'h', OptionValue::None, nullptr, "show this text"},
    // Given by the pelko command to the tray program it starts: not for users.
    {"--launcher", 0, OptionValue::File, "PATH", nullptr},
    {"--version", 0, OptionValue::None, nullptr, "show the version"},
};

constexpr ShortAlias kShortAliases[] = {
    {'s', "--capture", "rect"},
    {'u', "--capture", "window"},
};

// The option named "--name"; none for a name the command does not know.
const OptionInfo* optionNamed(std::string_view name) {
    for (const OptionInfo& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

bool takesValue(const OptionInfo& option) {
    return option.valueName != nullptr && option.value != OptionValue::Files;
}

}  // namespace

std::span<const OptionInfo> commandOptions() {
    return kOptions;
}

std::span<const ShortAlias> shortAliases() {
    return kShortAliases;
}

std::string usageText() {
    std::string text =
        "Usage: pelko [--home DIR]\n"
        "       pelko [--home DIR] (--capture MODE | --geometry WxH+X+Y | --window ID) [OPTION]..."
        " [FILE]\n"
        "       pelko [--home DIR] --pick-region\n"
        "       pelko [--home DIR] --edit FILE...\n"
        "\n"
        "  (no option)          start Pelko in the tray\n";
    constexpr std::size_t kHelpColumn = 23;
    for (const OptionInfo& option : kOptions) {
        if (!option.help) {
            continue;
        }
        std::string head = std::string("  ") + option.name;
        if (option.valueName) {
            head += std::string(" ") + option.valueName;
        }
        head.resize(std::max(kHelpColumn, head.size() + 1), ' ');
        std::string_view help = option.help;
        for (std::size_t eol; (eol = help.find('\n')) != std::string_view::npos;) {
            text += head + std::string(help.substr(0, eol)) + "\n";
            head.assign(kHelpColumn, ' ');
            help.remove_prefix(eol + 1);
        }
        text += head + std::string(help) + "\n";
    }
    text +=
        "\n"
        "Short forms, as scrot and maim take them:\n";
    for (const OptionInfo& option : kOptions) {
        if (option.shortName != 0) {
            std::string head = std::string("  -") + option.shortName;
            if (option.valueName) {
                head += std::string(" ") + option.valueName;
            }
            head.resize(kHelpColumn, ' ');
            text += head + option.name +
                    (option.valueName ? std::string(" ") + option.valueName : std::string()) + "\n";
        }
    }
    for (const ShortAlias& alias : kShortAliases) {
        std::string head = std::string("  -") + alias.letter;
        head.resize(kHelpColumn, ' ');
        text += head + alias.name + " " + alias.value + "\n";
    }
    text +=
        "  --OPTION=VALUE       the same as --OPTION VALUE\n"
        "  FILE                 a file name after the options is --output FILE\n"
        "                       (pelko -s shot.png)\n"
        "\n"
        "The options of a capture hold for that run only; settings.ini keeps its values.\n"
        "Exit status: 0 done, 1 error, 2 selection cancelled, 64 wrong command line.\n"
        "\n"
        "On Wayland desktops without global shortcuts for programs (sway and other wlroots\n"
        "compositors), bind the keys in the compositor, for example in sway's config:\n"
        "  bindsym Print exec pelko --capture screen\n"
        "  bindsym Shift+Print exec pelko --capture fixed\n";
    return text;
}

std::optional<unsigned> parseCaptureMode(const std::string& text) {
    if (const auto mode = captureModeNamed(text)) {
        return unsigned(*mode);
    }
    return std::nullopt;
}

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<ImageFormat> formatNamed(std::string_view name) {
    struct Named {
        const char* name;
        ImageFormat format;
    };
    static constexpr std::array<Named, 5> kNames{{{"bmp", ImageFormat::Bmp},
                                                  {"jpg", ImageFormat::Jpeg},
                                                  {"jpeg", ImageFormat::Jpeg},
                                                  {"png", ImageFormat::Png},
                                                  {"gif", ImageFormat::Gif}}};
    for (const Named& n : kNames) {
        if (equalsIgnoringCase(name, n.name)) {
            return n.format;
        }
    }
    return std::nullopt;
}

// A whole decimal number in [min, max], with an optional leading "-" when min < 0.
std::optional<long long> wholeNumber(std::string_view text, long long min, long long max) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// Reads digits up to the next sign or 'x' and moves text past them.
std::optional<long long> takeNumber(std::string_view& text, long long min, long long max) {
    std::size_t n = 0;
    while (n < text.size() && std::isdigit(static_cast<unsigned char>(text[n]))) {
        ++n;
    }
    if (n == 0) {
        return std::nullopt;
    }
    auto value = wholeNumber(text.substr(0, n), min, max);
    text.remove_prefix(n);
    return value;
}

std::optional<double> seconds(const std::string& text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0 || value > kMaxDelaySeconds) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> windowId(const std::string& text) {
    if (text == "root") {
        return kRootWindow;
    }
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    unsigned long long value = 0;
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || ec != std::errc() || ptr != end || value == 0 || value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return std::uint32_t(value);
}

UsageError usage(const std::string& message) {
    return UsageError(message + " (see pelko --help)");
}

}  // namespace

std::optional<Rect> parseGeometry(const std::string& text) {
    constexpr long long kMax = 2147483647LL;
    std::string_view rest = text;
    auto w = takeNumber(rest, 1, kMax);
    if (!w || rest.empty() || (rest.front() != 'x' && rest.front() != 'X')) {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    auto h = takeNumber(rest, 1, kMax);
    long long corner[2] = {0, 0};
    for (long long& c : corner) {
        if (!h || rest.empty() || (rest.front() != '+' && rest.front() != '-')) {
            return std::nullopt;
        }
        const bool negative = rest.front() == '-';
        rest.remove_prefix(1);
        auto v = takeNumber(rest, 0, kMax);
        if (!v) {
            return std::nullopt;
        }
        c = negative ? -*v : *v;
    }
    // The far corner must stay in the coordinate range, as screen rectangles do.
    if (!rest.empty() || corner[0] + *w > kMax || corner[1] + *h > kMax) {
        return std::nullopt;
    }
    return Rect{int(corner[0]), int(corner[1]), int(corner[0] + *w), int(corner[1] + *h)};
}

bool hasExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    // A leading dot names a hidden file, not a format; a trailing one names no format either.
    return dot != std::string::npos && dot > start && dot + 1 < path.size();
}

std::optional<ImageFormat> formatOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::nullopt;
    }
    return formatNamed(std::string_view(path).substr(dot + 1));
}

namespace {

// The arguments in their long spelling: "--name=value" split in two, short forms spelt out
// ("-d5" and "-d 5" as "--delay" "5", "-s" as "--capture" "rect", "-sp" as both), and every
// file name that stands on its own (after "--" too) moved to `files`. A long option's value is
// the next argument as it is, so "--output -x.png" and "--delay -1" keep their values.
struct SpeltOut {
    std::vector<std::string> args;
    std::vector<std::string> files;
};

SpeltOut spellOut(const std::vector<std::string>& args) {
    SpeltOut out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--edit") {
            out.args.insert(out.args.end(), args.begin() + std::ptrdiff_t(i), args.end());
            break;
        }
        if (a == "--") {
            out.files.insert(out.files.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        }
        if (a.rfind("--", 0) == 0) {
            const std::size_t equals = a.find('=');
            const std::string name = a.substr(0, equals);
            const OptionInfo* option = optionNamed(name);
            if (equals == std::string::npos) {
                out.args.push_back(a);
                if (option && takesValue(*option) && i + 1 < args.size()) {
                    out.args.push_back(args[++i]);
                }
            } else if (option && takesValue(*option)) {
                out.args.push_back(name);
                out.args.push_back(a.substr(equals + 1));
            } else if (option) {
                throw usage("Option " + name + " takes no value");
            } else {
                out.args.push_back(name);  // reported as unknown
            }
            continue;
        }
        if (a.size() < 2 || a[0] != '-') {
            out.files.push_back(a);  // "-" too: standard output
            continue;
        }
        for (std::size_t k = 1; k < a.size(); ++k) {
            const char letter = a[k];
            const auto alias =
                std::find_if(std::begin(kShortAliases), std::end(kShortAliases),
                             [&](const ShortAlias& s) { return s.letter == letter; });
            if (alias != std::end(kShortAliases)) {
                out.args.push_back(alias->name);
                out.args.push_back(alias->value);
                continue;
            }
            const auto option =
                std::find_if(std::begin(kOptions), std::end(kOptions),
                             [&](const OptionInfo& o) { return o.shortName == letter; });
            if (option == std::end(kOptions)) {
                throw usage("Unknown option \"-" + std::string(1, letter) + "\"");
            }
            out.args.push_back(option->name);
            if (takesValue(*option)) {
                if (k + 1 < a.size()) {
                    out.args.push_back(a.substr(k + 1));
                } else if (i + 1 < args.size()) {
                    out.args.push_back(args[++i]);
                }
                break;
            }
        }
    }
    return out;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& given) {
    const SpeltOut spelt = spellOut(given);
    const std::vector<std::string>& args = spelt.args;
    CommandLine cl;
    CaptureOverrides& o = cl.overrides;
    std::vector<std::string> sources;         // --capture, --geometry, --window given
    std::vector<std::string> captureOptions;  // options that only a capture takes
    bool pickRegion = false, edit = false, help = false, version = false, completion = false;
    bool pointer = false, noPointer = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw usage("Option " + a + " needs a value");
            }
            return args[++i];
        };
        auto source = [&]() {
            if (std::find(sources.begin(), sources.end(), a) == sources.end()) {
                sources.push_back(a);
            }
        };
        auto captureOption = [&]() { captureOptions.push_back(a); };
        if (a == "--capture") {
            const std::string& mode = value();
            auto parsed = parseCaptureMode(mode);
            if (!parsed) {
                throw usage("Unknown capture mode \"" + mode + "\"");
            }
            cl.captureMode = *parsed;
            source();
        } else if (a == "--geometry") {
            const std::string& text = value();
            o.region = parseGeometry(text);
            if (!o.region) {
                throw usage("Option --geometry needs a region WxH+X+Y of at least 1x1, not \"" +
                            text + "\"");
            }
            source();
        } else if (a == "--window") {
            const std::string& text = value();
            o.window = windowId(text);
            if (!o.window) {
                throw usage("Option --window needs a window id (decimal or 0x...), not \"" + text +
                            "\"");
            }
            source();
        } else if (a == "--delay") {
            const std::string& text = value();
            auto parsed = seconds(text);
            if (!parsed) {
                throw usage("Option --delay needs a number of seconds from 0 to " +
                            std::to_string(int(kMaxDelaySeconds)) + ", not \"" + text + "\"");
            }
            o.delaySeconds = *parsed;
            captureOption();
        } else if (a == "--format") {
            const std::string& text = value();
            o.format = formatNamed(text);
            if (!o.format) {
                throw usage("Option --format needs bmp, jpg, png or gif, not \"" + text + "\"");
            }
            captureOption();
        } else if (a == "--quality") {
            const std::string& text = value();
            auto parsed = wholeNumber(text, 1, 100);
            if (!parsed) {
                throw usage("Option --quality needs a number from 1 to 100, not \"" + text + "\"");
            }
            o.jpegQuality = int(*parsed);
            captureOption();
        } else if (a == "--output") {
            o.output = value();
            if (o.output->empty()) {
                throw usage("Option --output needs a file name or -");
            }
            captureOption();
        } else if (a == "--pointer" || a == "--no-pointer") {
            (a == "--pointer" ? pointer : noPointer) = true;
            o.pointer = a == "--pointer";
            captureOption();
        } else if (a == "--clipboard") {
            o.clipboardOnly = true;
            captureOption();
        } else if (a == "--notify") {
            o.notify = true;
            captureOption();
        } else if (a == "--pick-region") {
            pickRegion = true;
        } else if (a == "--edit") {
            // Every argument after it is a file, so that any file name can be given.
            cl.editFiles.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
            if (cl.editFiles.empty()) {
                throw usage("Option --edit needs at least one file");
            }
            edit = true;
            break;
        } else if (a == "--home") {
            cl.home = value();
            if (cl.home->empty()) {
                // An empty folder would quietly mean the program's own folder.
                throw usage("Option --home needs a folder");
            }
        } else if (a == "--platform") {
            const std::string& text = value();
            cl.platform = platformNamed(text);
            if (!cl.platform) {
                throw usage("Option --platform needs x11, wayland or wayland-portal, not \"" +
                            text + "\"");
            }
        } else if (a == "--launcher") {
            cl.launcher = value();
        } else if (a == "--completion") {
            cl.completionShell = value();
            if (!completionScript(cl.completionShell, {})) {
                throw usage("Option --completion needs bash, zsh or fish, not \"" +
                            cl.completionShell + "\"");
            }
            completion = true;
        } else if (a == "--help") {
            help = true;
        } else if (a == "--version") {
            version = true;
        } else {
            throw usage("Unknown option \"" + a + "\"");
        }
    }
    if (help) {
        cl.action = CommandLine::Action::Help;
        return cl;
    }
    if (version) {
        cl.action = CommandLine::Action::Version;
        return cl;
    }
    if (completion) {
        cl.action = CommandLine::Action::Completion;
        return cl;
    }
    if (spelt.files.size() > 1) {
        throw usage("Only one file name can be given, not \"" + spelt.files[0] + "\" and \"" +
                    spelt.files[1] + "\"");
    }
    if (!spelt.files.empty()) {
        if (o.output) {
            throw usage("Option --output and the file name \"" + spelt.files[0] +
                        "\" exclude each other");
        }
        o.output = spelt.files[0];
        if (o.output->empty()) {
            throw usage("Option --output needs a file name or -");
        }
        captureOptions.push_back("--output");
    }
    // A name that asks for a format Pelko does not write would get a picture of another format
    // under a misleading name; a name without an extension takes the saved format.
    if (o.output && *o.output != "-" && !o.format && hasExtension(*o.output) &&
        !formatOfPath(*o.output)) {
        throw usage("Option --output names a file of a format Pelko does not write (\"" +
                    *o.output + "\"); use .bmp, .jpg, .png or .gif, or --format");
    }
    if (sources.size() > 1) {
        throw usage("Options " + sources[0] + " and " + sources[1] + " exclude each other");
    }
    if (edit && (pickRegion || !sources.empty() || !captureOptions.empty())) {
        throw usage("Option --edit takes no capture options");
    }
    if (pickRegion && !sources.empty()) {
        throw usage("Options --pick-region and " + sources[0] + " exclude each other");
    }
    if (sources.empty() && !captureOptions.empty()) {
        throw usage("Option " + captureOptions[0] + " needs --capture, --geometry or --window");
    }
    if (pointer && noPointer) {
        throw usage("Options --pointer and --no-pointer exclude each other");
    }
    if (o.clipboardOnly && o.output) {
        throw usage("Options --clipboard and --output exclude each other");
    }
    if (edit) {
        cl.action = CommandLine::Action::Edit;
    } else if (pickRegion) {
        cl.action = CommandLine::Action::PickRegion;
    } else if (!sources.empty()) {
        cl.action = CommandLine::Action::Capture;
    }
    return cl;
}

}  // namespace pelko
