#include "ui/dialogs/publish_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <exception>
#include <tuple>
#include <utility>

#include "core/settings/ftp_settings.h"
#include "ui/toolkit/app_icon.h"
#include "ui/toolkit/error_box.h"
#include "ui/toolkit/named.h"

namespace pelko {

namespace {

// The host the window shows until lib/ftp.ini names one.
const char* const kExampleHost = "ftp.example.com";

std::string text(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

Tfrmftp::Tfrmftp(std::string programDir, const MakeUploader& makeUploader, QWidget* parent)
    : QWidget(parent, Qt::Window), m_programDir(std::move(programDir)) {
    setObjectName(QStringLiteral("Tfrmftp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Publish Web"));
    setWindowIcon(pelkoIcon());
    createControls();
    m_session = makeUploader();
    readparams();
}

Tfrmftp::~Tfrmftp() {
    // Stops a running transfer at once and closes the connection, before the controls that
    // its reports would touch are gone (reports still queued for this window are dropped).
    m_session.reset();
}

void Tfrmftp::createControls() {
    auto label = [this](const char* caption, const char* name, QWidget* buddy) {
        auto* l = named(new QLabel(QString::fromLatin1(caption), this), name);
        l->setBuddy(buddy);
        return l;
    };
    txhost = named(new QLineEdit(QString::fromLatin1(kExampleHost), this), "txhost");
    txlogin = named(new QLineEdit(this), "txlogin");
    txpassword = named(new QLineEdit(this), "txpassword");
    txpassword->setEchoMode(QLineEdit::Password);
    cbshowpassword = named(new QCheckBox(QStringLiteral("Show"), this), "cbshowpassword");
    cbshowpassword->setToolTip(QStringLiteral("Show the password as typed"));
    cbsave = named(new QCheckBox(QStringLiteral("Save Password"), this), "cbsave");
    txfilename = named(new QLineEdit(this), "txfilename");
    txdir = named(new QLineEdit(QStringLiteral("/public_html/"), this), "txdir");
    txhost->setToolTip(QStringLiteral("Server name, or name:port"));

    btndisconnect = named(new QPushButton(QStringLiteral("Disconnect"), this), "btndisconnect");
    btndisconnect->setEnabled(false);
    progressbar1 = named(new QProgressBar(this), "progressbar1");
    progressbar1->setRange(0, 100);
    progressbar1->setValue(0);
    progressbar1->setFormat(QStringLiteral("%p%"));
    progressbar1->setTextVisible(true);
    m_statusLabel = named(new QLabel(this), "lblstatus");
    m_statusLabel->setMinimumHeight(m_statusLabel->fontMetrics().height());

    btnstart = named(new QPushButton(QStringLiteral("Start"), this), "btnstart");
    btncancel = named(new QPushButton(QStringLiteral("Cancel"), this), "btncancel");
    btncancel->setEnabled(false);
    sSpeedButton1 = named(new QPushButton(QStringLiteral("Close"), this), "sSpeedButton1");

    auto* grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (auto [caption, name, box] :
         {std::tuple{"Host", "lblhost", txhost}, std::tuple{"Login", "lbllogin", txlogin},
          std::tuple{"Password", "lblpassword", txpassword}}) {
        grid->addWidget(label(caption, name, box), row, 0);
        grid->addWidget(box, row, 1, 1, box == txpassword ? 1 : 2);
        if (box == txpassword) {
            grid->addWidget(cbshowpassword, row, 2);
        }
        ++row;
    }
    grid->addWidget(cbsave, row++, 1, 1, 2);
    for (auto [caption, name, box] : {std::tuple{"File name", "lblfilename", txfilename},
                                      std::tuple{"Folder", "lbldir", txdir}}) {
        grid->addWidget(label(caption, name, box), row, 0);
        grid->addWidget(box, row++, 1, 1, 2);
    }
    grid->addWidget(progressbar1, row, 0, 1, 2);
    grid->addWidget(btndisconnect, row++, 2);
    grid->addWidget(m_statusLabel, row++, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnstart);
    buttons->addWidget(btncancel);
    buttons->addStretch(1);
    buttons->addWidget(sSpeedButton1);
    grid->addLayout(buttons, row++, 0, 1, 3);
    txhost->setMinimumWidth(260);

    QWidget* order[] = {txhost, txlogin,  txpassword, cbshowpassword, cbsave,       txfilename,
                        txdir,  btnstart, btncancel,  btndisconnect,  sSpeedButton1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(cbshowpassword, &QCheckBox::toggled, this, [this](bool shown) {
        txpassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(btnstart, &QPushButton::clicked, this, &Tfrmftp::btnstartClick);
    connect(btncancel, &QPushButton::clicked, this, &Tfrmftp::btncancelClick);
    connect(btndisconnect, &QPushButton::clicked, this, &Tfrmftp::btndisconnectClick);
    connect(sSpeedButton1, &QPushButton::clicked, this, &Tfrmftp::sSpeedButton1Click);
}

void Tfrmftp::setFileToUpload(const std::string& path) {
    m_fileToUpload = path;
    m_fileUse = ScratchFileUse(path);
}

FtpSettings Tfrmftp::shownSettings() const {
    return {cbsave->isChecked(), text(txhost), text(txdir), text(txlogin), text(txpassword)};
}

void Tfrmftp::readparams() {
    FtpSettings s = readFtpSettings(ftpSettingsFile(m_programDir), shownSettings());
    cbsave->setChecked(s.savePassword);
    txhost->setText(QString::fromStdString(s.host));
    txdir->setText(QString::fromStdString(s.dir));
    txlogin->setText(QString::fromStdString(s.login));
    txpassword->setText(QString::fromStdString(s.password));
}

void Tfrmftp::saveparams() {
    saveFtpSettings(ftpSettingsFile(m_programDir), shownSettings());
}

void Tfrmftp::btnstartClick() {
    runAction(this, [this] {
        UploadRequest request{
            text(txhost), text(txlogin),  text(txpassword),
            text(txdir),  m_fileToUpload, std::string(fileNamePart(text(txfilename))),
        };
        m_uploadName = request.remoteName.empty() ? std::string(fileNamePart(m_fileToUpload))
                                                  : request.remoteName;
        const QString host = txhost->text();
        m_session->start(std::move(request), startReports());
        // "Start" waits until this start has ended; "Cancel" stops it, also while the
        // connection is being made (a server may take the connection and never answer).
        m_starting = true;
        btnstart->setEnabled(false);
        btncancel->setEnabled(true);
        m_statusLabel->setText(QStringLiteral("Connecting to %1...").arg(host));
    });
}

void Tfrmftp::btncancelClick() {
    if (!m_connected && !m_starting) {
        return;
    }
    m_session->cancel();
    stopped();
}

void Tfrmftp::btndisconnectClick() {
    if (!m_connected) {
        return;
    }
    m_session->disconnect();
    stopped();
}

void Tfrmftp::stopped() {
    ++m_start;
    m_connected = false;
    m_starting = false;
    btnstart->setEnabled(true);
    btncancel->setEnabled(false);
    btndisconnect->setEnabled(false);
    if (m_uploading) {
        // The server was told the transfer failed, but some servers keep what arrived.
        m_statusLabel->setText(
            QStringLiteral("Upload of %1 stopped; the file on the server may be incomplete.")
                .arg(QString::fromStdString(m_uploadName)));
        m_uploading = false;
    } else {
        m_statusLabel->clear();
    }
}

void Tfrmftp::sSpeedButton1Click() {
    if (m_connected) {
        btncancelClick();
    }
    close();
}

void Tfrmftp::closeEvent(QCloseEvent* event) {
    runAction(this, [this] { saveparams(); });
    QWidget::closeEvent(event);
}

UploadReports Tfrmftp::startReports() {
    const unsigned start = m_start;
    // Each report runs on the user-interface thread, in the order the session made them.
    auto post = [this](auto&& f) {
        QMetaObject::invokeMethod(this, std::forward<decltype(f)>(f), Qt::QueuedConnection);
    };
    UploadReports r;
    r.connected = [=, this] {
        post([=, this] {
            if (current(start)) {
                m_connected = true;
                btndisconnect->setEnabled(true);
            }
        });
    };
    r.folderChanged = [=, this] {
        post([=, this] {
            if (current(start)) {
                btnstart->setEnabled(false);
                btncancel->setEnabled(true);
            }
        });
    };
    r.begin = [=, this](std::int64_t max) {
        post([=, this] {
            if (current(start)) {
                IdFTP1WorkBegin(max);
            }
        });
    };
    r.work = [=, this](std::int64_t count) {
        post([=, this] {
            if (current(start)) {
                IdFTP1Work(count);
            }
        });
    };
    r.end = [=, this] {
        post([=, this] {
            IdFTP1WorkEnd(current(start));
            if (current(start)) {
                btnstart->setEnabled(true);
            }
        });
    };
    r.finished = [=, this](std::exception_ptr error, bool connected) {
        post([=, this] {
            if (current(start)) {
                startFinished(error, connected);
            }
        });
    };
    return r;
}

void Tfrmftp::IdFTP1WorkBegin(std::int64_t AWorkCountMax) {
    m_uploading = true;
    m_transferStart.start();
    m_status.reset();
    m_workCountMax = AWorkCountMax;
    // The gauge counts in int: files past 2 GiB are counted in larger units.
    m_progressShift = 0;
    while ((AWorkCountMax >> m_progressShift) > INT_MAX) {
        ++m_progressShift;
    }
    progressbar1->setValue(0);
    // Unknown size: the gauge shows that it is busy.
    progressbar1->setMaximum(AWorkCountMax > 0 ? int(AWorkCountMax >> m_progressShift) : 0);
}

void Tfrmftp::IdFTP1Work(std::int64_t AWorkCount) {
    progressbar1->setValue(int(std::min(AWorkCount, m_workCountMax) >> m_progressShift));
    double seconds = double(m_transferStart.elapsed()) / 1000.0;
    m_statusLabel->setText(
        QString::fromStdString(m_status.update(AWorkCount, m_workCountMax, seconds)));
}

void Tfrmftp::IdFTP1WorkEnd(bool current) {
    if (progressbar1->maximum() == 0) {
        progressbar1->setMaximum(100);
    }
    progressbar1->setValue(0);
    if (current) {
        // A stopped start keeps its "stopped" text.
        m_uploading = false;
        m_statusLabel->clear();
    }
    btncancel->setEnabled(false);
}

void Tfrmftp::startFinished(const std::exception_ptr& error, bool connected) {
    m_connected = connected;
    m_starting = false;
    btnstart->setEnabled(true);
    btncancel->setEnabled(false);
    btndisconnect->setEnabled(connected);
    if (error) {
        m_statusLabel->clear();
        runAction(this, [&] { std::rethrow_exception(error); });
    } else {
        m_statusLabel->setText(
            QStringLiteral("Uploaded %1.").arg(QString::fromStdString(m_uploadName)));
    }
    emit startEnded();
}

}  // namespace pelko
