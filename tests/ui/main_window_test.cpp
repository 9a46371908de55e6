// The main window as the user meets it: its controls, menus and tray menu.
#include <QActionGroup>
#include <QGroupBox>
#include <QMenu>
#include <QSystemTrayIcon>

#include "shell_fixture.h"
#include "ui/toolkit/link_button.h"

namespace pelko::test {
namespace {

struct ControlCase {
    const char* name;
    const char* kind;  // Qt class
    int x, y;          // in the client area
    int w, h;          // 0: as the text needs
    const char* caption;
    const char* tooltip;
};

// clang-format off
const ControlCase kControls[] = {
    {"lbltakescreenshot", "QPushButton",   8,   8, 225,  25, "Capture screenshot", ""},
    {"gb1",               "QGroupBox",     8,  40, 225, 153, "Capture settings", ""},
    {"sLabel4",           "QLabel",       16,  76,   0,   0, "Hotkey:", ""},
    {"sLabel1",           "QLabel",       64,  76,   0,   0, "F9", ""},
    {"lbledithk",         "pelko::LinkButton", 192, 74, 25, 17, "Edit", "Configure hotkeys"},
    {"sLabel2",           "QLabel",       16, 110,   0,   0, "Input:", ""},
    {"btninput",          "QPushButton",  56, 104, 137,  22, "Input", ""},
    {"sSpeedButton9",     "QPushButton", 195, 104,  25,  22, "...", "Configure Pelko"},
    {"sLabel3",           "QLabel",       16, 135,   0,   0, "Output:", ""},
    {"btnafter",          "pelko::ElidingButton",  56, 131, 137,  22, "Output", ""},
    {"sSpeedButton10",    "QPushButton", 195, 131,  25,  22, "...", "Configure Pelko"},
    {"cbopenineditor",    "QCheckBox",    20, 166,   0,   0, "Open screenshot in Editor after capture", ""},
    {"sGroupBox2",        "QGroupBox",     8, 200, 225, 105, "Automatically", ""},
    {"ssreccursor",       "QCheckBox",    20, 230,   0,   0, "Capture mouse pointer", ""},
    {"cbenablewatermark", "QCheckBox",    20, 250,   0,   0, "Add watermark to screenshot", ""},
    {"label1",            "pelko::LinkButton", 188, 250, 43, 17, "Options", "Watermark options"},
    {"cbenablescaling",   "QCheckBox",    20, 270,   0,   0, "Scale screenshot", ""},
    {"label2",            "pelko::LinkButton", 188, 269, 43, 17, "Options", "Scaling options"},
    {"lblscreensadv",     "pelko::LinkButton", 4, 310, 117, 17, "Advanced Settings", "Configure Pelko"},
};
// clang-format on

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

TEST_F(ShellTest, EveryControlAtItsPlaceWithItsCaptionAndTooltip) {
    TForm1 window(services());
    EXPECT_EQ(window.windowTitle(), "Pelko");
    EXPECT_EQ(window.size(), QSize(241, 329));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* w = window.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.kind);
        EXPECT_EQ(w->mapTo(&window, QPoint(0, 0)), QPoint(c.x, c.y));
        if (c.w != 0) {
            EXPECT_EQ(w->size(), QSize(c.w, c.h));
        } else {
            EXPECT_GE(w->width(), w->sizeHint().width()) << "the whole text shows";
        }
        EXPECT_EQ(captionOf(w), QString::fromLatin1(c.caption));
        EXPECT_EQ(w->toolTip(), QString::fromLatin1(c.tooltip));
        // Nothing may stick out of the window or the box that holds it.
        const QWidget* holder = w->parentWidget();
        EXPECT_TRUE(holder->rect().contains(w->geometry()))
            << "inside " << holder->objectName().toStdString();
    }
}

TEST_F(ShellTest, NoControlCoversAnother) {
    TForm1 window(services());
    for (QWidget* holder : {static_cast<QWidget*>(&window), window.findChild<QWidget*>("gb1"),
                            window.findChild<QWidget*>("sGroupBox2")}) {
        QList<QWidget*> controls;
        for (QWidget* w : holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!w->isWindow()) {  // menus are windows of their own
                controls << w;
            }
        }
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                    << controls[i]->objectName().toStdString() << " and "
                    << controls[j]->objectName().toStdString();
            }
        }
    }
}

TEST_F(ShellTest, TheLinkControlsShowTheHandPointer) {
    TForm1 window(services());
    for (const char* name :
         {"lbltakescreenshot", "lbledithk", "label1", "label2", "lblscreensadv"}) {
        auto* w = window.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    EXPECT_NE(window.findChild<QWidget*>("btninput")->cursor().shape(), Qt::PointingHandCursor);
}

struct MenuItem {
    const char* name;
    const char* caption;  // empty: a separator
    int tag;              // -1: none
    const char* hint;
};

void expectMenu(const QMenu* menu, const std::vector<MenuItem>& items) {
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), qsizetype(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].name);
        const QAction* a = actions[qsizetype(i)];
        EXPECT_EQ(a->objectName(), QString::fromLatin1(items[i].name));
        EXPECT_EQ(a->isSeparator(), *items[i].caption == '\0');
        EXPECT_EQ(a->text().section('\t', 0, 0), QString::fromLatin1(items[i].caption));
        if (items[i].tag >= 0) {
            EXPECT_EQ(a->data().toInt(), items[i].tag);
        }
        if (*items[i].hint) {
            EXPECT_EQ(a->toolTip(), QString::fromLatin1(items[i].hint));
        }
    }
}

