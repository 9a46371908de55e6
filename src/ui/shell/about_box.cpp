#include "ui/shell/about_box.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "ui/toolkit/app_icon.h"
#include "ui/toolkit/link_button.h"

#ifndef PELKO_VERSION
#define PELKO_VERSION "unknown"
#endif
#ifndef PELKO_BUILD_DATE
#define PELKO_BUILD_DATE "unknown"
#endif

namespace pelko {

const char* const Tfrmabout::kWebSite = "https://pelko.example.org/";
const char* const Tfrmabout::kEmail = "support@pelko.example.org";

Tfrmabout::Tfrmabout(bool& aboutOpen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_aboutOpen(aboutOpen) {
    m_aboutOpen = true;
    setObjectName(QStringLiteral("Tfrmabout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Pelko"));
    setWindowIcon(pelkoIcon());
    setFixedSize(305, 318);

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("imgbanner"));
    banner->setGeometry(0, 0, 305, 65);
    banner->setPixmap(aboutBanner(305, 65));

    auto* description = new QLabel(
        QStringLiteral("Pelko captures the whole screen, the active window, a fixed region or "
                       "an area you select, and saves, copies, mails or publishes the picture "
                       "the moment it is taken."),
        this);
    description->setObjectName(QStringLiteral("lbldescription"));
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setGeometry(8, 72, 289, 57);

    auto* build =
        new QLabel(QStringLiteral("Version %1, built on %2")
                       .arg(QStringLiteral(PELKO_VERSION), QStringLiteral(PELKO_BUILD_DATE)),
                   this);
    build->setObjectName(QStringLiteral("lblbuild"));
    build->move(8, 144);
    build->resize(289, build->sizeHint().height());

    auto* webLabel = new QLabel(QStringLiteral("Web-site:"), this);
    webLabel->move(8, 168);
    webLabel->resize(webLabel->sizeHint());
    auto* mailLabel = new QLabel(QStringLiteral("E-mail:"), this);
    mailLabel->move(8, 184);
    mailLabel->resize(mailLabel->sizeHint());
    const int linkLeft = 8 + std::max(webLabel->width(), mailLabel->width()) + 6;

    auto* lbl1 = new LinkButton(QString::fromLatin1(kWebSite), this);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->move(linkLeft, 168);
    lbl1->resize(lbl1->sizeHint().width(), webLabel->height());
    connect(lbl1, &LinkButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSite))); });

    auto* lbl2 = new LinkButton(QString::fromLatin1(kEmail), this);
    lbl2->setObjectName(QStringLiteral("lbl2"));
    lbl2->move(linkLeft, 184);
    lbl2->resize(lbl2->sizeHint().width(), mailLabel->height());
    connect(lbl2, &LinkButton::clicked, this, [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kEmail)));
    });

    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("btnclose"));
    closeButton->setGeometry(224, 288, 75, 25);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

Tfrmabout::~Tfrmabout() {
    m_aboutOpen = false;
}

void Tfrmabout::closeEvent(QCloseEvent* event) {
    m_aboutOpen = false;
    event->accept();
}

}  // namespace pelko
