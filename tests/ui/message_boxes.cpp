#include "message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace pelko::test {

MessageBoxes::MessageBoxes() {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxes::poll);
    m_timer.start();
}

void MessageBoxes::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->property("pelkoTestAnswered").toBool()) {
        return;
    }
    box->setProperty("pelkoTestAnswered", true);
    seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
    QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : nullptr;
    if (!button) {
        button = box->defaultButton();
    }
    if (!button && !box->buttons().isEmpty()) {
        button = box->buttons().first();
    }
    if (button) {
        button->click();
    } else {
        box->reject();
    }
}

}  // namespace pelko::test
