#include "ui/dialogs/publish_window_app.h"

#include <QApplication>
#include <QLineEdit>

#include "ui/dialogs/publish_window.h"

namespace pelko {

int runPublishWindow(int& argc, char** argv, const std::string& programDir, const std::string& file,
                     const MakeUploader& makeUploader) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelko"));
    QApplication::setQuitOnLastWindowClosed(true);
    auto* window = new Tfrmftp(programDir, makeUploader);  // deletes itself when closed
    window->setFileToUpload(file);
    window->txfilename->setText(QString::fromStdString(std::string(fileNamePart(file))));
    window->show();
    return QApplication::exec();
}

}  // namespace pelko
