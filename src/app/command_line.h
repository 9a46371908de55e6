#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

// What one command-line capture changes for its run only; settings.ini keeps its values.
struct CaptureOverrides {
    double delaySeconds = 0;
    std::optional<Rect> region;           // --geometry, in screen coordinates
    std::optional<std::uint32_t> window;  // --window: an X window id
    std::optional<ImageFormat> format;    // --format
    std::optional<int> jpegQuality;       // --quality
    std::optional<std::string> output;    // --output; "-" is standard output
    std::optional<bool> pointer;          // --pointer / --no-pointer
    bool clipboardOnly = false;           // --clipboard
    bool notify = false;                  // --notify
};

struct CommandLine {
    enum class Action { Run, Capture, PickRegion, Edit, Help, Version };
    Action action = Action::Run;
    unsigned captureMode = 0;
    CaptureOverrides overrides;
    std::optional<std::string> home;
    std::vector<std::string> editFiles;       // --edit
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

// The format named by a file's extension (.bmp, .jpg, .jpeg, .png, .gif in any letter case).
std::optional<ImageFormat> formatOfPath(const std::string& path);

extern const char* const kUsage;

}  // namespace pelko
