#pragma once

#include <QClipboard>
#include <QMimeData>
#include <memory>

#include "core/image/bitmap.h"
#include "core/output/clipboard_content.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The clipboard type under which the bytes of a GIF file are offered.
inline constexpr char kGifMimeType[] = "image/gif";

// The clipboard data of the contents: the picture (which the clipboard offers in the usual
// image types) and, for GIF, "image/gif" holding the GIF file's bytes.
std::unique_ptr<QMimeData> clipboardMimeData(const ClipboardContent& content);

// Replaces what the clipboard holds by the capture, in the format of the override as
// clipboardContent() describes; an override naming no format leaves the clipboard alone.
void CopyCaptureToClipboard(const Bitmap& bitmap, int formatOverride, const ProgramPaths& paths,
                            QClipboard& clipboard);

}  // namespace pelko
