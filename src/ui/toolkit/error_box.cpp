#include "ui/toolkit/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QVariant>
#include <cstdio>
#include <exception>

namespace pelko {

namespace {

const QString kCaption = QStringLiteral("Pelko");
// Set on the application object once errors go to standard error.
constexpr char kErrorsOnStandardError[] = "pelkoErrorsOnStandardError";

bool errorsOnStandardError() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || app->property(kErrorsOnStandardError).toBool();
}

}  // namespace

void showErrorBox(QWidget* parent, const QString& message) {
    if (errorsOnStandardError()) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(kCaption), qUtf8Printable(message));
        std::fflush(stderr);
        return;
    }
    QMessageBox::critical(parent, kCaption, message);
}

void reportErrorsOnStandardError() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->setProperty(kErrorsOnStandardError, true);
    }
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
