#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace pelko {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in a terminal, a closed
// terminal) into a call of a function from the event loop, so the program can end the way its
// own "Exit" does. A second signal while the first is handled ends nothing more. One object at
// a time; its end restores the default actions.
class QuitSignals {
  public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

  private:
    std::function<void()> m_onQuit;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace pelko
