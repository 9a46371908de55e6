#include "ui/dialogs/publish_window.h"
#include "platform/net/ftp_uploader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/net/ftp_test_helpers.h"
#include "support/temp_dir.h"
#include "ui/message_boxes.h"

namespace pelko {
namespace {

using namespace test;

// The states of "Start", "Cancel" and "Disconnect".
struct Buttons {
    bool start, cancel, disconnect;
    bool operator==(const Buttons&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Buttons& b) {
    return out << "start " << b.start << ", cancel " << b.cancel << ", disconnect " << b.disconnect;
}
Buttons buttonsOf(const Tfrmftp* w) {
    return {w->btnstart->isEnabled(), w->btncancel->isEnabled(), w->btndisconnect->isEnabled()};
}

// Every value the gauge took, with its maximum at that moment.
struct GaugeRecord {
    std::vector<int> values, maxima;
    explicit GaugeRecord(QProgressBar* bar) {
        QObject::connect(bar, &QProgressBar::valueChanged, [this, bar](int v) {
            values.push_back(v);
            maxima.push_back(bar->maximum());
        });
    }
};

class PublishWindow : public ::testing::Test {
  protected:
    ~PublishWindow() override {
        for (QPointer<Tfrmftp>& w : m_windows) {
            delete w.data();
        }
    }

    std::string iniFile() const { return home.path() + "/lib/ftp.ini"; }

    // A window as a capture opens it: the file set, its name in txfilename, shown.
    Tfrmftp* open(const std::string& file, const FtpTimeouts& timeouts = {}) {
        auto* w = new Tfrmftp(home.path(), ftpUploaders(timeouts));
        w->setFileToUpload(file);
        w->txfilename->setText(QString::fromStdString(std::filesystem::path(file).filename()));
        w->show();
        m_windows.emplace_back(w);
        return w;
    }

    // A window filled in for the server.
    Tfrmftp* openFor(const FtpTestServer& server, const std::string& file,
                     const char* password = "secret", const char* folder = "/public_html/") {
        Tfrmftp* w = open(file);
        w->txhost->setText(QString::fromStdString(server.hostText()));
        w->txlogin->setText(QStringLiteral("pelko"));
        w->txpassword->setText(QString::fromLatin1(password));
        w->txdir->setText(QString::fromLatin1(folder));
        return w;
    }

    // Presses "Start" and waits until the start has ended (and its error box was answered).
    static void startAndWait(Tfrmftp* w) {
        QSignalSpy ended(w, &Tfrmftp::startEnded);
        QTest::mouseClick(w->btnstart, Qt::LeftButton);
        ASSERT_TRUE(ended.count() > 0 || ended.wait(20000));
    }

    std::string localFile(const std::string& name, const std::string& data) {
        std::string path = files.file(name);
        writeText(path, data);
        return path;
    }

    TempDir home;
    TempDir files;
    MessageBoxes boxes;

  private:
    std::vector<QPointer<Tfrmftp>> m_windows;
};

TEST_F(PublishWindow, ShowsEveryControl) {
    Tfrmftp* w = open(files.file("shot 1.png"));
    EXPECT_EQ(w->windowTitle(), "Publish Web");
    EXPECT_EQ(w->objectName(), "Tfrmftp");
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    struct Control {
        const char* name;
        const char* text;
        bool enabled;
    } controls[] = {
        {"txhost", "ftp.example.com", true},
        {"txlogin", "", true},
        {"txpassword", "", true},
        {"cbshowpassword", "Show", true},
        {"cbsave", "Save Password", true},
        {"txfilename", "shot 1.png", true},
        {"txdir", "/public_html/", true},
        {"btndisconnect", "Disconnect", false},
        {"btnstart", "Start", true},
        {"btncancel", "Cancel", false},
        {"sSpeedButton1", "Close", true},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* widget = w->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_TRUE(widget);
        EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(c.text));
        EXPECT_EQ(widget->isEnabled(), c.enabled);
    }
    // The password is masked until "Show" is checked.
    EXPECT_EQ(w->txpassword->echoMode(), QLineEdit::Password);
    w->cbshowpassword->setChecked(true);
    EXPECT_EQ(w->txpassword->echoMode(), QLineEdit::Normal);
    w->cbshowpassword->setChecked(false);
    EXPECT_EQ(w->txpassword->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w->cbsave->isChecked());

