#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pelko {

// The application's standard error box: the message with the caption "Pelko". While the
// program ends (see reportErrorsOnStandardError) the message goes to standard error instead.
void showErrorBox(QWidget* parent, const QString& message);

// From now on, for as long as the application object lives, errors are written to standard
// error ("Pelko: message") instead of being shown in a box: the program is ending without its
// user (a signal, the end of the session), and a box would wait for an answer that may never
// come.
void reportErrorsOnStandardError();

// Runs one user action (a button, menu item, hotkey, tray click or dialog). An error it raises
// has already been cleaned up after when it arrives here; it is shown in the error box and the
// program goes on. Returns whether the action ended without an error.
bool runAction(QWidget* parent, const std::function<void()>& action);

}  // namespace pelko
