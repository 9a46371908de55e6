#include "platform/net/ftp_client.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/output/uploader.h"

namespace pelko {

namespace {

// The longest wait for the server between two looks at stopNow's request; a request wakes
// the wait at once, so this only bounds how long a lost wake-up could delay it.
constexpr int kPollMilliseconds = 1000;

constexpr const char* kAborted = "Transfer aborted.";

long long milliseconds(std::chrono::seconds s) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(s).count();
}

std::string secondsText(std::chrono::seconds s) {
    return std::to_string(s.count()) + (s.count() == 1 ? " second" : " seconds");
}

void check(CURLcode code) {
    if (code != CURLE_OK) {
        throw Error(curlLibrary().easy_strerror(code));
    }
}

template <typename T>
void set(CURL* easy, CURLoption option, T value) {
    check(curlLibrary().easy_setopt(easy, option, value));
}

}  // namespace

FtpClient::FtpClient(FtpTimeouts timeouts) : m_timeouts(timeouts) {}

FtpClient::~FtpClient() {
    closeHandles();
}

void FtpClient::ensureHandles() {
    if (m_easy) {
        return;
    }
    CurlEasy easy(curlLibrary().easy_init());
    CurlMulti multi(curlLibrary().multi_init());
    if (!easy || !multi) {
        throw Error(curlLibrary().easy_strerror(CURLE_OUT_OF_MEMORY));
    }
    CURL* e = easy.get();
    set(e, CURLOPT_NOSIGNAL, 1L);  // several threads may run clients
    set(e, CURLOPT_PROTOCOLS_STR, "ftp");
    set(e, CURLOPT_ERRORBUFFER, m_errorBuffer);
    // Active data connections: listen on the control connection's local address, announced
    // with PORT (EPRT only where IPv6 needs it).
    set(e, CURLOPT_FTPPORT, "-");
    set(e, CURLOPT_FTP_USE_EPRT, 0L);
    // One CWD with the whole folder, as the user typed it.
    set(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    set(e, CURLOPT_TRANSFERTEXT, 0L);  // binary: TYPE I
    // A server that accepts the connection and then says nothing, or a transfer that stops
    // moving, ends the operation instead of keeping the window waiting for ever.
    set(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(milliseconds(m_timeouts.connect)));
    set(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(m_timeouts.reply.count()));
    set(e, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(milliseconds(m_timeouts.reply)));
    set(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_timeouts.stalled.count()));
    set(e, CURLOPT_NOPROGRESS, 0L);
    set(e, CURLOPT_XFERINFOFUNCTION, &FtpClient::onProgress);
    set(e, CURLOPT_XFERINFODATA, this);
    // The server's replies, for the messages of failures; nothing is printed.
    set(e, CURLOPT_VERBOSE, 1L);
    set(e, CURLOPT_DEBUGFUNCTION, &FtpClient::onDebug);
    set(e, CURLOPT_DEBUGDATA, this);
    set(e, CURLOPT_READFUNCTION, &FtpClient::onRead);
    set(e, CURLOPT_SOCKOPTFUNCTION, &FtpClient::onSocket);
    set(e, CURLOPT_SOCKOPTDATA, this);
    set(e, CURLOPT_CLOSESOCKETFUNCTION, &FtpClient::onCloseSocket);
    set(e, CURLOPT_CLOSESOCKETDATA, this);

    std::lock_guard lock(m_multiMutex);
    m_easy = std::move(easy);
    m_multi = std::move(multi);
}

void FtpClient::closeHandles() {
    CurlMulti multi;
    {
        std::lock_guard lock(m_multiMutex);
        multi = std::move(m_multi);
    }
    // Cleaning up the multi handle closes its cached connection, sending QUIT while the
    // control connection is still good.
    multi.reset();
    m_easy.reset();
    m_connected = false;
    m_folder.clear();
}

void FtpClient::stopNow() {
    m_stop = true;
    std::lock_guard lock(m_multiMutex);
    if (m_multi) {
        curlLibrary().multi_wakeup(m_multi.get());
    }
}

void FtpClient::abortAtNextProgress() {
    m_abortRequested = true;
    // libcurl reports progress each time the transfer is driven: drive it now.
    std::lock_guard lock(m_multiMutex);
    if (m_multi) {
        curlLibrary().multi_wakeup(m_multi.get());
    }
}

void FtpClient::clearAborts() {
    m_abortRequested = false;
    m_stop = false;
}

