#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "platform/x11/connection.h"

namespace pelko::x11 {

// A delayed capture of the command line tells a running tray program how many seconds are
// left, so that its icon can count down: the command keeps the number in a property of the
// root window and removes it when the wait is over; the tray program watches that property.
inline constexpr char kDelayCountdownAtom[] = "_PELKO_DELAY_COUNTDOWN";

// The command's side: publishes the seconds left on its own connection to the display.
class DelayCountdown {
  public:
    // Opens the display ($DISPLAY); throws pelko::Error when that fails.
    DelayCountdown();
    // Removes the property: the wait is over.
    ~DelayCountdown();
    DelayCountdown(const DelayCountdown&) = delete;
    DelayCountdown& operator=(const DelayCountdown&) = delete;

    void announce(int secondsLeft);

  private:
    Connection m_conn;
    xcb_atom_t m_atom = XCB_NONE;
};

// The tray program's side, on the application's connection: selects property changes on the
// root window (keeping the events the application already asked for) and reads the seconds left
// when the property changes.
class DelayCountdownWatch {
  public:
    explicit DelayCountdownWatch(const Connection& conn);

    // For a change of the countdown property: the seconds left, 0 when it was removed (or holds
    // no number). Other events: none.
    std::optional<int> handleEvent(const xcb_generic_event_t* event) const;

  private:
    const Connection& m_conn;
    xcb_atom_t m_atom = XCB_NONE;
};

}  // namespace pelko::x11
