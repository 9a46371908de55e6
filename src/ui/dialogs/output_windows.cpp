#include "ui/dialogs/output_windows.h"

#include <QLineEdit>
#include <QMessageBox>

#include "ui/dialogs/publish_window.h"

namespace pelko {

namespace {

// What follows the last "/" of a path.
std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Tfrmftp* showPublishWindow(const std::string& path, const std::string& programDir,
                           const MakeUploader& makeUploader, QWidget* owner) {
    auto* window = new Tfrmftp(programDir, makeUploader, owner);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFileToUpload(path);
    window->txfilename->setText(QString::fromStdString(fileNameOf(path)));
    window->show();
    return window;
}

void sendFileByMail(Mailer* mailer, const std::string& path, QWidget* owner) {
    if (mailer == nullptr || !mailer->SendMailWithAttachment(path)) {
        QMessageBox::critical(owner, QStringLiteral("Error"),
                              QStringLiteral("Error while trying to send email"));
    }
}

}  // namespace pelko
