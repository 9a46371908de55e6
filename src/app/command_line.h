#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform_choice.h"
#include "core/capture/screen.h"
#include "core/codec/encode.h"
#include "core/error.h"

namespace pelko {

// A command line that cannot be run as given (unknown option, bad value, options that
// exclude each other): the command prints its message and exits with kExitUsage.
class UsageError : public Error {
  public:
    using Error::Error;
};

// Exit statuses of the pelko command.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;
constexpr int kExitUsage = 64;  // EX_USAGE of sysexits.h

// --window root: the whole screen, as the root window's own id gives it.
constexpr std::uint32_t kRootWindow = 0;

// What one command-line capture changes for its run only; settings.ini keeps its values.
struct CaptureOverrides {
    double delaySeconds = 0;
    std::optional<Rect> region;           // --geometry, in screen coordinates
    std::optional<std::uint32_t> window;  // --window: an X window id, or kRootWindow
    std::optional<ImageFormat> format;    // --format
    std::optional<int> jpegQuality;       // --quality
    std::optional<std::string> output;    // --output; "-" is standard output
    std::optional<bool> pointer;          // --pointer / --no-pointer
    bool clipboardOnly = false;           // --clipboard
    bool notify = false;                  // --notify
};

struct CommandLine {
    enum class Action { Run, Capture, PickRegion, Edit, Help, Version, Completion };
    Action action = Action::Run;
    unsigned captureMode = 0;
    CaptureOverrides overrides;
    std::optional<std::string> home;
    std::vector<std::string> editFiles;       // --edit
    std::string completionShell;              // --completion
    std::optional<DisplayPlatform> platform;  // --platform; none: as the session says
    // Set by the pelko command when it starts the tray program: its own path, which the
    // start-with-the-session entry runs.
    std::optional<std::string> launcher;
};

// Parses the arguments after the program name; throws UsageError for bad ones.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// A capture mode given as a number 0 to 8 or by name (default, screen, window, rect, fixed,
// ellipse, object, rounded, freehand); none for anything else.
std::optional<unsigned> parseCaptureMode(const std::string& text);

// A region written WxH+X+Y (X and Y may be negative: WxH-10+20); none when the text is not
// of that form or the size is zero.
std::optional<Rect> parseGeometry(const std::string& text);

// Whether the file name (after its last "/") has an extension: a dot that neither starts nor
// ends it.
bool hasExtension(const std::string& path);

// The format named by a file's extension (.bmp, .jpg, .jpeg, .png, .gif in any letter case).
std::optional<ImageFormat> formatOfPath(const std::string& path);

// How an option's value is completed and described.
enum class OptionValue {
    None,
    CaptureMode,
    Region,
    WindowId,
    Seconds,
    Format,
    Quality,
    File,
    Folder,
    Platform,
    Shell,
    Files
};

// One option of the pelko command, as --help, the manual and the shell completions show it.
struct OptionInfo {
    const char* name;  // "--capture"
    char shortName;    // 'd' for -d SECONDS; 0 when it has no short form of its own
    OptionValue value;
    const char* valueName;  // "MODE"; nullptr when it takes no value
    const char* help;       // lines after the first start with "\n"
};

// A short form that stands for a long option with its value: -s is --capture rect.
struct ShortAlias {
    char letter;
    const char* name;
    const char* value;
};

// Every option the command takes, in the order --help lists them.
std::span<const OptionInfo> commandOptions();
std::span<const ShortAlias> shortAliases();

// The text of --help, made from the option table.
std::string usageText();

}  // namespace pelko
