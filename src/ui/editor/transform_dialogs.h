#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

namespace pelko {

class IniFile;

// What a transform dialog needs: where it loads its controls from, where it stores them, and
// the editor's transform that reads them back.
struct TransformDialogFiles {
    std::string settingsFile;  // the controls are loaded from here
    std::string editorIni;     // "Ok" stores them here, in one write
    std::string defaultWatermark;
};

// A small non-modal dialog with "Ok" and "Cancel". "Ok" stores the controls (one atomic write
// of the file) and then runs the transform; an error on the way is shown and leaves the dialog
// open. "Cancel" and the close box write nothing. The dialog deletes itself when closed.
class TransformDialog : public QDialog {
    Q_OBJECT

  public:
    TransformDialog(const QString& caption, TransformDialogFiles files,
                    std::function<void()> transform, QWidget* parent);

  protected:
    // Adds the Ok/Cancel row under the controls and fixes the size.
    void finishLayout();
    // Writes every control's value, in the file's key order, inside one batch.
    virtual void saveparams(IniFile& ini) = 0;

    QVBoxLayout* m_body = nullptr;
    TransformDialogFiles m_files;

  private:
    void okClick();

    std::function<void()> m_transform;
};

class TfrmEditorScale final : public TransformDialog {
    Q_OBJECT

  public:
    TfrmEditorScale(TransformDialogFiles files, std::function<void()> transform, QWidget* parent);

  private:
    void readparams(const IniFile& settings);
    void saveparams(IniFile& ini) override;

    QSpinBox* sesclwidth;
    QSpinBox* sesclheight;
    QRadioButton* cbpercent;
    QRadioButton* cbpixels;
};

class Tfrmeditorwatermark final : public TransformDialog {
    Q_OBJECT

  public:
    Tfrmeditorwatermark(TransformDialogFiles files, std::function<void()> transform,
                        QWidget* parent);

  private:
    void readparams(const IniFile& settings);
    void saveparams(IniFile& ini) override;
    void btnopenClick();

    QLineEdit* tximagefile;
    QCheckBox* cbtransparent;
    QComboBox* cmbdirection;
    QSpinBox* setop;
    QComboBox* cbhtype;
    QSpinBox* seleft;
    QComboBox* cbvtype;
};

class Tfrmeditorrotate final : public TransformDialog {
    Q_OBJECT

  public:
    Tfrmeditorrotate(TransformDialogFiles files, std::function<void()> transform, QWidget* parent);

  private:
    void readparams(const IniFile& settings);
    void saveparams(IniFile& ini) override;

    QRadioButton* cbturn1;
    QRadioButton* cbturn2;
    QRadioButton* cbangle;
    QSpinBox* seangle;
};

}  // namespace pelko
