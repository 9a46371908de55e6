#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/headless_capture.h"
#include "core/capture/pipeline.h"
#include "core/file_descriptor.h"
#include "core/output/scratch_file.h"
#include "core/output/scratch_folder.h"
#include "platform/desktop/xdg_email.h"

namespace pelko {

// The outputs of `pelko --capture`: the clipboard is served by a program started in its
// clipboard-server mode (`PROGRAM --serve-clipboard IMAGE [GIF]`: the tray program on X11, the
// command itself on Wayland), which outlives the command; the paint program and the mail program
// are started detached; each FTP upload window runs in the tray program, and the command waits for
// the windows to close (waitForWindows); the editor of the tray program (started when none runs)
// opens the picture as a new tab, from a scratch file that openInEditor hands to it.
class CommandOutputs final : public CaptureOutputs {
  public:
    using OpenInTrayEditor = std::function<void(const std::string& file)>;
    CommandOutputs(const ProgramPaths& paths, std::string scratchDir, std::int32_t jpegQuality,
                   std::string trayProgram, std::string clipboardServer,
                   OpenInTrayEditor openInTrayEditor);

    std::vector<std::string> copyToClipboard(const Bitmap& bitmap) override;
    std::vector<std::string> openInPaint(const Bitmap& bitmap) override;
    std::vector<std::string> publishWeb(const Bitmap& bitmap) override;
    std::vector<std::string> sendEmail(const Bitmap& bitmap) override;
    std::vector<std::string> openInEditor(const Bitmap& bitmap) override;

    // Returns once every upload window this command opened has been closed.
    void waitForWindows();

  private:
    ScratchContext scratchContext() const { return {m_paths, m_scratchDir, m_jpegQuality}; }

    const ProgramPaths& m_paths;
    std::string m_scratchDir;
    std::int32_t m_jpegQuality;
    std::string m_tray;
    std::string m_clipboardServer;
    OpenInTrayEditor m_openInTrayEditor;
    XdgEmailMailer m_mailer;
    std::vector<FileDescriptor> m_windows;  // output pipes of the open upload windows
    std::vector<ScratchFileUse> m_uses;     // files handed to the windows and the server
};

}  // namespace pelko
