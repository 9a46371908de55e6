#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/pipeline.h"
#include "core/image/bitmap.h"
#include "core/settings/ini_file.h"

namespace pelko {

// A small copy of a capture for a notification: 8-bit RGB rows, no padding.
struct Thumbnail {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3
};

// Scales the picture down (never up) so that its longer side is at most maxSide pixels.
Thumbnail makeThumbnail(const Bitmap& bitmap, int maxSide = 256);

// What a finished capture tells the user in a desktop notification.
struct CaptureNotice {
    std::string summary;  // "Screenshot saved" or "Screenshot copied"
    std::string body;     // the file's name and folder, or where the picture went
    std::string file;     // the file saved; empty when none was (the picture went elsewhere)
    Thumbnail picture;
};

// Shows notices on the desktop. A missing or slow notification service never delays or fails
// the capture: implementations drop what they cannot deliver.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void show(const CaptureNotice& notice) = 0;
};

// [notify] enabled: whether captures of the tray program are announced (on unless set to 0).
bool notificationsEnabled(const IniFile& settings);

// The notice of a finished run: the first file written, or that the picture was copied to the
// clipboard; none when the run was cancelled or left nothing to report.
std::optional<CaptureNotice> describeCapture(const CaptureResult& result,
                                             const OutputTargets& outputs, Thumbnail picture);

// One run of the pipeline; with a notifier, its result is shown as a notice afterwards.
CaptureResult takescreenAnnounced(CapturePipeline& pipeline, unsigned mode, Notifier* notifier,
                                  const OutputTargets& outputs);

}  // namespace pelko
