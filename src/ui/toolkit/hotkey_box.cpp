#include "ui/toolkit/hotkey_box.h"

#include <QKeyEvent>

#include "core/settings/hotkey_value.h"

namespace pelko {

HotkeyBox::HotkeyBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);  // the text follows the value; typing never edits it
    setContextMenuPolicy(Qt::NoContextMenu);
    setValue(0);
}

void HotkeyBox::setValue(std::uint32_t value) {
    const bool changed = value != m_value;
    m_value = value;
    const QString text = QString::fromStdString(shortcutText(value));
    setText(text.isEmpty() ? (value == 0 ? QStringLiteral("None") : QString::number(value)) : text);
    if (changed) {
        emit valueChanged(value);
    }
}

void HotkeyBox::setConflict(const QString& why) {
    m_conflict = why;
    setToolTip(why);
    setStyleSheet(why.isEmpty() ? QString()
                                : QStringLiteral("QLineEdit { border: 2px solid #d00000; }"));
}

std::uint8_t HotkeyBox::virtualKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return std::uint8_t(0x41 + (qtKey - Qt::Key_A));
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return std::uint8_t(0x30 + (qtKey - Qt::Key_0));
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return std::uint8_t(0x70 + (qtKey - Qt::Key_F1));
    }
    switch (qtKey) {
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Print:
            return 0x2C;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_Pause:
            return 0x13;
        default:
            return 0;
    }
}

void HotkeyBox::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool plain = (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (plain &&
        (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape)) {
        e->ignore();  // the window's own keys: "Ok" and "Cancel"
        return;
    }
    if (plain && (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)) {
        setValue(0);
        return;
    }
    const std::uint8_t vk = virtualKeyOf(e->key());
    if (vk == 0) {
        // A lone modifier or a key no hotkey can hold keeps the value; the window may use it
        // (Ctrl+Tab turns the page).
        e->ignore();
        return;
    }
    std::uint32_t value = vk;
    if (mods & Qt::ShiftModifier)
        value |= kHotkeyShift;
    if (mods & Qt::ControlModifier)
        value |= kHotkeyCtrl;
    if (mods & Qt::AltModifier)
        value |= kHotkeyAlt;
    setValue(value);
    e->accept();
}

}  // namespace pelko
