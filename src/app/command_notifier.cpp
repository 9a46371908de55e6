#include "app/command_notifier.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "app/picture_output.h"

namespace pelko {

CommandNotifier::CommandNotifier(MakeNotifier make, std::chrono::milliseconds limit)
    : m_make(std::move(make)), m_limit(limit) {}

CaptureNotice commandNotice(CaptureNotice notice) {
    if (notice.file == kStandardOutput) {
        notice.body = "The picture was sent to standard output";
        notice.file.clear();
    }
    return notice;
}

void CommandNotifier::show(const CaptureNotice& notice) {
    // Shared with the sender, which may outlive this object when the bus does not answer.
    struct Sending {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto sending = std::make_shared<Sending>();
    std::thread sender([sending, make = m_make, notice = commandNotice(notice)] {
        try {
            if (std::unique_ptr<Notifier> notifier = make()) {
                notifier->show(notice);
            }
        } catch (...) {
            // A notice that cannot be delivered is dropped; the capture has succeeded.
        }
        const std::lock_guard lock(sending->mutex);
        sending->finished = true;
        sending->done.notify_all();
    });
    std::unique_lock lock(sending->mutex);
    if (sending->done.wait_for(lock, m_limit, [&] { return sending->finished; })) {
        lock.unlock();
        sender.join();
        return;
    }
    m_leftBehind = true;
    sender.detach();
}

}  // namespace pelko
