#include "ui/shell/window_outputs.h"

#include <QGuiApplication>
#include <QPointer>

#include "core/output/paint_output.h"
#include "ui/dialogs/output_windows.h"
#include "ui/editor/editor_window.h"
#include "ui/toolkit/capture_clipboard.h"

namespace pelko {

namespace {

std::vector<std::string> written(std::string path) {
    if (path.empty()) {
        return {};
    }
    return {std::move(path)};
}

}  // namespace

struct WindowOutputs::EditorSlot {
    QPointer<Tfrmeditor> window;
};

WindowOutputs::WindowOutputs(const ShellServices& services,
                             std::function<std::int32_t()> jpegQuality, QWidget* owner,
                             std::function<void()> showFileFormatSettings)
    : m_paths(services.paths),
      m_scratchDir(services.scratchDir),
      m_launch(services.launchProgram),
      m_mailer(services.mailer),
      m_makeUploader(services.makeUploader),
      m_jpegQuality(std::move(jpegQuality)),
      m_owner(owner),
      m_showFileFormatSettings(std::move(showFileFormatSettings)),
      m_editor(std::make_unique<EditorSlot>()) {}

WindowOutputs::~WindowOutputs() {
    delete m_editor->window.data();
}

ScratchContext WindowOutputs::scratchContext() const {
    return {m_paths, m_scratchDir, m_jpegQuality ? m_jpegQuality() : 0, localNow};
}

std::vector<std::string> WindowOutputs::copyToClipboard(const Bitmap& bitmap) {
    CopyCaptureToClipboard(bitmap, 0, m_paths, *QGuiApplication::clipboard());
    return {};
}

std::vector<std::string> WindowOutputs::openInPaint(const Bitmap& bitmap) {
    return written(OpenCaptureInPaint(bitmap, 0, scratchContext(), m_launch));
}

std::vector<std::string> WindowOutputs::publishWeb(const Bitmap& bitmap) {
    std::string path = SaveCaptureToScratch(bitmap, 0, scratchContext());
    showPublishWindow(path, m_paths.programDir, m_makeUploader, m_owner);
    return written(std::move(path));
}

std::vector<std::string> WindowOutputs::sendEmail(const Bitmap& bitmap) {
    std::string path = SaveCaptureToScratch(bitmap, 0, scratchContext());
    sendFileByMail(m_mailer, path, m_owner);
    return written(std::move(path));
}

Tfrmeditor* WindowOutputs::editor() const {
    Tfrmeditor* window = m_editor->window.data();
    return window != nullptr && window->isOpen() ? window : nullptr;
}

Tfrmeditor* WindowOutputs::shownEditor() {
    Tfrmeditor* window = editor();
    if (window == nullptr) {
        EditorServices services{m_paths,  m_scratchDir,   m_jpegQuality,           m_launch,
                                m_mailer, m_makeUploader, m_showFileFormatSettings};
        window = new Tfrmeditor(std::move(services));
        m_editor->window = window;
        window->show();
    }
    return window;
}

std::vector<std::string> WindowOutputs::openInEditor(const Bitmap& bitmap) {
    Tfrmeditor* window = shownEditor();
    std::string path = window->addCapture(bitmap);
    window->raise();
    window->activateWindow();
    return written(std::move(path));
}

void WindowOutputs::openFilesInEditor(const std::vector<std::string>& paths) {
    Tfrmeditor* window = shownEditor();
    window->openFiles(paths);
    window->raise();
    window->activateWindow();
}

}  // namespace pelko
