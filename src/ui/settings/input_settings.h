#pragma once

#include <optional>

#include "core/capture/screen.h"
#include "ui/settings/settings_dialog.h"

class QCheckBox;
class QLineEdit;

namespace pelko {

class ColorBox;
class LinkButton;

// "Input Settings": the hint while selecting, the colour outside non-rectangular captures, and
// the fixed region, typed or picked on the screen.
class Tfrminputsettings : public SettingsDialog {
    Q_OBJECT

  public:
    enum Page { GeneralOptions = 0, FixedRegionOptions = 1 };
    // Runs the fixed-area picker: the dragged rectangle, none when it was cancelled.
    using PickRegion = std::function<std::optional<Rect>()>;

    Tfrminputsettings(bool& openMark, std::string settingsFile, std::function<void()> reread,
                      PickRegion pickRegion, QWidget* parent = nullptr);

    void readparams();
    // "(Select area)": fills the four fixed-region boxes from the picker.
    void lblselectareaClick();

    QCheckBox* cbshowhint = nullptr;
    ColorBox* bgcolor = nullptr;
    QLineEdit* txstartx = nullptr;
    QLineEdit* txstarty = nullptr;
    QLineEdit* txwidth = nullptr;
    QLineEdit* txheight = nullptr;
    LinkButton* lblselectarea = nullptr;

  protected:
    void saveparams(IniFile& f) override;

  private:
    PickRegion m_pickRegion;
};

}  // namespace pelko
