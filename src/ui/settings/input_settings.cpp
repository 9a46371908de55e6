#include "ui/settings/input_settings.h"

#include <array>

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/error.h"
#include "core/settings/key_access.h"
#include "core/settings/picture_size_checks.h"
#include "ui/toolkit/color_box.h"
#include "ui/toolkit/error_box.h"
#include "ui/toolkit/link_button.h"
#include "ui/toolkit/named.h"

namespace pelko {

namespace {

// A box starts with the value the program uses while the key is missing.
QLineEdit* numberBox(const char* name, std::int32_t value, QObject* owner) {
    auto* box = named(new QLineEdit(QString::number(value)), name);
    // Whole numbers only (a picked rectangle dragged to the left or up has a negative size).
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,9}")), owner));
    return box;
}

// The fixed region's boxes with their keys, in the order they are read and written.
struct RegionBox {
    QLineEdit* box;
    const keys::IntKey& key;
};
std::array<RegionBox, 4> regionBoxes(const Tfrminputsettings& dialog) {
    return {{{dialog.txstartx, keys::startx},
             {dialog.txstarty, keys::starty},
             {dialog.txwidth, keys::rwidth},
             {dialog.txheight, keys::rheight}}};
}

}  // namespace

Tfrminputsettings::Tfrminputsettings(bool& openMark, std::string settingsFile,
                                     std::function<void()> reread, PickRegion pickRegion,
                                     QWidget* parent)
    : SettingsDialog(openMark, std::move(settingsFile), std::move(reread), parent),
      m_pickRegion(std::move(pickRegion)) {
    setObjectName(QStringLiteral("Tfrminputsettings"));
    setWindowTitle(QStringLiteral("Input Settings"));

    auto* ts1 = named(new QWidget, "ts1");
    cbshowhint =
        named(new QCheckBox(QStringLiteral("Show hint while selecting area")), "cbshowhint");
    cbshowhint->setChecked(keys::showhint.def);
    bgcolor = named(new ColorBox, "bgcolor");
    // The colour captures fill with while the key is missing, so that "Ok" keeps it.
    bgcolor->setColorValue(keys::screenbgcolor.def);
    auto* general = new QVBoxLayout(ts1);
    general->addWidget(cbshowhint);
    general->addWidget(new QLabel(QStringLiteral("Non-rectangular areas background color")));
    general->addWidget(bgcolor);
    general->addStretch();

    auto* ts2 = named(new QWidget, "ts2");
    txstartx = numberBox("txstartx", keys::startx.def, this);
    txstarty = numberBox("txstarty", keys::starty.def, this);
    txwidth = numberBox("txwidth", keys::rwidth.def, this);
    txheight = numberBox("txheight", keys::rheight.def, this);
    lblselectarea = named(new LinkButton(QStringLiteral("(Select area)")), "lblselectarea");
    auto* fixed = new QGridLayout(ts2);
    fixed->addWidget(new QLabel(QStringLiteral("Start X:")), 0, 0);
    fixed->addWidget(txstartx, 0, 1);
    fixed->addWidget(new QLabel(QStringLiteral("Start Y:")), 0, 2);
    fixed->addWidget(txstarty, 0, 3);
    fixed->addWidget(new QLabel(QStringLiteral("Width:")), 1, 0);
    fixed->addWidget(txwidth, 1, 1);
    fixed->addWidget(new QLabel(QStringLiteral("Height:")), 1, 2);
    fixed->addWidget(txheight, 1, 3);
    fixed->addWidget(lblselectarea, 2, 0, 1, 4, Qt::AlignLeft);
    fixed->setRowStretch(3, 1);
    connect(lblselectarea, &LinkButton::clicked, this, &Tfrminputsettings::lblselectareaClick);

    pages()->addTab(ts1, QStringLiteral("General Options"));
    pages()->addTab(ts2, QStringLiteral("Fixed Region Options"));
    setMinimumSize(271, 215);
    readparams();
}

void Tfrminputsettings::readparams() {
    const IniFile f(settingsFile());
    cbshowhint->setChecked(read(f, keys::showhint, cbshowhint->isChecked()));
    for (const auto& [box, key] : regionBoxes(*this)) {
        const std::string stored = readAsText(f, key, box->text().toStdString());
        // A hand-edited value that is not a whole number keeps the box's own value.
        if (parseProfileInteger(stored)) {
            box->setText(QString::number(*parseProfileInteger(stored)));
        }
    }
    bgcolor->setColorValue(read(f, keys::screenbgcolor, bgcolor->colorValue()));
}

void Tfrminputsettings::saveparams(IniFile& f) {
    const std::pair<QLineEdit*, const char*> boxes[] = {
        {txstartx, "Start X"}, {txstarty, "Start Y"}, {txwidth, "Width"}, {txheight, "Height"}};
    for (const auto& [box, label] : boxes) {
        if (!parseProfileInteger(box->text().toStdString())) {
            pages()->setCurrentIndex(FixedRegionOptions);
            box->setFocus();
            throw Error(std::string(label) + " must be a whole number");
        }
    }
    // A region no capture can take: without area, or larger than a picture can be.
    if (const auto problem =
            checkFixedRegionSize(*parseProfileInteger(txwidth->text().toStdString()),
                                 *parseProfileInteger(txheight->text().toStdString()))) {
        pages()->setCurrentIndex(FixedRegionOptions);
        (problem->field == SizeField::Width ? txwidth : txheight)->setFocus();
        throw Error(problem->message);
    }
    write(f, keys::showhint, cbshowhint->isChecked());
    // The boxes' text as typed (it is a whole number, checked above).
    for (const auto& [box, key] : regionBoxes(*this)) {
        writeAsText(f, key, box->text().toStdString());
    }
    write(f, keys::screenbgcolor, bgcolor->colorValue());
}

void Tfrminputsettings::lblselectareaClick() {
    if (!m_pickRegion) {
        return;
    }
    std::optional<Rect> picked;
    // The dialog stays out of the picture while the screen is frozen.
    hide();
    runAction(this, [&] { picked = m_pickRegion(); });
    show();
    raise();
    activateWindow();
    if (picked) {
        txstartx->setText(QString::number(picked->left));
        txstarty->setText(QString::number(picked->top));
        txwidth->setText(QString::number(picked->width()));
        txheight->setText(QString::number(picked->height()));
    }
}

}  // namespace pelko
