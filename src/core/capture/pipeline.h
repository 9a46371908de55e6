#pragma once

#include <functional>

#include <optional>
#include <string>
#include <vector>

#include "core/capture/sources.h"
#include "core/output/save_capture.h"
#include "core/settings/main_settings.h"

namespace pelko {

// What a capture run needs of the main window and the interactive selectors.
class CaptureHost {
  public:
    virtual ~CaptureHost() = default;
    virtual bool mainWindowVisible() { return false; }
    virtual void hideMainWindow() {}
    // Restores the main window from minimised, shows it and brings it to the front.
    virtual void restoreMainWindow() {}
    // Waits so that a hidden window is really gone from the screen.
    virtual void pause(int milliseconds) = 0;
    // Runs the selector of an interactive mode (rectangle, ellipse, object, rounded rectangle,
    // freehand): the selected picture, or none; cancelled tells whether the user cancelled.
    virtual std::optional<Bitmap> select(int mode, bool& cancelled) = 0;
};

// The outputs after "Save to a file", in the order a run calls them. Each returns the files it
// wrote, if any.
class CaptureOutputs {
  public:
    virtual ~CaptureOutputs() = default;
    virtual std::vector<std::string> copyToClipboard(const Bitmap&) = 0;
    virtual std::vector<std::string> openInPaint(const Bitmap&) = 0;
    virtual std::vector<std::string> publishWeb(const Bitmap&) = 0;
    virtual std::vector<std::string> sendEmail(const Bitmap&) = 0;
    virtual std::vector<std::string> openInEditor(const Bitmap&) = 0;
    // Opens picture files in the editor, each as a tab; outputs without an editor refuse.
    virtual void openFilesInEditor(const std::vector<std::string>& paths);
};

// How a run ended.
struct CaptureResult {
    bool cancelled = false;          // a selector was cancelled or returned nothing
    std::vector<std::string> files;  // every file the outputs wrote, in order
};

// The capture pipeline: from a request to the outputs.
class CapturePipeline {
  public:
    CapturePipeline(MainSettings& state, const ProgramPaths& paths, CaptureSources& sources,
                    CaptureHost& host, CaptureOutputs& outputs, Clock clock = localNow)
        : m_state(state),
          m_paths(paths),
          m_sources(sources),
          m_host(host),
          m_outputs(outputs),
          m_clock(std::move(clock)) {}

    // One capture of the given mode (0: the current default kind). Errors propagate after
    // CurrentMode and the main window are restored.
    CaptureResult takescreen(unsigned mode);

    // Called with each file as soon as an output has written it, so a caller learns of the
    // files an output wrote before a later output failed.
    std::function<void(const std::string& path)> onFileWritten;

    // For the runs of one caller (the command line), none of it written to settings.ini:
    // a rectangle captured instead of the mode's source, which must touch the screen;
    // the format code (1 to 4) the file output uses instead of main/saveas;
    // and an output that replaces the file output, returning the files it wrote.
    std::optional<Rect> regionOverride;
    // Called with the finished picture (scaled, watermarked) before the outputs run.
    std::function<void(const Bitmap&)> onPicture;
    int formatOverride = 0;
    std::function<std::vector<std::string>(const Bitmap&)> saveOverride;

  private:
    void runOutputs(const Bitmap& bitmap, CaptureResult& result);

    MainSettings& m_state;
    const ProgramPaths& m_paths;
    CaptureSources& m_sources;
    CaptureHost& m_host;
    CaptureOutputs& m_outputs;
    Clock m_clock;
};

}  // namespace pelko
