#pragma once

#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <string>

class QPushButton;

namespace pelko {

class IniFile;

// What a settings dialog shares: the page control, "Ok" and "Cancel", the open mark in the
// main window (set while the dialog exists) and the main window's re-read after "Ok".
//
// "Ok" writes every control in one batch (one replace of settings.ini), then asks the main
// window to re-read, then closes. A write the file refuses shows its error and keeps the
// dialog open with nothing re-read. "Cancel" and the title bar close without writing. The
// dialog deletes itself when closed.
class SettingsDialog : public QWidget {
    Q_OBJECT

  public:
    SettingsDialog(bool& openMark, std::string settingsFile, std::function<void()> reread,
                   QWidget* parent);
    ~SettingsDialog() override;

    QTabWidget* pages() const { return m_pages; }
    // Shows the page, brings the dialog to the front and gives it the focus.
    void showPage(int index);

    void Button1Click();
    void Button2Click();

  protected:
    // The settings file, read or written by the subclass in its own order.
    const std::string& settingsFile() const { return m_settingsFile; }
    virtual void saveparams(IniFile& f) = 0;
    // Checks to show after the values are stored (warnings only).
    virtual void afterSave() {}
    void closeEvent(QCloseEvent* event) override;
    // Return is "Ok", Escape is "Cancel".
    void keyPressEvent(QKeyEvent* event) override;

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  private:
    bool& m_openMark;
    std::string m_settingsFile;
    std::function<void()> m_reread;
    QTabWidget* m_pages = nullptr;
};

}  // namespace pelko
