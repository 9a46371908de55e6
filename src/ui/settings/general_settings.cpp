#include "ui/settings/general_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/settings/key_access.h"
#include "ui/toolkit/hotkey_box.h"
#include "ui/toolkit/named.h"

namespace pelko {

namespace {

// The boxes in the order the page shows them, with the keys they edit.
// A box starts with the value the main window binds when its key is missing, so that "Ok" on
// a settings file without hotkeys stores the hotkeys in effect, not one key for all nine.
struct HotkeyRow {
    const char* name;
    const keys::IntKey& key;
};
const std::array<HotkeyRow, 9> kRows{{
    {"hkdefault", keys::sshk},
    {"hkfullscreen", keys::hotkeySlots[0]},
    {"hkactivewindow", keys::hotkeySlots[1]},
    {"hkrect", keys::hotkeySlots[2]},
    {"hkellipse", keys::hotkeySlots[3]},
    {"hkrounded", keys::hotkeySlots[4]},
    {"hkfreehand", keys::hotkeySlots[7]},
    {"hkobject", keys::hotkeySlots[5]},
    {"hkfixed", keys::hotkeySlots[6]},
}};

// Rows in the order they are read and written: the default slot, then [hotkeys] with the
// freehand region last.
constexpr std::array<std::size_t, 9> kStoreOrder{0, 1, 2, 3, 4, 5, 7, 8, 6};

}  // namespace

const std::array<const char*, 9> Tfrmgeneralsettings::kSlotCaptions{
    "Capture with your settings", "Capture whole screen",  "Capture active window",
    "Capture rectangular area",   "Capture elliptic area", "Capture rounded rect",
    "Capture freehand region",    "Capture object",        "Capture fixed region",
};

Tfrmgeneralsettings::Tfrmgeneralsettings(bool& openMark, std::string settingsFile,
                                         std::function<void()> reread, QStringList skinNames,
                                         HeldElsewhere heldElsewhere, HoldHotkeys holdHotkeys,
                                         QWidget* parent)
    : SettingsDialog(openMark, std::move(settingsFile), std::move(reread), parent),
      m_heldElsewhere(std::move(heldElsewhere)),
      m_holdHotkeys(std::move(holdHotkeys)) {
    setObjectName(QStringLiteral("Tfrmgeneralsettings"));
    setWindowTitle(QStringLiteral("General Settings"));

    auto* ts1 = named(new QWidget, "ts1");
    cbstartminimized =
        named(new QCheckBox(QStringLiteral("Start Pelko Minimized")), "cbstartminimized");
    cbrunww = named(new QCheckBox(QStringLiteral("Add Pelko to Startup")), "cbrunww");
    cbminimize = named(new QCheckBox(QStringLiteral("Minimize Pelko when capture")), "cbminimize");
    cbuseskins = named(new QCheckBox(QStringLiteral("Use Skins")), "cbuseskins");
    cbskin = named(new QComboBox, "cbskin");
    cbskin->setEditable(true);
    cbskin->setInsertPolicy(QComboBox::NoInsert);
    cbskin->addItems(skinNames);
    // The states the program uses while a key is missing, so that "Ok" keeps them.
    cbstartminimized->setChecked(keys::runmm.def);
    cbrunww->setChecked(keys::runww.def);
    cbminimize->setChecked(keys::minimizewc.def);
    cbskin->setEditText(QString::fromUtf8(keys::skin.def.data(), qsizetype(keys::skin.def.size())));
    auto* general = new QVBoxLayout(ts1);
    for (QWidget* w : {static_cast<QWidget*>(cbstartminimized), static_cast<QWidget*>(cbrunww),
                       static_cast<QWidget*>(cbminimize), static_cast<QWidget*>(cbuseskins)}) {
        general->addWidget(w);
    }
    general->addWidget(new QLabel(QStringLiteral("Interface Skin")));
    general->addWidget(cbskin);
    general->addStretch();

    auto* ts2 = named(new QWidget, "ts2");
    auto* grid = new QGridLayout(ts2);
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        auto* box = named(new HotkeyBox, kRows[row].name);
        box->setValue(std::uint32_t(kRows[row].key.def));
        hotkeys[row] = box;
        grid->addWidget(new QLabel(QString::fromLatin1(kSlotCaptions[row])), int(row), 0);
        grid->addWidget(box, int(row), 1);
        connect(box, &HotkeyBox::valueChanged, this, &Tfrmgeneralsettings::markConflicts);
        box->installEventFilter(this);
    }
    lbhotkeyhint = named(new QLabel, "lbhotkeyhint");
    lbhotkeyhint->setWordWrap(true);
    lbhotkeyhint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbhotkeyhint->hide();
    grid->addWidget(lbhotkeyhint, int(kRows.size()), 0, 1, 2);
    grid->setRowStretch(int(kRows.size()) + 1, 1);