void FtpClient::configure(const std::string& url, bool upload) {
    CURL* e = m_easy.get();
    set(e, CURLOPT_URL, url.c_str());
    // Uploads send the file; the other requests only log on and change the folder.
    set(e, CURLOPT_UPLOAD, upload ? 1L : 0L);
    set(e, CURLOPT_NOBODY, upload ? 0L : 1L);
    if (m_logon.user.empty()) {
        set(e, CURLOPT_USERNAME, static_cast<const char*>(nullptr));
        set(e, CURLOPT_PASSWORD, static_cast<const char*>(nullptr));
    } else {
        set(e, CURLOPT_USERNAME, m_logon.user.c_str());
        set(e, CURLOPT_PASSWORD, m_logon.password.c_str());
    }
}

void FtpClient::perform() {
    m_errorBuffer[0] = '\0';
    m_lastReply.clear();
    m_dataAccepted = false;
    CURLM* multi = m_multi.get();
    CURL* easy = m_easy.get();
    CURLMcode added = curlLibrary().multi_add_handle(multi, easy);
    if (added != CURLM_OK) {
        throw Error(curlLibrary().multi_strerror(added));
    }
    struct Removal {
        CURLM* multi;
        CURL* easy;
        ~Removal() {
            if (multi) {
                curlLibrary().multi_remove_handle(multi, easy);
            }
        }
    } removal{multi, easy};

    while (!m_stop) {
        int running = 0;
        CURLMcode mc = curlLibrary().multi_perform(multi, &running);
        if (mc != CURLM_OK) {
            throw Error(curlLibrary().multi_strerror(mc));
        }
        int queued = 0;
        CURLMsg* msg = nullptr;
        while ((msg = curlLibrary().multi_info_read(multi, &queued)) && msg->msg != CURLMSG_DONE) {
        }
        if (msg) {
            CURLcode result = msg->data.result;
            if (m_stop) {
                break;
            }
            curl_socket_t socket = CURL_SOCKET_BAD;
            curlLibrary().easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket);
            m_connected = socket != CURL_SOCKET_BAD;
            if (result == CURLE_ABORTED_BY_CALLBACK && m_abortRequested) {
                throw Error(kAborted);
            }
            if (result != CURLE_OK) {
                throw Error(failureMessage(result));
            }
            return;
        }
        curlLibrary().multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
    }
    // Stopped: taking the transfer away from the multi handle unfinished closes its
    // connection (the data connection reset, so the server sees a failed transfer); the
    // handles go too, so that nothing half-done is used again.
    abortDataConnection();
    curlLibrary().multi_remove_handle(multi, easy);
    removal.multi = nullptr;
    closeHandles();
    throw Error(kAborted);
}

std::string FtpClient::failureMessage(CURLcode code) const {
    if (code == CURLE_OPERATION_TIMEDOUT || code == CURLE_FTP_ACCEPT_TIMEOUT) {
        return timeoutMessage();
    }
    // A refusal by the server: its reply says why, and nothing else ("550 Is a directory.").
    const bool refusal =
        m_lastReply.size() >= 3 && (m_lastReply[0] == '4' || m_lastReply[0] == '5');
    if (refusal) {
        return m_lastReply;
    }
    // Otherwise libcurl's account of this failure, with the system's reason where it has one.
    return m_errorBuffer[0] ? m_errorBuffer : curlLibrary().easy_strerror(code);
}

std::string FtpClient::timeoutMessage() const {
    // The server took the data connection, and the file was not all handed over: the transfer
    // stopped moving (after the whole file, the time-out was the wait for the server's reply).
    if (m_dataAccepted && m_progress && m_handedOver < m_uploadSize) {
        return formatMessage("The transfer made no progress for %s.",
                             {secondsText(m_timeouts.stalled)});
    }
    const std::chrono::seconds waited =
        m_connecting ? std::min(m_timeouts.connect, m_timeouts.reply) : m_timeouts.reply;
    return formatMessage("The server did not answer within %s.", {secondsText(waited)});
}

