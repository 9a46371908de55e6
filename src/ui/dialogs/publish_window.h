#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "core/output/scratch_folder.h"
#include "core/output/uploader.h"
#include "ui/dialogs/transfer_status.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pelko {

struct FtpSettings;

// The FTP upload window "Publish Web": uploads one file to a web server. The connection
// details come from lib/ftp.ini when the window is created and go back there when it closes.
// The connection and the transfer run on a thread of the window's own (its Uploader), so the
// window stays responsive: "Cancel" stops a start at its next progress report (a transfer, or
// a connection still being made), "Disconnect" at once. The window deletes itself when closed;
// several may be open at once, each with its own file and connection.
class Tfrmftp : public QWidget {
    Q_OBJECT

  public:
    Tfrmftp(std::string programDir, const MakeUploader& makeUploader, QWidget* parent = nullptr);
    ~Tfrmftp() override;

    // The full local path of the file to upload, set before the window is shown. The creator
    // also puts the file's name into txfilename.
    void setFileToUpload(const std::string& path);
    const std::string& fileToUpload() const { return m_fileToUpload; }

    // lib/ftp.ini to the controls, and back.
    void readparams();
    void saveparams();

    QLineEdit* txhost = nullptr;
    QLineEdit* txlogin = nullptr;
    QLineEdit* txpassword = nullptr;  // masked unless cbshowpassword is checked
    QCheckBox* cbshowpassword = nullptr;
    QCheckBox* cbsave = nullptr;
    QLineEdit* txfilename = nullptr;
    QLineEdit* txdir = nullptr;
    QPushButton* btndisconnect = nullptr;
    QProgressBar* progressbar1 = nullptr;
    QPushButton* btnstart = nullptr;
    QPushButton* btncancel = nullptr;
    QPushButton* sSpeedButton1 = nullptr;

  public slots:
    void btnstartClick();
    void btncancelClick();
    void btndisconnectClick();
    void sSpeedButton1Click();

  signals:
    // A start has ended, after its error (if any) was shown; not for a start that "Cancel"
    // or "Disconnect" ended.
    void startEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    FtpSettings shownSettings() const;
    // The reports of one start, handed to this window's thread. Reports of a start that
    // "Cancel" or "Disconnect" ended no longer change the buttons.
    UploadReports startReports();
    bool current(unsigned start) const { return start == m_start; }

    // The progress of the transfer.
    void IdFTP1WorkBegin(std::int64_t AWorkCountMax);
    void IdFTP1Work(std::int64_t AWorkCount);
    void IdFTP1WorkEnd(bool current);
    // "Cancel" or "Disconnect" ended the start; an upload under way is left unfinished.
    void stopped();
    // The end of a start: the connection's state and its error.
    void startFinished(const std::exception_ptr& error, bool connected);

    std::string m_programDir;
    std::string m_fileToUpload;
    ScratchFileUse m_fileUse;  // keeps purges of the scratch folder off the file
    bool m_connected = false;  // the control connection is open, as last reported
    bool m_starting = false;   // a start is under way (connecting, changing folder, uploading)
    QElapsedTimer m_transferStart;
    TransferStatus m_status;
    std::int64_t m_workCountMax = 0;
    int m_progressShift = 0;  // the gauge counts in units of 2^shift bytes (past 2 GiB)
    unsigned m_start = 0;     // counts the starts ended by "Cancel" or "Disconnect"
    QLabel* m_statusLabel = nullptr;
    bool m_uploading = false;  // between the transfer's begin and end
    std::string m_uploadName;  // the remote name of the running start's file
    std::unique_ptr<Uploader> m_session;
};

}  // namespace pelko