    pages()->addTab(ts1, QStringLiteral("General"));
    pages()->addTab(ts2, QStringLiteral("Hotkeys"));
    setMinimumSize(329, 337);
    readparams();
}

void Tfrmgeneralsettings::setHotkeyHint(const QString& text) {
    lbhotkeyhint->setText(text);
    lbhotkeyhint->setVisible(!text.isEmpty());
}

void Tfrmgeneralsettings::setKeySymbols(const HotkeyBox::KeySymbols& keySymbols) {
    for (HotkeyBox* box : hotkeys) {
        box->setKeySymbols(keySymbols);
    }
}

void Tfrmgeneralsettings::readparams() {
    const IniFile f(settingsFile());
    cbstartminimized->setChecked(read(f, keys::runmm, cbstartminimized->isChecked()));
    cbrunww->setChecked(read(f, keys::runww, cbrunww->isChecked()));
    cbminimize->setChecked(read(f, keys::minimizewc, cbminimize->isChecked()));
    cbuseskins->setChecked(read(f, keys::useskins));
    cbskin->setEditText(
        QString::fromStdString(read(f, keys::skin, cbskin->currentText().toStdString())));
    for (std::size_t row : kStoreOrder) {
        HotkeyBox* box = hotkeys[row];
        box->setValue(std::uint32_t(read(f, kRows[row].key, std::int32_t(box->value()))));
    }
    markConflicts();
}

void Tfrmgeneralsettings::saveparams(IniFile& f) {
    write(f, keys::runmm, cbstartminimized->isChecked());
    write(f, keys::runww, cbrunww->isChecked());
    write(f, keys::minimizewc, cbminimize->isChecked());
    write(f, keys::skin, cbskin->currentText().toStdString());
    write(f, keys::useskins, cbuseskins->isChecked());
    for (std::size_t row : kStoreOrder) {
        write(f, kRows[row].key, std::int32_t(hotkeys[row]->value()));
    }
}

bool Tfrmgeneralsettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        hold(true);
    } else if (event->type() == QEvent::FocusOut) {
        // Focus moving from one hotkey box to the next keeps the hotkeys aside.
        QTimer::singleShot(0, this, [this] {
            QWidget* focus = QApplication::focusWidget();
            hold(focus && qobject_cast<HotkeyBox*>(focus) && focus->window() == this);
        });
    }
    return SettingsDialog::eventFilter(watched, event);
}

void Tfrmgeneralsettings::closeEvent(QCloseEvent* event) {
    hold(false);
    SettingsDialog::closeEvent(event);
}

void Tfrmgeneralsettings::hold(bool on) {
    if (on != m_holding && m_holdHotkeys) {
        m_holding = on;
        m_holdHotkeys(on);
    }
}

void Tfrmgeneralsettings::markConflicts() {
    for (std::size_t row = 0; row < hotkeys.size(); ++row) {
        const std::uint32_t value = hotkeys[row]->value();
        QString why;
        if (value != 0) {
            for (std::size_t other = 0; other < hotkeys.size(); ++other) {
                if (other != row && hotkeys[other]->value() == value) {
                    why = QStringLiteral("This hotkey is also set for \"%1\"")
                              .arg(QString::fromLatin1(kSlotCaptions[other]));
                    break;
                }
            }
            if (why.isEmpty() && m_heldElsewhere && m_heldElsewhere(value)) {
                why = QStringLiteral("Another program holds this hotkey");
            }
        }
        hotkeys[row]->setConflict(why);
    }
}

}  // namespace pelko
