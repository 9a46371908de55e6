#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <vector>

namespace pelko::test {

// Answers every modal message box that opens while it lives and remembers what it showed, so
// that a test never hangs on a box and can check each one.
class MessageBoxes : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    MessageBoxes();

    // The button pressed on boxes that have it; otherwise a box's default button is pressed.
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    std::vector<Seen> seen;

  private:
    void poll();
    QTimer m_timer;
};

}  // namespace pelko::test
