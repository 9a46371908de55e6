#include "app/command_notifier.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace pelko {
namespace {

using namespace std::chrono_literals;

// What a notifier was asked to show, and a bus that answers only when released.
struct Bus {
    std::mutex mutex;
    std::condition_variable changed;
    bool answers = true;
    std::vector<CaptureNotice> shown;
};

class RecordingNotifier final : public Notifier {
  public:
    explicit RecordingNotifier(std::shared_ptr<Bus> bus) : m_bus(std::move(bus)) {}
    void show(const CaptureNotice& notice) override {
        std::unique_lock lock(m_bus->mutex);
        m_bus->changed.wait(lock, [&] { return m_bus->answers; });
        m_bus->shown.push_back(notice);
        m_bus->changed.notify_all();
    }

  private:
    std::shared_ptr<Bus> m_bus;
};

CommandNotifier notifierOn(const std::shared_ptr<Bus>& bus, std::chrono::milliseconds limit) {
    return CommandNotifier([bus] { return std::make_unique<RecordingNotifier>(bus); }, limit);
}

TEST(CommandNotifierTest, DeliversTheNoticeAndNamesStandardOutput) {
    auto bus = std::make_shared<Bus>();
    CommandNotifier notifier = notifierOn(bus, 10s);
    notifier.show({"Screenshot saved", "shot.png in /tmp/", "/tmp/shot.png", {}});
    notifier.show({"Screenshot saved", "-", "-", {}});
    EXPECT_FALSE(notifier.senderLeftBehind());
    ASSERT_EQ(bus->shown.size(), 2u);
    EXPECT_EQ(bus->shown[0].body, "shot.png in /tmp/");
    EXPECT_EQ(bus->shown[0].file, "/tmp/shot.png");
    EXPECT_EQ(bus->shown[1].body, "The picture was sent to standard output");
    EXPECT_EQ(bus->shown[1].file, "");  // no file for the notice's "Open"
}

TEST(CommandNotifierTest, ABusThatDoesNotAnswerIsLeftBehind) {
    auto bus = std::make_shared<Bus>();
    bus->answers = false;
    CommandNotifier notifier = notifierOn(bus, 20ms);
    notifier.show({"Screenshot saved", "x", "/x", {}});
    EXPECT_TRUE(notifier.senderLeftBehind());
    // The sender still runs on its own and delivers once the bus answers.
    std::unique_lock lock(bus->mutex);
    bus->answers = true;
    bus->changed.notify_all();
    EXPECT_TRUE(bus->changed.wait_for(lock, 10s, [&] { return bus->shown.size() == 1; }));
}

TEST(CommandNotifierTest, ANotifierThatFailsIsDropped) {
    CommandNotifier notifier(
        []() -> std::unique_ptr<Notifier> { throw std::runtime_error("no bus"); }, 10s);
    notifier.show({"Screenshot saved", "x", "/x", {}});
    EXPECT_FALSE(notifier.senderLeftBehind());
}

}  // namespace
}  // namespace pelko
