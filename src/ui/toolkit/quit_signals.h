#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace pelko {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in a terminal, a closed
// terminal) into a call of a function from the event loop, so the program can end the way its
// own "Exit" does. The call comes from whichever event loop runs, a modal box's or a menu's
// too. A second signal while the first is handled ends nothing more (the session sends SIGTERM
// and SIGHUP one right after the other). One object at a time; its end restores the default
// actions.
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

// Ends the program's event loops at once, as a signal asks: errors go to standard error from
// now on instead of a box, open menus, dialogs and message boxes close, and every running event
// loop returns, the application's own included; loops started after this return at once. The
// clean-up of the program's end then runs where the application's loop was started.
void leaveEveryEventLoop();

}  // namespace pelko
