#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pelko {

// The application's standard error box: the message with the caption "Pelko".
void showErrorBox(QWidget* parent, const QString& message);

// Runs one user action (a button, menu item, hotkey, tray click or dialog). An error it raises
// has already been cleaned up after when it arrives here; it is shown in the error box and the
// program goes on. Returns whether the action ended without an error.
bool runAction(QWidget* parent, const std::function<void()>& action);

}  // namespace pelko
