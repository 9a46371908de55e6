#pragma once

#include "core/settings/program_paths.h"
#include "ui/settings/settings_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace pelko {

// "Output Settings": the output folder and file-name template, the file format with its JPEG
// quality and GIF method, the external paint program, the watermark and the scaling. Loads
// settings.ini when created; "Ok" stores every control (the JPEG quality and GIF method also
// into the keys the encoders read).
class Tfrmoutputsettings : public SettingsDialog {
    Q_OBJECT

  public:
    enum Page { File = 0, FileFormat = 1, GraphicEditor = 2, Watermark = 3, Scaling = 4 };

    Tfrmoutputsettings(bool& openMark, const ProgramPaths& paths, std::function<void()> reread,
                       QWidget* parent = nullptr);

    void readparams();

    // The template buttons: append their token to the file-name template.
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    // The folder picker; the chosen folder gets a trailing "/".
    void SpeedButton4Click();
    // Opens the folder in the desktop's file manager.
    void SpeedButton5Click();
    // Puts a chosen folder into the folder box, with a trailing "/".
    void setChosenFolder(const QString& folder);
    // The watermark and scaling enable rules.
    void tbleftChange();
    void cbenablescalingClick();

    QLineEdit* txfolder = nullptr;
    QLineEdit* txautofilename = nullptr;
    QLabel* lblsample = nullptr;
    QRadioButton* cbbmp = nullptr;
    QRadioButton* cbjpg = nullptr;
    QRadioButton* cbpng = nullptr;
    QRadioButton* cbgif = nullptr;
    QSlider* tbjpegq = nullptr;
    QSpinBox* sejpegq = nullptr;
    QRadioButton* cblzw = nullptr;
    QRadioButton* cbrle = nullptr;
    QLineEdit* exteditor = nullptr;
    QCheckBox* cbenable = nullptr;
    QLineEdit* tximagefile = nullptr;
    QToolButton* btnopen = nullptr;
    QCheckBox* cbtransparent = nullptr;
    QComboBox* cmbdirection = nullptr;
    QSpinBox* setop = nullptr;
    QComboBox* cbhtype = nullptr;
    QSpinBox* seleft = nullptr;
    QComboBox* cbvtype = nullptr;
    QCheckBox* cbenablescaling = nullptr;
    QSpinBox* sesclwidth = nullptr;
    QSpinBox* sesclheight = nullptr;
    QRadioButton* cbpercent = nullptr;
    QRadioButton* cbpixels = nullptr;

  protected:
    void saveparams(IniFile& f) override;
    void afterSave() override;

  private:
    QWidget* createFilePage();
    QWidget* createFormatPage();
    QWidget* createEditorPage();
    QWidget* createWatermarkPage();
    QWidget* createScalingPage();
    void refreshSample();
    // Refuses a scaling no capture can be scaled to (throws with the field and its range).
    void checkScaling();

    ProgramPaths m_paths;
    QLabel* m_lblimagefile = nullptr;
    QLabel* m_lblposition = nullptr;
    QLabel* m_lblx = nullptr;
    QLabel* m_lbly = nullptr;
    QLabel* m_lblwidth = nullptr;
    QLabel* m_lblheight = nullptr;
};

}  // namespace pelko
