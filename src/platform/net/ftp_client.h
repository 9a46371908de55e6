#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/net/curl_handles.h"
#include "platform/net/ftp_address.h"

namespace pelko {

// Who logs on where. An empty user logs on anonymously.
struct FtpLogon {
    FtpAddress address;
    std::string user;
    std::string password;

    bool operator==(const FtpLogon&) const = default;
};

// How long the client waits before it gives up; each ends the operation with a message.
struct FtpTimeouts {
    // From the start of a connection until the server has greeted and taken the log-on.
    std::chrono::seconds connect{30};
    // For each reply of the server, and for its connection for the data of a transfer.
    std::chrono::seconds reply{30};
    // A transfer that moves no byte for this long.
    std::chrono::seconds stalled{60};
};

// Reports of an upload, made on the thread that runs it: the start with the number of bytes
// to send, then the bytes sent so far (growing, ending at the total when the upload
// succeeds), then the end, which comes also when the upload fails.
struct FtpProgress {
    std::function<void(std::int64_t total)> begin;
    std::function<void(std::int64_t sent)> work;
    std::function<void()> end;
};

// An FTP client on libcurl: one control connection, opened by connect and kept between
// uploads until disconnect, with binary transfers over active data connections (the client
// listens, the server connects to it).
//
// connect, changeDir, upload and disconnect block the thread that calls them, one at a time,
// each no longer than the time-outs allow; abortAtNextProgress and stopNow may be called from
// any other thread while they run. Failures raise pelko::Error with the server's reply when the
// server refused, a message of its own when a time-out ran out, else libcurl's message (with
// the system's reason). A stopped upload resets its data connection, so the server sees a
// failed transfer, not a short file.
class FtpClient {
  public:
    explicit FtpClient(FtpTimeouts timeouts = {});
    ~FtpClient();  // disconnects (QUIT)
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // Connects and logs on (greeting, USER, PASS). An open connection with the same logon
    // serves as it is; one with another logon is closed first.
    void connect(const FtpLogon& logon);
    // Changes to the folder (see ftpUrl for how it is read); the uploads that follow go there.
    void changeDir(std::string_view folder);
    // Sends the local file with STOR under the remote name in the current folder (TYPE I);
    // an empty remote name stands for the local file's name.
    void upload(const std::string& localPath, std::string_view remoteName,
                const FtpProgress& progress);
    // Closes the connection, with QUIT when it is still open.
    void disconnect();
    // Whether the control connection was open at the end of the last operation.
    bool connected() const { return m_connected; }

    // The running operation stops at its next progress report: an upload, and also a
    // connection that is still being made (libcurl reports progress while it connects).
    void abortAtNextProgress();
    // The running operation stops at once; its connection is closed.
    void stopNow();
    // Forgets both requests, for the next operation.
    void clearAborts();

  private:
    void ensureHandles();
    void closeHandles();
    void configure(const std::string& url, bool upload);
    void perform();
    std::string failureMessage(CURLcode code) const;
    std::string timeoutMessage() const;
    // Makes the close of the data connection a reset (an aborted transfer, not end of file).
    void abortDataConnection() const;
    // Of the bytes handed to the data connection, those the server has acknowledged.
    std::int64_t bytesTaken(curl_off_t handedOver) const;

    static int onProgress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static int onSocket(void* self, curl_socket_t socket, curlsocktype purpose);
    static int onCloseSocket(void* self, curl_socket_t socket);
    static size_t onRead(char* buffer, size_t size, size_t count, void* fd);

    FtpTimeouts m_timeouts;
    CurlGlobal m_global;
    CurlEasy m_easy;
    CurlMulti m_multi;        // holds the open connection between operations
    std::mutex m_multiMutex;  // m_multi against stopNow from other threads

    std::atomic<bool> m_abortRequested{false};
    std::atomic<bool> m_stop{false};

    FtpLogon m_logon;
    std::string m_folder;
    bool m_connected = false;
    bool m_connecting = false;  // connect's operation is under way

    // The upload under way.
    const FtpProgress* m_progress = nullptr;
    std::int64_t m_reported = 0;
    std::int64_t m_uploadSize = 0;
    curl_off_t m_handedOver = 0;  // bytes handed to the data connection
    bool m_dataAccepted = false;  // the server has opened this operation's data connection

    curl_socket_t m_dataSocket = CURL_SOCKET_BAD;  // the open data connection, if any
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::string m_lastReply;  // the last reply line of the server
};

}  // namespace pelko
