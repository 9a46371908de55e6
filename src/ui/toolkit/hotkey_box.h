#pragma once

#include <QLineEdit>
#include <cstdint>

namespace pelko {

// An edit box that takes one key combination: the next key pressed with any of Shift, Ctrl and
// Alt becomes its value (a hotkey value: the virtual-key code in the low byte and the modifier
// bits above it). Backspace or Delete without modifiers clears it (value 0); Return and
// Escape go to the window. A box can carry a
// conflict mark: a red frame and a tooltip that says why the combination cannot be bound.
class HotkeyBox : public QLineEdit {
    Q_OBJECT

  public:
    explicit HotkeyBox(QWidget* parent = nullptr);

    std::uint32_t value() const { return m_value; }
    void setValue(std::uint32_t value);

    // An empty text removes the mark.
    void setConflict(const QString& why);
    const QString& conflict() const { return m_conflict; }

    // The virtual-key code of a Qt key, 0 for a key a hotkey cannot use.
    static std::uint8_t virtualKeyOf(int qtKey);

  signals:
    void valueChanged(std::uint32_t value);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::uint32_t m_value = 0;
    QString m_conflict;
};

}  // namespace pelko