    // Each box has its label.
    std::map<QString, QString> labels;
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->buddy()) {
            labels[l->buddy()->objectName()] = l->text();
        }
    }
    EXPECT_EQ(labels, (std::map<QString, QString>{{"txhost", "Host"},
                                                  {"txlogin", "Login"},
                                                  {"txpassword", "Password"},
                                                  {"txfilename", "File name"},
                                                  {"txdir", "Folder"}}));

    EXPECT_EQ(w->progressbar1->value(), 0);
    EXPECT_EQ(w->progressbar1->text(), "0%");

    // Tab order of the boxes and the check box.
    std::vector<QString> order;
    QWidget* at = w->txhost;
    for (int i = 0; i < 7; ++i, at = at->nextInFocusChain()) {
        while (!(at->focusPolicy() & Qt::TabFocus)) {
            at = at->nextInFocusChain();
        }
        order.push_back(at->objectName());
    }
    EXPECT_EQ(order, (std::vector<QString>{"txhost", "txlogin", "txpassword", "cbshowpassword",
                                           "cbsave", "txfilename", "txdir"}));
}

TEST_F(PublishWindow, KeepsItsSettingsInFtpIniOwnerOnly) {
    // No lib/ftp.ini: the window's own values; closing creates the file without a password.
    Tfrmftp* w = open(files.file("a.png"));
    w->txpassword->setText(QStringLiteral("typed"));
    QTest::mouseClick(w->sSpeedButton1, Qt::LeftButton);
    QPointer<Tfrmftp> closed(w);
    QTRY_VERIFY(closed.isNull());  // deleted on close
    EXPECT_EQ(readText(iniFile()),
              "[main]\nsavepass=0\nhost=ftp.example.com\ndir=/public_html/\nlogin=\n");
    struct stat st {};
    ASSERT_EQ(::stat(iniFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // "Save Password" checked: the password is stored; the next window loads everything.
    w = open(files.file("b.png"));
    w->txhost->setText(QStringLiteral("ftp.pelko.test:2121"));
    w->txlogin->setText(QStringLiteral("me"));
    w->txpassword->setText(QStringLiteral("pw"));
    w->txdir->setText(QStringLiteral("/www/"));
    w->cbsave->setChecked(true);
    w->close();  // as by the title bar
    EXPECT_EQ(readText(iniFile()),
              "[main]\nsavepass=1\nhost=ftp.pelko.test:2121\ndir=/www/\nlogin=me\npassword=pw\n");
    w = open(files.file("c.png"));
    EXPECT_TRUE(w->cbsave->isChecked());
    EXPECT_EQ(w->txhost->text(), "ftp.pelko.test:2121");
    EXPECT_EQ(w->txlogin->text(), "me");
    EXPECT_EQ(w->txpassword->text(), "pw");
    EXPECT_EQ(w->txdir->text(), "/www/");
    EXPECT_EQ(w->txfilename->text(), "c.png");

    // Unchecked and closed: the stored password is removed and no longer loaded.
    w->cbsave->setChecked(false);
    w->close();
    EXPECT_EQ(readText(iniFile()),
              "[main]\nsavepass=0\nhost=ftp.pelko.test:2121\ndir=/www/\nlogin=me\n");
    w = open(files.file("d.png"));
    EXPECT_FALSE(w->cbsave->isChecked());
    EXPECT_EQ(w->txpassword->text(), "");
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(PublishWindow, ShowsTextWrittenOnWindowsAndKeepsItsBytes) {
    // Written on Windows, in its ANSI code page (Windows-1252).
    std::filesystem::create_directories(home.path() + "/lib");
    const std::string windows =
        "[main]\r\nsavepass=1\r\nhost=ftp.example.com\r\ndir=/Gr\xF6\xDF"
        "e/\r\nlogin=j\xF6rg\r\npassword=p\xE4ss\x80\r\n";
    writeText(iniFile(), windows);
    Tfrmftp* w = open(files.file("a.png"));
    EXPECT_EQ(w->txdir->text(), QString::fromUtf8("/Größe/"));
    EXPECT_EQ(w->txlogin->text(), QString::fromUtf8("jörg"));
    EXPECT_EQ(w->txpassword->text(), QString::fromUtf8("päss€"));
    w->close();
    EXPECT_EQ(readText(iniFile()), windows);  // unedited: byte for byte

    w = open(files.file("b.png"));
    w->txpassword->setText(QString::fromUtf8("pässwört€"));
    w->close();
    EXPECT_EQ(readText(iniFile()),
              "[main]\r\nsavepass=1\r\nhost=ftp.example.com\r\ndir=/Gr\xF6\xDF"
              "e/\r\nlogin=j\xF6rg\r\npassword=p\xE4ssw\xF6rt\x80\r\n");
    w = open(files.file("c.png"));
    EXPECT_EQ(w->txpassword->text(), QString::fromUtf8("pässwört€"));
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(PublishWindow, UnwritableSettingsShowTheErrorAndStillClose) {
    std::filesystem::create_directories(home.path() + "/lib/ftp.ini");  // a folder in its place
    QPointer<Tfrmftp> w = open(files.file("a.png"));
    w->close();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text.toStdString(), "Unable to write to " + iniFile());
    QTRY_VERIFY(w.isNull());
}

TEST_F(PublishWindow, StartUploadsTheFileWithProgressInBytes) {
    FtpTestServer server;
    std::string data = randomBytes(1'000'000);
    Tfrmftp* w = openFor(server, localFile("shot.png", data));
    w->txfilename->setText(QStringLiteral("web shot.png"));
    GaugeRecord gauge(w->progressbar1);
    startAndWait(w);
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_EQ(readText(server.root() + "/public_html/web shot.png"), data);
    ASSERT_GE(gauge.values.size(), 2u);
    EXPECT_EQ(gauge.maxima[gauge.values.size() - 2], 1'000'000);
    EXPECT_EQ(gauge.values[gauge.values.size() - 2], 1'000'000);  // up to the size...
    EXPECT_EQ(gauge.values.back(), 0);                            // ...then 0
    EXPECT_TRUE(std::is_sorted(gauge.values.begin(), gauge.values.end() - 1));
    EXPECT_EQ(w->findChild<QLabel*>("lblstatus")->text(), "Uploaded web shot.png.");
    // The connection stays open: "Start" again uploads over it.
    EXPECT_EQ(buttonsOf(w), (Buttons{true, false, true}));

    // txfilename cleared: the local file's name.
    w->txfilename->clear();
    startAndWait(w);
    EXPECT_EQ(readText(server.root() + "/public_html/shot.png"), data);
    EXPECT_EQ(countCommands(server.log(), "USER"), 1);

    QTest::mouseClick(w->btndisconnect, Qt::LeftButton);
    EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false}));
    QTRY_COMPARE(countCommands(server.log(), "QUIT"), 1);
}

