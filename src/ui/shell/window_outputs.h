#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/capture/pipeline.h"
#include "core/output/scratch_file.h"
#include "ui/shell/shell_services.h"

class QWidget;

namespace pelko {

class Tfrmeditor;

// The outputs after "Save to a file" in the tray program: the clipboard, the paint program, a
// new FTP upload window, the mail program and the built-in editor.
class WindowOutputs final : public CaptureOutputs {
  public:
    // From the services it uses the paths, the scratch folder, launchProgram and mailer.
    // jpegQuality gives JpegQuality as the main window holds it when an output runs. owner is
    // the parent of the FTP windows and of the e-mail error box (may be null); the editor is a
    // window of its own. showFileFormatSettings opens the output settings on "File Format"
    // for the editor's "Format properties" button (empty: that button is disabled).
    WindowOutputs(const ShellServices& services, std::function<std::int32_t()> jpegQuality,
                  QWidget* owner = nullptr, std::function<void()> showFileFormatSettings = {});
    ~WindowOutputs() override;
    WindowOutputs(const WindowOutputs&) = delete;
    WindowOutputs& operator=(const WindowOutputs&) = delete;

    std::vector<std::string> copyToClipboard(const Bitmap& bitmap) override;
    std::vector<std::string> openInPaint(const Bitmap& bitmap) override;
    std::vector<std::string> publishWeb(const Bitmap& bitmap) override;
    std::vector<std::string> sendEmail(const Bitmap& bitmap) override;
    // Adds the capture as a new tab of the open editor, or of a new editor when none is open
    // (a closed editor is never used again).
    std::vector<std::string> openInEditor(const Bitmap& bitmap) override;
    void openFilesInEditor(const std::vector<std::string>& paths) override;

    // The editor the next capture goes to; null when none is open.
    Tfrmeditor* editor() const;

  private:
    ScratchContext scratchContext() const;
    // The open editor, or a new one shown.
    Tfrmeditor* shownEditor();

    ProgramPaths m_paths;
    std::string m_scratchDir;
    LaunchProgram m_launch;
    Mailer* m_mailer = nullptr;
    MakeUploader m_makeUploader;
    std::function<std::int32_t()> m_jpegQuality;
    QWidget* m_owner = nullptr;
    std::function<void()> m_showFileFormatSettings;
    // The editor the captures go to (a QPointer, kept out of this header so that it stays free
    // of Qt's keywords for its includers).
    struct EditorSlot;
    std::unique_ptr<EditorSlot> m_editor;
};

}  // namespace pelko
