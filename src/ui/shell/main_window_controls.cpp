// The controls of the main window's client area, each at its place and size.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ui/shell/main_window.h"
#include "ui/toolkit/app_icon.h"
#include "ui/toolkit/eliding_button.h"
#include "ui/toolkit/link_button.h"
#include "ui/toolkit/named.h"
#include "ui/toolkit/text_fit.h"

namespace pelko {

namespace {

// A control with the size given.
template <typename W>
W* place(W* widget, int x, int y, int w, int h) {
    widget->setGeometry(x, y, w, h);
    return widget;
}

// A control that takes the size its text needs (labels and check boxes).
template <typename W>
W* placeAuto(W* widget, int x, int y) {
    widget->move(x, y);
    widget->resize(widget->sizeHint());
    return widget;
}

}  // namespace

void TForm1::createControls() {
    lbltakescreenshot =
        named(new QPushButton(QStringLiteral("Capture screenshot"), this), "lbltakescreenshot");
    place(lbltakescreenshot, 8, 8, 225, 25);
    lbltakescreenshot->setIcon(pelkoIcon());
    connect(lbltakescreenshot, &QPushButton::clicked, this, &TForm1::lbltakescreenshotClick);

    gb1 = named(new QGroupBox(QStringLiteral("Capture settings"), this), "gb1");
    place(gb1, 8, 40, 225, 153);

    sLabel4 = placeAuto(named(new QLabel(QStringLiteral("Hotkey:"), gb1), "sLabel4"), 8, 36);
    sLabel1 = placeAuto(named(new QLabel(QStringLiteral("F9"), gb1), "sLabel1"), 56, 36);
    lbledithk = named(new LinkButton(QStringLiteral("Edit"), gb1), "lbledithk");
    place(lbledithk, 184, 34, 25, 17);
    lbledithk->setToolTip(QStringLiteral("Configure hotkeys"));
    connect(lbledithk, &LinkButton::clicked, this, &TForm1::lbledithkClick);

    sLabel2 = placeAuto(named(new QLabel(QStringLiteral("Input:"), gb1), "sLabel2"), 8, 70);
    btninput =
        place(named(new QPushButton(QStringLiteral("Input"), gb1), "btninput"), 48, 64, 137, 22);
    connect(btninput, &QPushButton::clicked, this, &TForm1::btninputClick);
    sSpeedButton9 =
        place(named(new QPushButton(QStringLiteral("..."), gb1), "sSpeedButton9"), 187, 64, 25, 22);
    sSpeedButton9->setToolTip(QStringLiteral("Configure Pelko"));
    connect(sSpeedButton9, &QPushButton::clicked, this, &TForm1::sSpeedButton9Click);

    sLabel3 = placeAuto(named(new QLabel(QStringLiteral("Output:"), gb1), "sLabel3"), 8, 95);
    btnafter =
        place(named(new ElidingButton(QStringLiteral("Output"), gb1), "btnafter"), 48, 91, 137, 22);
    connect(btnafter, &QPushButton::clicked, this, &TForm1::btnafterClick);
    sSpeedButton10 = place(named(new QPushButton(QStringLiteral("..."), gb1), "sSpeedButton10"),
                           187, 91, 25, 22);
    sSpeedButton10->setToolTip(QStringLiteral("Configure Pelko"));
    connect(sSpeedButton10, &QPushButton::clicked, this, &TForm1::lblscreensadv2Click);

    cbopenineditor = placeAuto(
        named(new QCheckBox(QStringLiteral("Open screenshot in Editor after capture"), gb1),
              "cbopenineditor"),
        12, 126);

    // The "Automatically" box frames the controls below it; they keep their places in the
    // client area.
    sGroupBox2 = named(new QGroupBox(QStringLiteral("Automatically"), this), "sGroupBox2");
    place(sGroupBox2, 8, 200, 225, 105);
    const QPoint box = sGroupBox2->pos();
    ssreccursor = placeAuto(
        named(new QCheckBox(QStringLiteral("Capture mouse pointer"), sGroupBox2), "ssreccursor"),
        20 - box.x(), 230 - box.y());
    cbenablewatermark =
        placeAuto(named(new QCheckBox(QStringLiteral("Add watermark to screenshot"), sGroupBox2),
                        "cbenablewatermark"),
                  20 - box.x(), 250 - box.y());
    label1 = named(new LinkButton(QStringLiteral("Options"), sGroupBox2), "label1");
    place(label1, 180, 50, 43, 17);
    label1->setToolTip(QStringLiteral("Watermark options"));
    connect(label1, &LinkButton::clicked, this, &TForm1::label1Click);
    cbenablescaling = placeAuto(
        named(new QCheckBox(QStringLiteral("Scale screenshot"), sGroupBox2), "cbenablescaling"),
        20 - box.x(), 270 - box.y());
    label2 = named(new LinkButton(QStringLiteral("Options"), sGroupBox2), "label2");
    place(label2, 180, 69, 43, 17);
    label2->setToolTip(QStringLiteral("Scaling options"));
    connect(label2, &LinkButton::clicked, this, &TForm1::label2Click);

    lblscreensadv =
        named(new LinkButton(QStringLiteral("Advanced Settings"), this), "lblscreensadv");
    place(lblscreensadv, 4, 310, 117, 17);
    lblscreensadv->setToolTip(QStringLiteral("Configure Pelko"));
    connect(lblscreensadv, &LinkButton::clicked, this, &TForm1::lblscreensadvClick);

    // Each box keeps its own value in the settings and then runs the one shared handler.
    const std::pair<QCheckBox*, bool MainSettings::*> boxes[] = {
        {cbopenineditor, &MainSettings::cbopenineditor},
        {ssreccursor, &MainSettings::ssreccursor},
        {cbenablewatermark, &MainSettings::cbenablewatermark},
        {cbenablescaling, &MainSettings::cbenablescaling},
    };
    for (const auto& [checkBox, field] : boxes) {
        connect(checkBox, &QCheckBox::toggled, this, [this, field](bool on) {
            m_settings.*field = on;
            ssreccursorClick();
        });
    }

    // The controls that act like links show the hand pointer.
    for (QWidget* w : std::initializer_list<QWidget*>{lbltakescreenshot, lbledithk, label1, label2,
                                                      lblscreensadv}) {
        w->setCursor(Qt::PointingHandCursor);
    }
}

}  // namespace pelko

