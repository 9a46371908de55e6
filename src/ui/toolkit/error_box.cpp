#include "ui/toolkit/error_box.h"

#include <QMessageBox>
#include <exception>

namespace pelko {

namespace {
const QString kCaption = QStringLiteral("Pelko");
}

void showErrorBox(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, kCaption, message);
}

bool runAction(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        showErrorBox(parent, QString::fromStdString(e.what()));
    } catch (...) {
        showErrorBox(parent, QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

}  // namespace pelko
