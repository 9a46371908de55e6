#pragma once

#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelko {

// An edit box that takes one key combination: the next key pressed with any of Shift, Ctrl and
// Alt becomes its value (a hotkey value: the virtual-key code in the low byte and the modifier
// bits above it). The key counts, not the character it makes: Ctrl+Shift+2 is the "2" key with
// Ctrl and Shift, whatever Shift+2 types. Backspace or Delete without modifiers clears it
// (value 0); Return and Escape go to the window, Tab and Shift+Tab move the focus.
//
// While it has the focus the box holds the keyboard, so that a combination the window manager
// or another program has bound reaches the box instead of doing what it is bound to.
//
// A box can carry a conflict mark: a red frame and a tooltip that says why the combination
// cannot be bound.
class HotkeyBox : public QLineEdit {
    Q_OBJECT

  public:
    // The keysyms of a keycode in the keyboard mapping's column order (unshifted first); empty
    // where the mapping is unknown. A press then counts by the keysym it produced.
    using KeySymbols = std::function<std::vector<std::uint32_t>(std::uint32_t keycode)>;

    explicit HotkeyBox(QWidget* parent = nullptr);

    std::uint32_t value() const { return m_value; }
    void setValue(std::uint32_t value);

    void setKeySymbols(KeySymbols keySymbols) { m_keySymbols = std::move(keySymbols); }

    // An empty text removes the mark.
    void setConflict(const QString& why);
    const QString& conflict() const { return m_conflict; }

    // The virtual-key code of a Qt key (the numpad's digits with the keypad modifier), 0 for a
    // key a hotkey cannot use: for key events that carry no native key codes.
    static std::uint8_t virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers = {});

  signals:
    void valueChanged(std::uint32_t value);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    std::uint8_t virtualKeyOfEvent(const QKeyEvent& event) const;

    std::uint32_t m_value = 0;
    QString m_conflict;
    KeySymbols m_keySymbols;
};

}  // namespace pelko
