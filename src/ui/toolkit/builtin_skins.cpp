#include "ui/toolkit/builtin_skins.h"

#include <array>

namespace pelko {

namespace {

struct BuiltInSkin {
    const char* name;
    const char* styleSheet;
};

// Light grey surfaces, rounded white buttons and a blue accent.
constexpr const char* kMacos = R"(
QWidget { background-color: #ececec; color: #1d1d1f; }
QToolTip { background-color: #fafafa; color: #1d1d1f; border: 1px solid #c4c4c4; padding: 2px; }
QPushButton {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #f3f3f3);
    border: 1px solid #b8b8b8; border-radius: 5px; padding: 1px 3px;
}
QPushButton:hover { border-color: #8db4ef; }
QPushButton:focus { border-color: #6a9ff2; }
QPushButton:pressed, QPushButton:checked {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #62a6f8, stop:1 #2f7ef2);
    border-color: #2a6fd6; color: #ffffff;
}
QPushButton:disabled { color: #a0a0a0; border-color: #d0d0d0; }
QGroupBox { border: 1px solid #c6c6c6; border-radius: 6px; margin-top: 7px; }
QGroupBox::title {
    subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px;
    color: #4a4a4a;
}
QLabel { background-color: transparent; }
QLineEdit, QSpinBox, QComboBox, QPlainTextEdit, QTextEdit, QListView, QTreeView {
    background-color: #ffffff; border: 1px solid #bdbdbd; border-radius: 4px;
    selection-background-color: #2f7cf6; selection-color: #ffffff;
}
QTabWidget::pane { border: 1px solid #cdcdcd; border-radius: 6px; top: -1px; }
QTabBar::tab {
    background: #f6f6f6; border: 1px solid #c0c0c0; padding: 3px 12px; margin-right: -1px;
}
QTabBar::tab:first { border-top-left-radius: 5px; border-bottom-left-radius: 5px; }
QTabBar::tab:last { border-top-right-radius: 5px; border-bottom-right-radius: 5px; }
QTabBar::tab:selected { background: #2f7cf6; color: #ffffff; border-color: #2a6fd6; }
QMenu { background-color: #f6f6f6; border: 1px solid #c4c4c4; padding: 4px 0; }
QMenu::item { padding: 3px 22px 3px 24px; background: transparent; }
QMenu::item:selected { background-color: #2f7cf6; color: #ffffff; }
QMenu::item:default { font-weight: bold; }
QMenu::item:disabled { color: #a0a0a0; }
QMenu::separator { height: 1px; background: #d5d5d5; margin: 4px 10px; }
)";

// Blue gradients with orange highlights.
constexpr const char* kOffice2003 = R"(
QWidget { background-color: #d8e6fb; color: #000000; }
QToolTip { background-color: #ffffe1; color: #000000; border: 1px solid #767676; padding: 1px; }
QPushButton {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1,
        stop:0 #f9fbff, stop:0.5 #dbe8fd, stop:1 #bcd3f8);
    border: 1px solid #7f9db9; border-radius: 3px; padding: 1px 3px;
}
QPushButton:hover {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1,
        stop:0 #fffbe8, stop:0.5 #ffe7a2, stop:1 #ffd36e);
    border-color: #000080;
}
QPushButton:pressed, QPushButton:checked {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fcc27f, stop:1 #fe9a4d);
    border-color: #000080;
}
QPushButton:focus { border-color: #3d5c9b; }
QPushButton:disabled { color: #8a99b0; }
QGroupBox { border: 1px solid #8fa9d4; border-radius: 3px; margin-top: 7px; }
QGroupBox::title {
    subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px;
    color: #15428b;
}
QLabel { background-color: transparent; }
QLineEdit, QSpinBox, QComboBox, QPlainTextEdit, QTextEdit, QListView, QTreeView {
    background-color: #ffffff; border: 1px solid #7f9db9;
    selection-background-color: #316ac5; selection-color: #ffffff;
}
QTabWidget::pane { border: 1px solid #8fa9d4; top: -1px; }
QTabBar::tab {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fe, stop:1 #c6d9f7);
    border: 1px solid #8fa9d4; padding: 3px 10px; margin-right: 1px;
}
QTabBar::tab:selected { background-color: #d8e6fb; border-bottom-color: #d8e6fb; }
QMenu { background-color: #fcfcf9; border: 1px solid #002d96; padding: 2px; }
QMenu::item { padding: 3px 22px 3px 26px; border: 1px solid transparent; }
QMenu::item:selected { background-color: #ffeec2; border: 1px solid #000080; color: #000000; }
QMenu::item:default { font-weight: bold; }
QMenu::item:disabled { color: #8d8d8d; }
QMenu::separator { height: 1px; background: #6a8ccb; margin: 3px 4px 3px 26px; }
)";

constexpr std::array<BuiltInSkin, 2> kSkins{{
    {"macos", kMacos},
    {"office2003", kOffice2003},
}};

}  // namespace

QStringList builtInSkinNames() {
    QStringList names;
    for (const BuiltInSkin& s : kSkins) {
        names << QString::fromLatin1(s.name);
    }
    return names;
}

std::optional<QString> builtInSkin(const QString& name) {
    for (const BuiltInSkin& s : kSkins) {
        if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(s.styleSheet);
        }
    }
    return std::nullopt;
}

}  // namespace pelko