void FtpClient::abortDataConnection() const {
    if (m_dataSocket == CURL_SOCKET_BAD) {
        return;
    }
    // Closed with a reset instead of an orderly end, which in FTP would mean end of file:
    // the server sees the transfer fail instead of keeping a cut file as a whole one.
    const linger reset{1, 0};
    ::setsockopt(m_dataSocket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

std::int64_t FtpClient::bytesTaken(curl_off_t handedOver) const {
    int unacknowledged = 0;
    if (m_dataSocket != CURL_SOCKET_BAD && ::ioctl(m_dataSocket, SIOCOUTQ, &unacknowledged) == 0 &&
        unacknowledged > 0 && unacknowledged <= handedOver) {
        return handedOver - unacknowledged;
    }
    return handedOver;
}

void FtpClient::connect(const FtpLogon& logon) {
    if (m_connected && logon == m_logon) {
        return;
    }
    closeHandles();
    ensureHandles();
    m_logon = logon;
    configure(ftpUrl(m_logon.address, "", ""), false);
    m_connecting = true;
    struct Connecting {
        bool& flag;
        ~Connecting() { flag = false; }
    } connecting{m_connecting};
    perform();
}

void FtpClient::changeDir(std::string_view folder) {
    if (!m_easy) {
        throw Error("Not connected.");
    }
    configure(ftpUrl(m_logon.address, folder, ""), false);
    perform();
    m_folder = std::string(folder);
}

void FtpClient::upload(const std::string& localPath, std::string_view remoteName,
                       const FtpProgress& progress) {
    if (!m_easy) {
        throw Error("Not connected.");
    }
    FileDescriptor fd(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        throw Error(formatMessage("Cannot open file \"%s\".", {localPath}));
    }
    std::int64_t size = st.st_size;
    std::string_view name = remoteName.empty() ? fileNamePart(localPath) : remoteName;

    CURL* e = m_easy.get();
    configure(ftpUrl(m_logon.address, m_folder, name), true);
    set(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    set(e, CURLOPT_READDATA, &fd);

    if (progress.begin) {
        progress.begin(size);
    }
    m_progress = &progress;
    m_reported = 0;
    m_handedOver = 0;
    m_uploadSize = size;
    auto finish = [&] {
        m_progress = nullptr;
        if (m_easy) {
            curlLibrary().easy_setopt(e, CURLOPT_READDATA, nullptr);  // the file is closed now
        }
        if (progress.end) {
            progress.end();
        }
    };
    try {
        perform();
    } catch (...) {
        finish();
        throw;
    }
    if (m_reported < size && progress.work) {
        progress.work(size);
    }
    finish();
}

void FtpClient::disconnect() {
    closeHandles();
}

int FtpClient::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
    auto* client = static_cast<FtpClient*>(self);
    if (client->m_stop) {
        client->abortDataConnection();
        return 1;
    }
    if (client->m_abortRequested) {
        // Also while connecting or changing the folder, which a server may leave unanswered.
        client->abortDataConnection();
        return 1;
    }
    if (!client->m_progress) {
        return 0;  // connecting or changing the folder
    }
    client->m_handedOver = ulnow;
    // What the server has taken: the bytes handed to the socket less those the server has
    // not acknowledged yet.
    const std::int64_t taken = client->bytesTaken(ulnow);
    if (taken > client->m_reported) {
        client->m_reported = taken;
        if (client->m_progress->work) {
            client->m_progress->work(taken);
        }
    }
    return 0;
}

int FtpClient::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    if (type != CURLINFO_HEADER_IN) {
        return 0;
    }
    std::string_view text(data, size);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    std::size_t lineStart = text.rfind('\n');
    if (lineStart != std::string_view::npos) {
        text.remove_prefix(lineStart + 1);
    }
    if (!text.empty()) {
        static_cast<FtpClient*>(self)->m_lastReply = std::string(text);
    }
    return 0;
}

int FtpClient::onSocket(void* self, curl_socket_t socket, curlsocktype purpose) {
    auto* client = static_cast<FtpClient*>(self);
    // The server's connection for the data of a transfer (active mode).
    if (purpose == CURLSOCKTYPE_ACCEPT) {
        client->m_dataSocket = socket;
        client->m_dataAccepted = true;
        // libcurl 7.88 reports a failure to name the peer of every data connection it
        // accepts, although the connection works; whatever the error buffer holds once the
        // server has connected came from steps that succeeded, and would only hide the real
        // cause of a later failure.
        client->m_errorBuffer[0] = '\0';
    }
    return CURL_SOCKOPT_OK;
}

int FtpClient::onCloseSocket(void* self, curl_socket_t socket) {
    auto* client = static_cast<FtpClient*>(self);
    if (socket == client->m_dataSocket) {
        client->m_dataSocket = CURL_SOCKET_BAD;
    }
    return ::close(socket);
}

size_t FtpClient::onRead(char* buffer, size_t size, size_t count, void* file) {
    const auto* fd = static_cast<const FileDescriptor*>(file);
    for (;;) {
        ssize_t n = ::read(fd->get(), buffer, size * count);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            return CURL_READFUNC_ABORT;
        }
    }
}

}  // namespace pelko
