#include "ui/toolkit/hotkey_box.h"

#include <QKeyEvent>

#include "core/settings/hotkey_value.h"
#include "core/settings/key_symbols.h"

namespace pelko {

HotkeyBox::HotkeyBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);  // the text follows the value; typing never edits it
    setContextMenuPolicy(Qt::NoContextMenu);
    setValue(0);
}

void HotkeyBox::setValue(std::uint32_t value) {
    const bool changed = value != m_value;
    m_value = value;
    const QString text = QString::fromStdString(hotkeyText(value));
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

std::uint8_t HotkeyBox::virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
            return std::uint8_t(0x60 + (qtKey - Qt::Key_0));
        }
        switch (qtKey) {
            case Qt::Key_Asterisk:
                return 0x6A;
            case Qt::Key_Plus:
                return 0x6B;
            case Qt::Key_Minus:
                return 0x6D;
            case Qt::Key_Period:
                return 0x6E;
            case Qt::Key_Slash:
                return 0x6F;
            default:
                break;
        }
    }
    // Qt names the printable keys by their Latin-1 character, as X keysyms do.
    if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) {
        return virtualKeyForKeysym(std::uint32_t(qtKey));
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return std::uint8_t(0x70 + (qtKey - Qt::Key_F1));
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
            return 0x09;
        case Qt::Key_Clear:
            return 0x0C;
        case Qt::Key_Pause:
            return 0x13;
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
        case Qt::Key_Menu:
            return 0x5D;
        default:
            return 0;
    }
}

std::uint8_t HotkeyBox::virtualKeyOfEvent(const QKeyEvent& e) const {
    // The native codes name the key itself (on X11 the keycode and the keysym it produced);
    // Qt's key is the character, which Shift changes (Shift+2 is "@" on a US keyboard).
    if (e.nativeVirtualKey() != 0 || e.nativeScanCode() != 0) {
        const std::vector<std::uint32_t> keysyms = m_keySymbols && e.nativeScanCode() != 0
                                                       ? m_keySymbols(e.nativeScanCode())
                                                       : std::vector<std::uint32_t>{};
        if (const std::uint8_t vk = virtualKeyOfPress(e.nativeVirtualKey(), keysyms,
                                                      e.modifiers() & Qt::ShiftModifier)) {
            return vk;
        }
    }
    return virtualKeyOf(e.key(), e.modifiers());
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
    const std::uint8_t vk = virtualKeyOfEvent(*e);
    if (vk == 0) {
        // A lone modifier or a key no hotkey can hold keeps the value.
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

void HotkeyBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Every key goes to the box while it records, the window manager's own combinations and
    // those other programs have bound included.
    grabKeyboard();
}

void HotkeyBox::focusOutEvent(QFocusEvent* event) {
    releaseKeyboard();
    QLineEdit::focusOutEvent(event);
}

}  // namespace pelko
