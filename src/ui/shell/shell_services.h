#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

#include "core/capture/capture_notice.h"
#include "core/capture/pipeline.h"
#include "core/capture/screen.h"
#include "core/capture/window_locator.h"
#include "core/output/mailer.h"
#include "core/output/program_launcher.h"
#include "core/output/uploader.h"
#include "core/settings/program_paths.h"

namespace pelko {

// What the application shell needs from the rest of the program; the entry point fills it.
struct ShellServices {
    ProgramPaths paths;
    std::string scratchDir;      // ends with "/"
    std::string executablePath;  // absolute path of the running program
    // Writes or removes the start-with-the-session entry; throws on failure.
    std::function<void(bool on)> addtostartup;
    // Releases every earlier registration, then binds the nine slot values in slot order.
    std::function<void(const std::array<std::uint32_t, 9>&)> bindHotkeys;
    std::function<void()> releaseHotkeys;
    // The slots whose non-zero value the last bindHotkeys could not bind (another program holds
    // it, an earlier slot has it, or the key does not exist here), in slot order.
    std::function<std::vector<std::size_t>()> refusedHotkeySlots;
    // Whether another program holds a hotkey value now; a value this program holds is not held.
    std::function<bool(std::uint32_t value)> hotkeyHeldElsewhere;
    // The keysyms of a keycode in the keyboard mapping's column order, so that a hotkey box
    // knows which key was pressed whatever Shift made of it; unset where unknown.
    std::function<std::vector<std::uint32_t>(std::uint32_t keycode)> keySymbols;
    // Where this desktop lets no program bind global hotkeys: how to bind captures in the
    // desktop's own configuration instead. Empty (or unset) where the last binding could bind
    // them; asked after each binding.
    std::function<std::string()> hotkeyHint;
    // Sends pending requests to the display, so that a hidden window is really gone.
    std::function<void()> flushDisplay;
    Screen* screen = nullptr;           // the display captures read from
    WindowLocator* windows = nullptr;   // the windows the object selector picks from
    CaptureOutputs* outputs = nullptr;  // outputs after "Save to a file"
    // Starts the paint program on a scratch file (detached; failures are not reported).
    LaunchProgram launchProgram;
    Mailer* mailer = nullptr;      // the desktop's mail program; none: e-mail is unavailable
    MakeUploader makeUploader;     // the upload windows' connections
    Notifier* notifier = nullptr;  // desktop notifications after captures; none: not shown
    // Makes the outputs when `outputs` is null: the main window passes itself as the owner
    // and a reader of its JpegQuality.
    std::function<std::unique_ptr<CaptureOutputs>(QWidget* owner,
                                                  std::function<std::int32_t()> jpegQuality)>
        makeOutputs;
};

}  // namespace pelko