namespace pelko {

// The controls have fixed places, so the window's font is the application's font made small
// enough (12 pixels at most) for every fixed text to fit its place.
void TForm1::fitTexts() {
    std::vector<TextPlace> places;
    const QFontMetrics current(font());
    auto checkBox = [&](QCheckBox* box, int right) {
        const int indicator = box->sizeHint().width() - current.horizontalAdvance(box->text());
        places.push_back({box->text(), right - box->x(), indicator});
    };
    constexpr int kGap = 4;
    checkBox(cbopenineditor, gb1->width() - kGap);
    checkBox(ssreccursor, sGroupBox2->width() - kGap);
    checkBox(cbenablewatermark, label1->x() - kGap);
    checkBox(cbenablescaling, label2->x() - kGap);
    places.push_back({sLabel4->text(), sLabel1->x() - sLabel4->x() - kGap, 0});
    places.push_back({sLabel2->text(), btninput->x() - sLabel2->x() - kGap, 0});
    places.push_back({sLabel3->text(), btnafter->x() - sLabel3->x() - kGap, 0});
    for (LinkButton* link : {lbledithk, label1, label2, lblscreensadv}) {
        places.push_back({link->text(), link->width(), 2});
    }
    // The longest caption the input button shows.
    constexpr int kButtonPadding = 12;
    places.push_back({QStringLiteral("Rounded corners area"), btninput->width(), kButtonPadding});
    places.push_back({lbltakescreenshot->text(), lbltakescreenshot->width(),
                      kButtonPadding + lbltakescreenshot->iconSize().width() + 4});

    // Style sheets stop fonts from passing from a widget to its children, so each control
    // gets the font itself.
    const QFont fitted = fitFont(QApplication::font(this), places, 12, 9);
    setFont(fitted);
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!w->isWindow()) {
            w->setFont(fitted);
        }
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{sLabel4, sLabel2, sLabel3, cbopenineditor, ssreccursor,
                                         cbenablewatermark, cbenablescaling}) {
        w->resize(w->sizeHint());
    }
    sLabel1->resize(lbledithk->x() - sLabel1->x(), sLabel1->sizeHint().height());
}

}  // namespace pelko
