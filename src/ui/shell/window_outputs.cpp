#include "ui/shell/window_outputs.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>

#include "core/error.h"
#include "core/output/paint_output.h"
#include "ui/dialogs/publish_window.h"
#include "ui/toolkit/capture_clipboard.h"

namespace pelko {

namespace {

// What follows the last "/" of a path.
std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> written(std::string path) {
    if (path.empty()) {
        return {};
    }
    return {std::move(path)};
}

}  // namespace

WindowOutputs::WindowOutputs(const ShellServices& services,
                             std::function<std::int32_t()> jpegQuality, QWidget* owner)
    : m_paths(services.paths),
      m_scratchDir(services.scratchDir),
      m_launch(services.launchProgram),
      m_mailer(services.mailer),
      m_makeUploader(services.makeUploader),
      m_jpegQuality(std::move(jpegQuality)),
      m_owner(owner) {}

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
    // A new window for every capture; earlier ones stay open with their own files.
    auto* window = new Tfrmftp(m_paths.programDir, m_makeUploader, m_owner);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFileToUpload(path);
    if (auto* name = window->findChild<QLineEdit*>(QStringLiteral("txfilename"))) {
        name->setText(QString::fromStdString(fileNameOf(path)));
    }
    window->show();
    return written(std::move(path));
}

std::vector<std::string> WindowOutputs::sendEmail(const Bitmap& bitmap) {
    std::string path = SaveCaptureToScratch(bitmap, 0, scratchContext());
    if (m_mailer == nullptr || !m_mailer->SendMailWithAttachment(path)) {
        QMessageBox::critical(m_owner, QStringLiteral("Error"),
                              QStringLiteral("Error while trying to send email"));
    }
    return written(std::move(path));
}

std::vector<std::string> WindowOutputs::openInEditor(const Bitmap&) {
    throw notAvailable("Open screenshot in Editor after capture");
}

}  // namespace pelko
