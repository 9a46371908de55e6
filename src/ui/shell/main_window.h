#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "core/capture/pipeline.h"
#include "core/settings/main_settings.h"
#include "ui/shell/shell_services.h"
#include "ui/toolkit/skins.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;

namespace pelko {

class ElidingButton;
class OverlayWindow;
class LinkButton;
class Tfrmabout;
class Tfrmgeneralsettings;
class Tfrminputsettings;
class Tfrmoutputsettings;

// The main window: the capture button, the capture settings, the tray icon with its menu, and
// the nine hotkey slots. It holds the settings the window shows (MainSettings) and wires the
// controls to readparams / saveparams / defaultsettings and to the capture pipeline.
class TForm1 : public QWidget, public SettingsHost, public CaptureHost {
    Q_OBJECT

  public:
    explicit TForm1(ShellServices services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Whether the main window is shown at start: not when main/runmm is set and a system tray
    // shows the icon.
    bool trayiconStartup();
    // The start-up of the window: the skin folder, then readparams (which binds the hotkeys and
    // writes or removes the autostart entry). Its errors propagate after the load has finished.
    void FormCreate();

    // One capture of a mode (0: the current default kind). Errors propagate.
    void takescreen(unsigned mode);
    // A global hotkey was pressed: the first slot holding HotKey starts its capture.
    void hotkeyHotKeyPressed(std::uint32_t HotKey, std::uint16_t Index);

    // Checks an input-menu item and shows its caption on the input button.
    void checkwct(QAction* item);
    // The caption of the output button from the checked output items.
    void updateuotputbtn();
    // The output button's tip names the folder captures go to now.
    void showOutputFolder();
    // Closing: saveparams, then the scratch folder is purged and the hotkeys released.
    void FormClose();

    // The settings dialogs, each open at most once: an open one comes to the front on the page
    // asked for, otherwise a new one loads settings.ini and opens on that page. Pages of the
    // output settings: 0 "File", 1 "File Format", 2 "Graphic Editor", 3 "Watermark",
    // 4 "Scaling"; of the general settings: 0 "General", 1 "Hotkeys".
    Tfrmoutputsettings* openOutputSettings(int page);
    Tfrmgeneralsettings* openGeneralSettings(int page);
    // On "Fixed Region Options" when the default capture kind is the fixed region.
    Tfrminputsettings* openInputSettings();
    // Re-reads settings.ini after a settings dialog stored its values.
    void rereadSettings();
    // Tells the user, in one message, which hotkey slots could not be bound.
    void reportRefusedHotkeys();
    // The tray icon counts down the seconds a delayed command-line capture has left; 0 (or no
    // news for a while, as when that command was killed) shows the usual icon again.
    void showDelayCountdown(int secondsLeft);
    // Opens picture files in the editor ("pelko --edit"); errors show in the editor.
    void openFilesInEditor(const std::vector<std::string>& paths);

    const MainSettings& settings() const { return m_settings; }
    Skins& skins() { return m_skins; }

    // SettingsHost
    void setSkinsEnabled(bool on) override;
    void setSkinName(const std::string& name) override;
    void refreshControls(const MainSettings& s) override;
    void addtostartup(bool on) override;
    void bindHotkeys(const std::array<std::uint32_t, 9>& values) override;

    // CaptureHost
    bool mainWindowVisible() override;
    void hideMainWindow() override;
    void restoreMainWindow() override;
    void pause(int milliseconds) override;
    std::optional<Bitmap> select(int mode, bool& cancelled) override;

    // Marks of the windows that are open.
    bool InputSettingsOpen = false;
    bool OutputSettingsOpen = false;
    bool GeneralSettingsOpen = false;
    bool AboutOpen = false;
    bool EditorOpen = false;

  signals:
    // The window was closed and FormClose has run: the program ends.
    void closed();

  public slots:
    void lbltakescreenshotClick();
    void pmc1Click(QAction* item);
    void ssreccursorClick();
    void mnq1Click(QAction* item);
    void mnsaveClick(QAction* item);
    void btninputClick();
    void btnafterClick();
    void sSpeedButton9Click();
    void lblscreensadv2Click();
    void label1Click();
    void label2Click();
    void lblscreensadvClick();
    void lbledithkClick();
    void About1Click();
    void pmhelpClick();
    void SetSettingsToDefault1Click();
    void Show1Click();
    void trayiconDblClick();
    void Exit1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The desktop's hint on binding captures; empty where the hotkeys can be bound.
    std::string hotkeyHint() const;
    void createControls();
    void fitTexts();
    void createMenus();
    void createTrayIcon();
    void centerOnScreen();
    void saveUnlessLoading();
    void showShortcuts(const std::array<std::uint32_t, 9>& values);
    void popupUnder(QMenu* menu, QPushButton* button);

    ShellServices m_services;
    std::unique_ptr<CaptureOutputs> m_ownOutputs;
    // The selectors' window, kept between selections so that the next one opens fast.
    std::unique_ptr<OverlayWindow> m_overlayWindow;
    MainSettings m_settings;
    Skins m_skins;
    QPointer<Tfrmabout> m_about;
    QTimer* m_countdownExpiry = nullptr;
    QPointer<Tfrmoutputsettings> m_outputSettings;
    QPointer<Tfrminputsettings> m_inputSettings;
    QPointer<Tfrmgeneralsettings> m_generalSettings;
    bool m_closed = false;

    // The client area.
    QPushButton* lbltakescreenshot = nullptr;
    QGroupBox* gb1 = nullptr;
    QLabel* sLabel4 = nullptr;
    QLabel* sLabel1 = nullptr;
    LinkButton* lbledithk = nullptr;
    QLabel* sLabel2 = nullptr;
    QPushButton* btninput = nullptr;
    QPushButton* sSpeedButton9 = nullptr;
    QLabel* sLabel3 = nullptr;
    ElidingButton* btnafter = nullptr;
    QPushButton* sSpeedButton10 = nullptr;
    QCheckBox* cbopenineditor = nullptr;
    QGroupBox* sGroupBox2 = nullptr;
    QCheckBox* ssreccursor = nullptr;
    QCheckBox* cbenablewatermark = nullptr;
    LinkButton* label1 = nullptr;
    QCheckBox* cbenablescaling = nullptr;
    LinkButton* label2 = nullptr;
    LinkButton* lblscreensadv = nullptr;

    // The input menu.
    QMenu* menuinput = nullptr;
    QActionGroup* m_inputGroup = nullptr;
    QAction* mnq1 = nullptr;
    QAction* mnq2 = nullptr;
    QAction* mnq3 = nullptr;
    QAction* mnq4 = nullptr;
    QAction* mnq5 = nullptr;
    QAction* mnq6 = nullptr;
    QAction* mnq7 = nullptr;
    QAction* mnq8 = nullptr;

    // The output menu.
    QMenu* menuafter = nullptr;
    QAction* mnsave = nullptr;
    QAction* mnclipboard = nullptr;
    QAction* mnpaint = nullptr;
    QAction* mnftp = nullptr;
    QAction* mnemail = nullptr;

    // The tray icon and its menu.
    QSystemTrayIcon* trayicon = nullptr;
    QMenu* trpopupmenu = nullptr;
    QAction* Show1 = nullptr;
    QAction* N5 = nullptr;
    QAction* pmc1 = nullptr;
    QAction* pmc2 = nullptr;
    QAction* pmc3 = nullptr;
    QAction* pmc4 = nullptr;
    QAction* pmc5 = nullptr;
    QAction* pmc6 = nullptr;
    QAction* pmc9 = nullptr;
    QAction* pmc7 = nullptr;
    QAction* pmc8 = nullptr;
    QAction* N1 = nullptr;
    QAction* SetSettingsToDefault1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Help1 = nullptr;
    QAction* N4 = nullptr;
    QAction* Exit1 = nullptr;
};

}  // namespace pelko
