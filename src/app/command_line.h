#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelko {

struct CommandLine {
    enum class Action { Run, Capture, PickRegion, Help, Version };
    Action action = Action::Run;
    unsigned captureMode = 0;
    std::optional<std::string> home;
    // Set by the pelko command when it starts the tray program: its own path, which the
    // start-with-the-session entry runs.
    std::optional<std::string> launcher;
};

// Parses the arguments after the program name; throws pelko::Error for bad ones.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// A capture mode given as a number 0 to 8 or by name (default, screen, window, rect, fixed,
// ellipse, object, rounded, freehand); none for anything else.
std::optional<unsigned> parseCaptureMode(const std::string& text);

extern const char* const kUsage;

}  // namespace pelko