TEST_F(ShellTest, InputMenuHoldsTheEightKindsAsRadioItems) {
    TForm1 window(services());
    auto* menu = window.findChild<QMenu*>("menuinput");
    ASSERT_NE(menu, nullptr);
    expectMenu(menu, {
                         {"mnq1", "Whole screen", 1, "Capturing whole screen"},
                         {"mnq2", "Active window", 2, "Capturing active window only"},
                         {"mnq3", "Rectangular area", 3, "Capturing rectangle after selecting it"},
                         {"mnq4", "Elliptic area", 5, "Capturing ellipse after selecting it"},
                         {"mnq5", "Rounded corners area", 7,
                          "Capturing rounded rectangle after selecting it"},
                         {"mnq8", "Freehand region", 8, "Capturing free region after selecting it"},
                         {"mnq6", "Object", 6, "Capturing screen control or window"},
                         {"mnq7", "Fixed Region", 4, "Capturing fixed region"},
                     });
    for (QAction* a : menu->actions()) {
        EXPECT_TRUE(a->isCheckable());
        ASSERT_NE(a->actionGroup(), nullptr);
        EXPECT_TRUE(a->actionGroup()->isExclusive());
    }
}

TEST_F(ShellTest, OutputMenuHoldsTheFiveOutputsAsCheckItems) {
    TForm1 window(services());
    auto* menu = window.findChild<QMenu*>("menuafter");
    ASSERT_NE(menu, nullptr);
    expectMenu(menu, {
                         {"mnsave", "Save to a file", -1, ""},
                         {"mnclipboard", "Copy to clipboard", -1, ""},
                         {"mnpaint", "Open in ext. editor", -1, ""},
                         {"mnftp", "Publish Web", -1, ""},
                         {"mnemail", "Send E-mail", -1, ""},
                     });
    for (QAction* a : menu->actions()) {
        EXPECT_TRUE(a->isCheckable());
        EXPECT_EQ(a->actionGroup(), nullptr);
    }
}

TEST_F(ShellTest, TrayMenuItemsInOrderWithShowAsDefault) {
    TForm1 window(services());
    auto* menu = window.findChild<QMenu*>("trpopupmenu");
    ASSERT_NE(menu, nullptr);
    expectMenu(menu, {
                         {"Show1", "Show", -1, ""},
                         {"N5", "", -1, ""},
                         {"pmc1", "Capture with your settings", 0, ""},
                         {"pmc2", "Whole screen", 1, ""},
                         {"pmc3", "Active window", 2, ""},
                         {"pmc4", "Rectangle", 3, ""},
                         {"pmc5", "Ellipse", 5, ""},
                         {"pmc6", "Rounded rectangle", 7, ""},
                         {"pmc9", "Freehand region", 8, ""},
                         {"pmc7", "Object", 6, ""},
                         {"pmc8", "Fixed region", 4, ""},
                         {"N1", "", -1, ""},
                         {"SetSettingsToDefault1", "Set Settings To Default", -1, ""},
                         {"About1", "About Pelko", -1, ""},
                         {"Help1", "Help", -1, ""},
                         {"N4", "", -1, ""},
                         {"Exit1", "Exit", -1, ""},
                     });
    EXPECT_EQ(menu->defaultAction(), window.findChild<QAction*>("Show1"));
    auto* tray = window.findChild<QSystemTrayIcon*>("trayicon");
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->contextMenu(), menu);
}

TEST_F(ShellTest, TrayItemsAndHotkeyLabelShowTheSlotShortcuts) {
    start();
    struct {
        const char* item;
        const char* shortcut;
    } const cases[] = {
        {"pmc1", "F9"},           {"pmc2", "Ctrl+Shift+F"}, {"pmc3", "Ctrl+Shift+A"},
        {"pmc4", "Ctrl+Shift+R"}, {"pmc5", "Ctrl+Shift+E"}, {"pmc6", "Ctrl+Shift+T"},
        {"pmc7", "Ctrl+Shift+O"}, {"pmc8", "Ctrl+Shift+G"}, {"pmc9", "Ctrl+Shift+H"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(action(c.item)->text().section('\t', 1), QString::fromLatin1(c.shortcut))
            << c.item;
    }
    EXPECT_EQ(control<QLabel>("sLabel1")->text(), "F9");
}

TEST_F(ShellTest, ShortcutsFollowTheSlotValuesWithoutWinAndWithoutAnEmptyKey) {
    writeSettings("[main]\nsshk=0\n[hotkeys]\nfullscreen=0x14046\nobject=0x6077\n");
    start();
    EXPECT_EQ(action("pmc1")->text(), "Capture with your settings") << "no shortcut column";
    EXPECT_EQ(control<QLabel>("sLabel1")->text(), "");
    EXPECT_EQ(action("pmc2")->text(), "Whole screen\tCtrl+F");
    EXPECT_EQ(action("pmc7")->text(), "Object\tCtrl+Shift+F8");
}

TEST_F(ShellTest, InputAndOutputMenusOpenUnderTheirButtons) {
    TForm1& window = start();
    window.show();
    for (const auto& [buttonName, menuName] :
         {std::pair{"btninput", "menuinput"}, std::pair{"btnafter", "menuafter"}}) {
        auto* button = control<QPushButton>(buttonName);
        auto* menu = control<QMenu>(menuName);
        button->click();
        EXPECT_TRUE(menu->isVisible()) << menuName;
        EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height()))) << menuName;
        menu->hide();
    }
}

}  // namespace
}  // namespace pelko::test
