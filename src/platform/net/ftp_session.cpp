#include "platform/net/ftp_session.h"

#include <chrono>
#include <utility>

namespace pelko {

namespace {

// Progress reports closer together than this are dropped (the last one never is), so that
// a fast upload does not flood the thread that shows them.
constexpr auto kReportInterval = std::chrono::milliseconds(40);

}  // namespace

FtpSession::FtpSession(FtpTimeouts timeouts) : m_client(timeouts), m_thread([this] { run(); }) {}

FtpSession::~FtpSession() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
        m_stopped = true;
        m_jobs.clear();
        m_client.stopNow();
    }
    m_wake.notify_one();
    m_thread.join();
}

void FtpSession::start(FtpUploadRequest request, FtpStartReports reports) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(Job{true, std::move(request), std::move(reports)});
    }
    m_wake.notify_one();
}

void FtpSession::cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_client.abortAtNextProgress();
        m_jobs.push_back(Job{});
    }
    m_wake.notify_one();
}

void FtpSession::disconnect() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_client.stopNow();
        m_jobs.push_back(Job{});
    }
    m_wake.notify_one();
}

void FtpSession::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_ending || !m_jobs.empty(); });
            if (m_ending) {
                break;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            if (job.isStart) {
                // Requests to stop that came before this start were meant for earlier work.
                m_stopped = false;
                m_client.clearAborts();
            }
        }
        if (job.isStart) {
            runStart(job);
        } else {
            m_client.disconnect();
        }
    }
    m_client.disconnect();
}

void FtpSession::runStart(Job& job) {
    const FtpStartReports& reports = job.reports;
    const FtpUploadRequest& request = job.request;
    std::exception_ptr error;
    try {
        m_client.connect(request.logon);
        if (reports.connected) {
            reports.connected();
        }
        m_client.changeDir(request.folder);
        if (reports.folderChanged) {
            reports.folderChanged();
        }
        FtpProgress progress = reports.progress;
        std::int64_t total = 0;
        auto last = std::chrono::steady_clock::time_point{};
        progress.begin = [&](std::int64_t bytes) {
            total = bytes;
            if (reports.progress.begin) {
                reports.progress.begin(bytes);
            }
        };
        progress.work = [&](std::int64_t sent) {
            auto now = std::chrono::steady_clock::now();
            if (now - last < kReportInterval && sent < total) {
                return;
            }
            last = now;
            if (reports.progress.work) {
                reports.progress.work(sent);
            }
        };
        m_client.upload(request.localFile, request.remoteName, progress);
    } catch (...) {
        error = std::current_exception();
    }
    bool stopped = false;
    {
        std::lock_guard lock(m_mutex);
        stopped = m_stopped;
    }
    if (reports.finished) {
        reports.finished(stopped ? nullptr : error, m_client.connected());
    }
}

}  // namespace pelko
