#pragma once

#include <QStringList>
#include <array>
#include <cstdint>

#include "ui/settings/settings_dialog.h"
#include "ui/toolkit/hotkey_box.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace pelko {

// "General Settings": start-up, minimizing while capturing, the skin, and the nine capture
// hotkeys. A hotkey box that cannot be bound is marked while the user edits: a combination two
// slots share, or one another program holds.
class Tfrmgeneralsettings : public SettingsDialog {
    Q_OBJECT

  public:
    enum Page { General = 0, Hotkeys = 1 };
    // Whether another program holds a hotkey value (one of ours is not held).
    using HeldElsewhere = std::function<bool(std::uint32_t value)>;

    // Sets the global hotkeys aside (true) or binds them again (false): while a hotkey box has
    // the keyboard, a combination that is bound now reaches the box instead of capturing.
    using HoldHotkeys = std::function<void(bool hold)>;

    Tfrmgeneralsettings(bool& openMark, std::string settingsFile, std::function<void()> reread,
                        QStringList skinNames, HeldElsewhere heldElsewhere,
                        HoldHotkeys holdHotkeys = nullptr, QWidget* parent = nullptr);

    void readparams();
    // Marks every box whose combination cannot be bound, and clears the others' marks.
    void markConflicts();
    // Shows on the hotkey page how to bind captures in the desktop's own configuration, where
    // the desktop lets no program bind global hotkeys; an empty text shows nothing.
    void setHotkeyHint(const QString& text);
    // How the hotkey boxes learn which key a keycode is (see HotkeyBox).
    void setKeySymbols(const HotkeyBox::KeySymbols& keySymbols);

    QCheckBox* cbstartminimized = nullptr;
    QCheckBox* cbrunww = nullptr;
    QCheckBox* cbminimize = nullptr;
    QCheckBox* cbuseskins = nullptr;
    QComboBox* cbskin = nullptr;
    // In slot order: default kind, whole screen, active window, rectangle, ellipse, rounded
    // rectangle, freehand, object, fixed region.
    std::array<HotkeyBox*, 9> hotkeys{};
    QLabel* lbhotkeyhint = nullptr;  // hidden unless a hint is set

    // The captions of the nine slots, in slot order.
    static const std::array<const char*, 9> kSlotCaptions;

  protected:
    void saveparams(IniFile& f) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void hold(bool on);

    HeldElsewhere m_heldElsewhere;
    HoldHotkeys m_holdHotkeys;
    bool m_holding = false;
};

}  // namespace pelko
