#include "ui/shell/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/capture/capture_mode.h"
#include "core/capture/capture_notice.h"
#include "core/capture/sources.h"
#include "core/error.h"
#include "core/output/purge_folder.h"
#include "core/output/save_capture.h"
#include "core/settings/hotkey_value.h"
#include "core/settings/key_access.h"
#include "ui/dialogs/publish_window.h"
#include "ui/selectors/overlay_window.h"
#include "ui/selectors/selectors.h"
#include "ui/settings/general_settings.h"
#include "ui/settings/input_settings.h"
#include "ui/settings/output_settings.h"
#include "ui/shell/about_box.h"
#include "ui/toolkit/app_icon.h"
#include "ui/toolkit/eliding_button.h"
#include "ui/toolkit/error_box.h"

namespace pelko {

TForm1::TForm1(ShellServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_services(std::move(services)) {
    if (!m_services.outputs && m_services.makeOutputs) {
        m_ownOutputs = m_services.makeOutputs(this, [this] { return m_settings.jpegQuality; });
        m_services.outputs = m_ownOutputs.get();
    }
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Pelko"));
    setWindowIcon(pelkoIcon());
    setFixedSize(241, 329);
    createControls();
    fitTexts();
    createMenus();
    createTrayIcon();
    centerOnScreen();
}

TForm1::~TForm1() {
    delete m_about;
    delete m_outputSettings;
    delete m_inputSettings;
    delete m_generalSettings;
}

bool TForm1::trayiconStartup() {
    bool showMainWindow = !read(IniFile(m_services.paths.settingsFile()), keys::runmm);
    // Without a tray to hold the icon, a hidden window could never be brought back.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMainWindow = true;
    }
    return showMainWindow;
}

void TForm1::FormCreate() {
    InputSettingsOpen = OutputSettingsOpen = GeneralSettingsOpen = AboutOpen = EditorOpen = false;
    m_settings.settingsLoading = false;
    m_skins.setSkinFolder(QString::fromStdString(m_services.paths.skinsDir()));
    readparams(m_settings, m_services.paths, *this);
}

void TForm1::centerOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

// --- Settings -----------------------------------------------------------------------------

void TForm1::setSkinsEnabled(bool on) {
    m_skins.setEnabled(on);
}

void TForm1::setSkinName(const std::string& name) {
    m_skins.setSkinName(QString::fromStdString(name));
}

void TForm1::refreshControls(const MainSettings& s) {
    ssreccursor->setChecked(s.ssreccursor);
    cbenablewatermark->setChecked(s.cbenablewatermark);
    mnsave->setChecked(s.outputs.save);
    mnclipboard->setChecked(s.outputs.clipboard);
    mnpaint->setChecked(s.outputs.paint);
    mnftp->setChecked(s.outputs.ftp);
    mnemail->setChecked(s.outputs.email);
    cbopenineditor->setChecked(s.cbopenineditor);
    cbenablescaling->setChecked(s.cbenablescaling);
    updateuotputbtn();
    showShortcuts(s.hotkeys);
    if (s.currentMode >= 1 && s.currentMode <= 8) {
        for (QAction* item : m_inputGroup->actions()) {
            if (item->data().toInt() == s.currentMode) {
                checkwct(item);
            }
        }
    }
}

void TForm1::showShortcuts(const std::array<std::uint32_t, 9>& values) {
    const std::array<QAction*, 9> items{pmc1, pmc2, pmc3, pmc4, pmc5, pmc6, pmc7, pmc8, pmc9};
    for (std::size_t slot = 0; slot < items.size(); ++slot) {
        const QString caption = items[slot]->text().section(QLatin1Char('\t'), 0, 0);
        const QString shortcut = QString::fromStdString(shortcutText(values[slot]));
        items[slot]->setText(shortcut.isEmpty() ? caption : caption + QLatin1Char('\t') + shortcut);
    }
    sLabel1->setText(QString::fromStdString(shortcutText(values[0])));
}

void TForm1::addtostartup(bool on) {
    if (m_services.addtostartup) {
        m_services.addtostartup(on);
    }
}

void TForm1::bindHotkeys(const std::array<std::uint32_t, 9>& values) {
    if (m_services.bindHotkeys) {
        m_services.bindHotkeys(values);
    }
}

void TForm1::saveUnlessLoading() {
    if (!m_settings.settingsLoading) {
        saveparams(m_settings, m_services.paths);
    }
}

void TForm1::ssreccursorClick() {
    runAction(this, [this] { saveUnlessLoading(); });
}

void TForm1::checkwct(QAction* item) {
    item->setChecked(true);
    btninput->setText(item->text());
}

void TForm1::mnq1Click(QAction* item) {
    checkwct(item);
    m_settings.currentMode = item->data().toInt();
    runAction(this, [this] { saveUnlessLoading(); });
}

void TForm1::mnsaveClick(QAction*) {
    updateuotputbtn();
    runAction(this, [this] { saveUnlessLoading(); });
}

void TForm1::updateuotputbtn() {
    const std::pair<QAction*, const char*> parts[] = {
        {mnsave, "File"}, {mnclipboard, "Clipboard"}, {mnpaint, "Editor"},
        {mnftp, "Web"},   {mnemail, "Email"},
    };
    QString caption;
    for (const auto& [item, text] : parts) {
        if (item->isChecked()) {
            caption += caption.isEmpty() ? QString::fromLatin1(text)
                                         : QStringLiteral(", ") + QString::fromLatin1(text);
        }
    }
    btnafter->setText(caption.isEmpty() ? QStringLiteral("Nothing") : caption);
    showOutputFolder();
}

void TForm1::showOutputFolder() {
    QString tip;
    if (mnsave->isChecked()) {
        const std::string folder =
            outputFolderInUse(IniFile(m_services.paths.settingsFile()), m_services.paths);
        tip = QStringLiteral("Screenshots are saved in %1").arg(QString::fromStdString(folder));
    }
    btnafter->setToolTip(tip);
}

void TForm1::SetSettingsToDefault1Click() {
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Pelko"),
        QStringLiteral("Do you really want to set all the program settings to default?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        runAction(this, [this] { defaultsettings(m_settings, m_services.paths, *this); });
    }
}

// --- Captures -----------------------------------------------------------------------------

void TForm1::takescreen(unsigned mode) {
    if (!m_services.screen || !m_services.outputs) {
        throw Error("There is no display to capture from");
    }
    CaptureSources sources(*m_services.screen);
    CapturePipeline pipeline(m_settings, m_services.paths, sources, *this, *m_services.outputs);
    Notifier* notifier =
        m_services.notifier && notificationsEnabled(IniFile(m_services.paths.settingsFile()))
            ? m_services.notifier
            : nullptr;
    takescreenAnnounced(pipeline, mode, notifier, m_settings.outputs);
}

void TForm1::lbltakescreenshotClick() {
    runAction(this, [this] { takescreen(0); });
}

void TForm1::pmc1Click(QAction* item) {
    const unsigned mode = item->data().toUInt();
    runAction(this, [this, mode] { takescreen(mode); });
}

void TForm1::hotkeyHotKeyPressed(std::uint32_t HotKey, std::uint16_t) {
    if (const auto slot = slotForHotkey(m_settings.hotkeys, HotKey)) {
        const unsigned mode = unsigned(captureModeOfHotkeySlot(*slot));
        runAction(this, [this, mode] { takescreen(mode); });
    }
}

bool TForm1::mainWindowVisible() {
    return isVisible() && !isMinimized();
}

void TForm1::hideMainWindow() {
    hide();
}

void TForm1::restoreMainWindow() {
    showOutputFolder();  // the folder may have come back (or gone) since
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::pause(int milliseconds) {
    if (m_services.flushDisplay) {
        m_services.flushDisplay();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TForm1::openFilesInEditor(const std::vector<std::string>& paths) {
    runAction(this, [this, &paths] {
        if (m_services.outputs == nullptr) {
            throw notAvailable("Editor");
        }
        m_services.outputs->openFilesInEditor(paths);
    });
}

void TForm1::showDelayCountdown(int secondsLeft) {
    if (!trayicon) {
        return;
    }
    if (!m_countdownExpiry) {
        m_countdownExpiry = new QTimer(this);
        m_countdownExpiry->setSingleShot(true);
        connect(m_countdownExpiry, &QTimer::timeout, this, [this] { showDelayCountdown(0); });
    }
    if (secondsLeft > 0) {
        trayicon->setIcon(countdownIcon(secondsLeft));
        trayicon->setToolTip(QStringLiteral("Pelko: capture in %1 s").arg(secondsLeft));
        m_countdownExpiry->start(2500);  // the command announces every second
    } else {
        m_countdownExpiry->stop();
        trayicon->setIcon(pelkoIcon());
        trayicon->setToolTip(QStringLiteral("Pelko"));
    }
}

std::optional<Bitmap> TForm1::select(int mode, bool& cancelled) {
    if (!m_services.screen) {
        throw Error("There is no display to capture from");
    }
    if (!m_overlayWindow) {
        m_overlayWindow = std::make_unique<OverlayWindow>();
    }
    return Selectors(*m_services.screen, m_services.windows, m_settings, m_overlayWindow.get())
        .select(mode, cancelled);
}

// --- Menus and windows --------------------------------------------------------------------

void TForm1::popupUnder(QMenu* menu, QPushButton* button) {
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TForm1::btninputClick() {
    popupUnder(menuinput, btninput);
}

void TForm1::btnafterClick() {
    popupUnder(menuafter, btnafter);
}

void TForm1::sSpeedButton9Click() {
    openInputSettings();
}

void TForm1::lblscreensadv2Click() {
    // An open dialog comes forward on "File"; a new one opens there only while captures are
    // saved to files, and otherwise on the page it opens with, "Watermark".
    const bool open = OutputSettingsOpen && m_outputSettings;
    openOutputSettings(open || mnsave->isChecked() ? Tfrmoutputsettings::File
                                                   : Tfrmoutputsettings::Watermark);
}

void TForm1::label1Click() {
    openOutputSettings(Tfrmoutputsettings::Watermark);
}

void TForm1::label2Click() {
    openOutputSettings(Tfrmoutputsettings::Scaling);
}

void TForm1::lblscreensadvClick() {
    openGeneralSettings(Tfrmgeneralsettings::General);
}

void TForm1::lbledithkClick() {
    openGeneralSettings(Tfrmgeneralsettings::Hotkeys);
}

void TForm1::rereadSettings() {
    readparams(m_settings, m_services.paths, *this);
}

Tfrmoutputsettings* TForm1::openOutputSettings(int page) {
    if (!OutputSettingsOpen || !m_outputSettings) {
        m_outputSettings = new Tfrmoutputsettings(
            OutputSettingsOpen, m_services.paths, [this] { rereadSettings(); }, this);
    }
    m_outputSettings->showPage(page);
    return m_outputSettings;
}

Tfrminputsettings* TForm1::openInputSettings() {
    if (!InputSettingsOpen || !m_inputSettings) {
        auto pick = [this]() -> std::optional<Rect> {
            if (!m_services.screen) {
                throw Error("There is no display to capture from");
            }
            return Selectors(*m_services.screen, m_services.windows, m_settings).pickRegion();
        };
        m_inputSettings = new Tfrminputsettings(
            InputSettingsOpen, m_services.paths.settingsFile(), [this] { rereadSettings(); }, pick,
            this);
    }
    m_inputSettings->showPage(m_settings.currentMode == int(CaptureMode::FixedRegion)
                                  ? Tfrminputsettings::FixedRegionOptions
                                  : Tfrminputsettings::GeneralOptions);
    return m_inputSettings;
}

Tfrmgeneralsettings* TForm1::openGeneralSettings(int page) {
    if (!GeneralSettingsOpen || !m_generalSettings) {
        // Hotkeys the new values could not bind are named at once, as at start.
        m_generalSettings = new Tfrmgeneralsettings(
            GeneralSettingsOpen, m_services.paths.settingsFile(),
            [this] {
                rereadSettings();
                reportRefusedHotkeys();
            },
            m_skins.sortedSkinNames(), m_services.hotkeyHeldElsewhere,
            [this](bool hold) {
                if (hold && m_services.releaseHotkeys) {
                    m_services.releaseHotkeys();
                } else if (!hold) {
                    bindHotkeys(m_settings.hotkeys);
                }
            },
            this);
        m_generalSettings->setHotkeyHint(QString::fromStdString(hotkeyHint()));
        m_generalSettings->setKeySymbols(m_services.keySymbols);
    }
    m_generalSettings->showPage(page);
    return m_generalSettings;
}

std::string TForm1::hotkeyHint() const {
    return m_services.hotkeyHint ? m_services.hotkeyHint() : std::string();
}

void TForm1::reportRefusedHotkeys() {
    if (!m_services.refusedHotkeySlots) {
        return;
    }
    // The captions of the slots, in slot order.
    static const char* const kCaptions[] = {
        "Capture with your settings",
        "Capture whole screen",
        "Capture active window",
        "Capture rectangular area",
        "Capture elliptic area",
        "Capture rounded rect",
        "Capture object",
        "Capture fixed region",
        "Capture freehand region",
    };
    QStringList lines;
    for (std::size_t slot : m_services.refusedHotkeySlots()) {
        if (slot < std::size(kCaptions)) {
            lines << QStringLiteral("%1 (%2)").arg(
                QString::fromLatin1(kCaptions[slot]),
                QString::fromStdString(hotkeyText(m_settings.hotkeys[slot])));
        }
    }
    if (lines.isEmpty()) {
        return;
    }
    // Also in the log of a session whose tray program starts unseen.
    std::fprintf(stderr, "pelko: hotkeys not set up: %s\n",
                 lines.join(QStringLiteral(", ")).toLocal8Bit().constData());
    const std::string hint = hotkeyHint();
    if (!hint.empty() && !read(IniFile(m_services.paths.settingsFile()), keys::bindinghint)) {
        return;  // the user knows how to bind the captures in the desktop
    }
    const QString text =
        hint.empty() ? QStringLiteral(
                           "These hotkeys could not be set up, because another program holds "
                           "them or another capture has the same hotkey:\n\n%1\n\nChoose "
                           "other hotkeys under \"Advanced Settings\", page \"Hotkeys\".")
                           .arg(lines.join(QLatin1Char('\n')))
                     : QStringLiteral("These hotkeys could not be set up:\n\n%1\n\n%2")
                           .arg(lines.join(QLatin1Char('\n')), QString::fromStdString(hint));
    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Pelko"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("refusedHotkeys"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (!hint.empty()) {
        // Where the desktop binds the keys this is advice, not a conflict: it need not come
        // back at every start.
        auto* dontShow = new QCheckBox(QStringLiteral("Do not show this message again"), box);
        box->setCheckBox(dontShow);
        connect(box, &QMessageBox::finished, this, [this, dontShow] {
            if (dontShow->isChecked()) {
                runAction(this, [this] {
                    IniFile settings(m_services.paths.settingsFile());
                    write(settings, keys::bindinghint, false);
                });
            }
        });
    }
    box->open();
}

void TForm1::About1Click() {
    if (AboutOpen && m_about) {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new Tfrmabout(AboutOpen);
    m_about->show();
}

void TForm1::pmhelpClick() {
    const QString help = QString::fromStdString(m_services.paths.helpFile());
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TForm1::Show1Click() {
    restoreMainWindow();
}

void TForm1::trayiconDblClick() {
    restoreMainWindow();
}

void TForm1::Exit1Click() {
    close();
}

// --- Closing and the tray -----------------------------------------------------------------

void TForm1::FormClose() {
    runAction(this, [this] { saveparams(m_settings, m_services.paths); });
    // Upload windows end with the program; their files are then no longer in use.
    qDeleteAll(findChildren<Tfrmftp*>());
    runAction(this, [this] { PurgeScratchFolder(m_services.scratchDir, {std::nullopt, true}); });
    if (m_services.releaseHotkeys) {
        runAction(this, m_services.releaseHotkeys);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_closed) {
        return;
    }
    m_closed = true;
    FormClose();
    trayicon->hide();
    if (m_about) {
        m_about->close();
    }
    emit closed();
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimising hides the window; the tray icon brings it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayicon->isVisible() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    }
}

}  // namespace pelko