TEST_F(PublishWindow, FailuresShowTheClientsMessageWithSaneButtons) {
    FtpTestServer server;
    FtpTestServer dropping({.dropAfter = 200000});
    std::string file = localFile("shot.png", randomBytes(8'000'000));
    std::uint16_t closed = closedPort();
    struct Case {
        const char* what;
        const FtpTestServer* server;
        std::string host;  // instead of the server's, when not empty
        const char* password;
        const char* folder;
        std::string message;  // "refused": libcurl's message for a refused connection
        Buttons after;
    } cases[] = {
        {"wrong password",
         &server,
         "",
         "wrong",
         "/public_html/",
         "530 Authentication failed.",
         {true, false, false}},
        {"unknown folder",
         &server,
         "",
         "secret",
         "/nope/",
         "550 No such file or directory.",
         {true, false, true}},
        {"refused connection",
         &server,
         "127.0.0.1:" + std::to_string(closed),
         "secret",
         "/",
         "refused",
         {true, false, false}},
        {"dropped transfer",
         &dropping,
         "",
         "secret",
         "/public_html/",
         "Failed sending data to the peer",
         {true, false, false}},
        {"bad port",
         &server,
         "127.0.0.1:0",
         "secret",
         "/",
         "Invalid port number in \"127.0.0.1:0\"",
         {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.seen.clear();
        Tfrmftp* w = openFor(*c.server, file, c.password, c.folder);
        if (!c.host.empty()) {
            w->txhost->setText(QString::fromStdString(c.host));
        }
        QTest::mouseClick(w->btnstart, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1u, 20000);
        EXPECT_EQ(boxes.seen[0].title, "Pelko");
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
        std::string message = boxes.seen[0].text.toStdString();
        if (c.message == "refused") {
            EXPECT_TRUE(isRefusedMessage(message, closed)) << message;
        } else {
            EXPECT_EQ(message, c.message);
        }
        QTest::qWait(20);
        EXPECT_EQ(buttonsOf(w), c.after);
        EXPECT_EQ(w->progressbar1->value(), 0);
    }
    EXPECT_EQ(countCommands(server.log(), "STOR"), 0);  // nothing after a failed log-on or CWD
    EXPECT_FALSE(std::filesystem::exists(server.root() + "/shot.png"));
}

// "Cancel" and "Disconnect" during a throttled upload: the window answers at once, the
// transfer stops (at its next progress report, or at once), no error is shown, and a second
// "Start" works.
TEST_F(PublishWindow, CancelAndDisconnectStopAnUploadAndLeaveTheWindowUsable) {
    FtpTestServer server({.rate = 200000});
    std::string big = localFile("big.png", randomBytes(16'000'000));
    std::string small = localFile("small.png", "small");
    for (const char* button : {"btncancel", "btndisconnect"}) {
        SCOPED_TRACE(button);
        Tfrmftp* w = openFor(server, big);
        QTest::mouseClick(w->btnstart, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->progressbar1->value() > 0, 20000);
        EXPECT_EQ(w->progressbar1->maximum(), 16'000'000);
        EXPECT_EQ(buttonsOf(w), (Buttons{false, true, true}));
        EXPECT_FALSE(w->findChild<QLabel*>("lblstatus")->text().isEmpty());

        // The click returns with the window's answer: the whole transfer would take 80 s.
        QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
        EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false}));
        EXPECT_EQ(w->findChild<QLabel*>("lblstatus")->text(),
                  "Upload of big.png stopped; the file on the server may be incomplete.");
        QTRY_COMPARE_WITH_TIMEOUT(w->progressbar1->value(), 0, 5000);  // the transfer's end
        QTest::qWait(50);
        EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false}));
        EXPECT_EQ(w->findChild<QLabel*>("lblstatus")->text(),
                  "Upload of big.png stopped; the file on the server may be incomplete.");
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_LT(std::filesystem::file_size(server.root() + "/public_html/big.png"), 16'000'000u);

        w->setFileToUpload(small);
        w->txfilename->clear();
        startAndWait(w);
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(readText(server.root() + "/public_html/small.png"), "small");
        EXPECT_EQ(buttonsOf(w), (Buttons{true, false, true}));
    }
}

