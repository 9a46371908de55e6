// The input and output menus, the tray icon and its menu.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>
#include <string>
#include <vector>

#include "core/capture/capture_mode.h"
#include "ui/shell/main_window.h"
#include "ui/toolkit/app_icon.h"

namespace pelko {

namespace {

QAction* newAction(QObject* parent, const char* name, const QString& text) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction* newSeparator(QObject* parent, const char* name) {
    QAction* a = newAction(parent, name, QString());
    a->setSeparator(true);
    return a;
}

}  // namespace

// The Tag of an item (its CaptureMode) is kept as the action's data.
void TForm1::createMenus() {
    // The input menu's items, in menu order, from the one table of capture kinds.
    // The window's members for the items, by menu position.
    QAction* TForm1::*const members[] = {&TForm1::mnq1, &TForm1::mnq2, &TForm1::mnq3,
                                         &TForm1::mnq4, &TForm1::mnq5, &TForm1::mnq8,
                                         &TForm1::mnq6, &TForm1::mnq7};
    std::vector<const CaptureModeInfo*> inputItems;
    for (const CaptureModeInfo& info : kCaptureModes) {
        if (info.menuPosition >= 0) {
            inputItems.push_back(&info);
        }
    }
    std::sort(inputItems.begin(), inputItems.end(),
              [](const auto* a, const auto* b) { return a->menuPosition < b->menuPosition; });
    menuinput = new QMenu(this);
    menuinput->setObjectName(QStringLiteral("menuinput"));
    menuinput->setToolTipsVisible(true);
    m_inputGroup = new QActionGroup(this);
    m_inputGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const CaptureModeInfo* item : inputItems) {
        const auto latin1 = [](std::string_view text) {
            return QString::fromLatin1(text.data(), qsizetype(text.size()));
        };
        QAction* a =
            newAction(this, std::string(item->menuName).c_str(), latin1(item->menuCaption));
        a->setCheckable(true);
        a->setData(int(item->mode));
        a->setToolTip(latin1(item->menuHint));
        a->setStatusTip(latin1(item->menuHint));
        m_inputGroup->addAction(a);
        menuinput->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { mnq1Click(a); });
        this->*members[item->menuPosition] = a;
    }

    struct OutputItem {
        QAction* TForm1::*member;
        const char* name;
        const char* caption;
        bool OutputTargets::*target;
    };
    static constexpr OutputItem outputItems[] = {
        {&TForm1::mnsave, "mnsave", "Save to a file", &OutputTargets::save},
        {&TForm1::mnclipboard, "mnclipboard", "Copy to clipboard", &OutputTargets::clipboard},
        {&TForm1::mnpaint, "mnpaint", "Open in ext. editor", &OutputTargets::paint},
        {&TForm1::mnftp, "mnftp", "Publish Web", &OutputTargets::ftp},
        {&TForm1::mnemail, "mnemail", "Send E-mail", &OutputTargets::email},
    };
    menuafter = new QMenu(this);
    menuafter->setObjectName(QStringLiteral("menuafter"));
    for (const OutputItem& item : outputItems) {
        QAction* a = newAction(this, item.name, QString::fromLatin1(item.caption));
        a->setCheckable(true);
        menuafter->addAction(a);
        const auto target = item.target;
        connect(a, &QAction::triggered, this, [this, a, target](bool on) {
            m_settings.outputs.*target = on;
            mnsaveClick(a);
        });
        this->*item.member = a;
    }
}

void TForm1::createTrayIcon() {
    trpopupmenu = new QMenu(this);
    trpopupmenu->setObjectName(QStringLiteral("trpopupmenu"));

    Show1 = newAction(this, "Show1", QStringLiteral("Show"));
    connect(Show1, &QAction::triggered, this, &TForm1::Show1Click);
    N5 = newSeparator(this, "N5");

    struct CaptureItem {
        QAction* TForm1::*member;
        const char* name;
        const char* caption;
        int tag;
    };
    static constexpr CaptureItem captureItems[] = {
        {&TForm1::pmc1, "pmc1", "Capture with your settings", 0},
        {&TForm1::pmc2, "pmc2", "Whole screen", 1},
        {&TForm1::pmc3, "pmc3", "Active window", 2},
        {&TForm1::pmc4, "pmc4", "Rectangle", 3},
        {&TForm1::pmc5, "pmc5", "Ellipse", 5},
        {&TForm1::pmc6, "pmc6", "Rounded rectangle", 7},
        {&TForm1::pmc9, "pmc9", "Freehand region", 8},
        {&TForm1::pmc7, "pmc7", "Object", 6},
        {&TForm1::pmc8, "pmc8", "Fixed region", 4},
    };

    trpopupmenu->addAction(Show1);
    trpopupmenu->setDefaultAction(Show1);
    trpopupmenu->addAction(N5);
    for (const CaptureItem& item : captureItems) {
        QAction* a = newAction(this, item.name, QString::fromLatin1(item.caption));
        a->setData(item.tag);
        trpopupmenu->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { pmc1Click(a); });
        this->*item.member = a;
    }

    N1 = newSeparator(this, "N1");
    SetSettingsToDefault1 =
        newAction(this, "SetSettingsToDefault1", QStringLiteral("Set Settings To Default"));
    connect(SetSettingsToDefault1, &QAction::triggered, this, &TForm1::SetSettingsToDefault1Click);
    About1 = newAction(this, "About1", QStringLiteral("About Pelko"));
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
    Help1 = newAction(this, "Help1", QStringLiteral("Help"));
    connect(Help1, &QAction::triggered, this, &TForm1::pmhelpClick);
    N4 = newSeparator(this, "N4");
    Exit1 = newAction(this, "Exit1", QStringLiteral("Exit"));
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    trpopupmenu->addActions({N1, SetSettingsToDefault1, About1, Help1, N4, Exit1});

    trayicon = new QSystemTrayIcon(pelkoIcon(), this);
    trayicon->setObjectName(QStringLiteral("trayicon"));
    trayicon->setToolTip(QStringLiteral("Pelko"));
    trayicon->setContextMenu(trpopupmenu);
    connect(trayicon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    trayiconDblClick();
                } else if (reason == QSystemTrayIcon::DoubleClick) {
                    trpopupmenu->defaultAction()->trigger();
                }
            });
    trayicon->show();
}

}  // namespace pelko
