#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/net/ftp_client.h"

namespace pelko {

// One press of an upload window's "Start": where to log on, the folder, the file.
struct FtpUploadRequest {
    FtpLogon logon;
    std::string folder;
    std::string localFile;
    std::string remoteName;  // empty: the local file's name
};

// What a start reports, on the session's thread, in this order: connected (logged on),
// folderChanged, the upload's progress (begin, work, end), then finished. A failure skips the
// steps after it; finished always comes, last, with the error (none after a success or when
// the start was stopped by cancel or disconnect) and whether the connection is still open.
struct FtpStartReports {
    std::function<void()> connected;
    std::function<void()> folderChanged;
    FtpProgress progress;
    std::function<void(std::exception_ptr error, bool connected)> finished;
};

// An FTP connection worked on a thread of its own, so that the window using it stays
// responsive. Requests run one after another in the order they were made.
class FtpSession {
  public:
    explicit FtpSession(FtpTimeouts timeouts = {});
    // The running operation stops at once, requests not yet begun are dropped, and the
    // connection is closed (QUIT) before the thread ends.
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Connects and logs on (an open connection with the same logon serves), changes to the
    // folder, and uploads the file. A failure to connect, log on or change the folder ends
    // the start there: nothing is uploaded.
    void start(FtpUploadRequest request, FtpStartReports reports);
    // A running start stops at its next progress report, during its upload or while it is
    // still connecting; then the connection is closed.
    void cancel();
    // A running operation stops at once; then the connection is closed.
    void disconnect();

  private:
    struct Job {
        bool isStart = false;
        FtpUploadRequest request;
        FtpStartReports reports;
    };
    void run();
    void runStart(Job& job);

    FtpClient m_client;  // used on the session's thread, but for its abort calls
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_ending = false;
    bool m_stopped = false;  // the running start was stopped by the user
    std::thread m_thread;    // last: starts when everything else is ready
};

}  // namespace pelko