TEST_F(PublishWindow, CloseDuringAnUploadStopsItAndSavesTheSettings) {
    FtpTestServer server({.rate = 200000});
    QPointer<Tfrmftp> w = openFor(server, localFile("big.png", randomBytes(16'000'000)));
    QTest::mouseClick(w->btnstart, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w->progressbar1->value() > 0, 20000);
    QTest::mouseClick(w->sSpeedButton1, Qt::LeftButton);
    QTRY_VERIFY(w.isNull());
    // Stopped, not finished: the whole transfer would take 80 s.
    EXPECT_LT(std::filesystem::file_size(server.root() + "/public_html/big.png"), 16'000'000u);
    EXPECT_TRUE(std::filesystem::exists(iniFile()));
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(PublishWindow, SeveralWindowsUploadTheirOwnFiles) {
    FtpTestServer server;
    std::string a = randomBytes(2'000'000, 1), b = randomBytes(2'000'000, 2);
    Tfrmftp* first = openFor(server, localFile("a.png", a));
    Tfrmftp* second = openFor(server, localFile("b.png", b));
    QSignalSpy firstEnded(first, &Tfrmftp::startEnded), secondEnded(second, &Tfrmftp::startEnded);
    QTest::mouseClick(first->btnstart, Qt::LeftButton);
    QTest::mouseClick(second->btnstart, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(firstEnded.count() == 1 && secondEnded.count() == 1, 20000);
    EXPECT_EQ(readText(server.root() + "/public_html/a.png"), a);
    EXPECT_EQ(readText(server.root() + "/public_html/b.png"), b);
    EXPECT_EQ(countCommands(server.log(), "USER"), 2);  // a connection each
    EXPECT_TRUE(boxes.seen.empty());
}

// A server that takes the connection and never answers: "Cancel" works while the window
// connects (no error, the connection closed, "Start" usable again), and otherwise the time-out
// ends the start with a message.
TEST_F(PublishWindow, AServerThatNeverAnswersCanBeCancelledAndTimesOut) {
    SilentServer silent;
    const std::string file = localFile("shot.png", "picture");
    const QString host = QString::fromStdString(silent.hostText());
    const QString connecting = QStringLiteral("Connecting to %1...").arg(host);
    QLabel* status = nullptr;
    {
        SCOPED_TRACE("Cancel while connecting");
        Tfrmftp* w = open(file);  // the usual time-outs, far longer than this test waits
        w->txhost->setText(host);
        status = w->findChild<QLabel*>("lblstatus");
        QTest::mouseClick(w->btnstart, Qt::LeftButton);
        EXPECT_EQ(buttonsOf(w), (Buttons{false, true, false}));
        EXPECT_EQ(status->text(), connecting);
        QTRY_COMPARE_WITH_TIMEOUT(silent.accepted(), 1, 20000);
        QTest::mouseClick(w->btncancel, Qt::LeftButton);
        EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false}));
        EXPECT_EQ(status->text(), "");
        QTRY_COMPARE_WITH_TIMEOUT(silent.open(), 0, 20000);  // the worker let go at once
        EXPECT_TRUE(boxes.seen.empty());
    }
    {
        SCOPED_TRACE("time-out");
        Tfrmftp* w =
            open(file, {std::chrono::seconds(1), std::chrono::seconds(1), std::chrono::seconds(1)});
        w->txhost->setText(host);
        status = w->findChild<QLabel*>("lblstatus");
        QTest::mouseClick(w->btnstart, Qt::LeftButton);
        EXPECT_EQ(status->text(), connecting);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1u, 20000);
        EXPECT_EQ(boxes.seen[0].text, "The server did not answer within 1 second.");
        EXPECT_EQ(buttonsOf(w), (Buttons{true, false, false}));
        EXPECT_EQ(status->text(), "");
        QTRY_COMPARE_WITH_TIMEOUT(silent.open(), 0, 20000);
    }
}

}  // namespace
}  // namespace pelko
