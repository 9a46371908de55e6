#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/x11/connection.h"

namespace pelko::x11 {

// One registration: the hotkey value as it was bound and the id BindHotKey gave it.
struct HotKeyRecord {
    std::uint32_t value = 0;
    std::uint16_t id = 0;
    bool operator==(const HotKeyRecord&) const = default;
};

// A press that matched a registration: the hotkey value and the id of the registration.
using HotKeyPress = std::pair<std::uint32_t, std::uint16_t>;

using TOnHotKeyPressed = std::function<void(std::uint32_t HotKey, std::uint16_t Index)>;

// System-wide hotkeys through passive key grabs on the root window.
//
// A value is grabbed for every keycode its key's keysym has, with the modifiers of the value
// (Shift, Control, Mod1 for Alt, Mod4 for Win) and again with Lock, NumLock and both, so that
// the lock keys do not matter. The server refuses a combination another client holds; one of
// our own earlier registrations holds is refused here. Grabs are taken with owner_events off
// and both modes asynchronous: no other client sees the key, and every press is reported to
// this client relative to the root.
//
// The manager never reads events itself: the owner of the connection hands each event to
// handleEvent (Qt's native event filter does this for Qt's connection). A connection nobody
// else reads can be served by processEvents. Everything runs on one thread.
class THotKeyManager {
  public:
    // Borrows the connection, which must outlive the manager.
    explicit THotKeyManager(const Connection& connection);
    // Releases every registration (UnbindAll).
    ~THotKeyManager();
    THotKeyManager(const THotKeyManager&) = delete;
    THotKeyManager& operator=(const THotKeyManager&) = delete;

    // Grabs the value's key; the id of the new registration (small, unique per registration),
    // or 0 when it was refused: value 0, a key without keysym or keycode, a combination held by
    // another client or by one of our registrations. A refusal leaves nothing grabbed. Throws
    // pelko::Error when the connection is lost.
    std::uint16_t BindHotKey(std::uint32_t value);
    // Releases a registration; true when the server released every grab of it, false when it
    // refused or no registration has this id. The registration is dropped in any case.
    bool UnbindHotKey(std::uint16_t id);
    // Releases every registration, from the last to the first.
    void UnbindAll();

    // The registrations in the order they were made.
    std::vector<HotKeyRecord> records() const;

    // The keysyms of a keycode in the keyboard mapping's column order (unshifted first, then
    // shifted, then the other groups), each once: what a press of that key can produce.
    std::vector<std::uint32_t> keysymsOfKeycode(xcb_keycode_t keycode) const;

    // Looks at one event of the connection. A key press that one of our grabs caught (on the
    // root, or on a window of ours that holds the keyboard, such as an open menu) is rebuilt into a
    // value from the registration's key and the pressed modifiers (Lock and NumLock left out); when
    // a registration holds exactly that value, the press is reported to OnHotKeyPressed and
    // returned. A value with bits outside the hotkey table grabs its key but never matches a press.
    // A change of the keyboard or modifier mapping (core MappingNotify, or XKB's NewKeyboardNotify
    // and MapNotify) grabs every registration's key again (refreshKeyboardMapping). Other events
    // are ignored.
    std::optional<HotKeyPress> handleEvent(const xcb_generic_event_t* event);

    // For a connection whose events nobody else reads: waits up to timeout for events when none
    // is queued, hands every queued event to handleEvent and returns the presses it reported.
    std::vector<HotKeyPress> processEvents(std::chrono::milliseconds timeout);

    // Reads the keyboard and modifier mapping again and grabs every registration's key anew,
    // keeping the ids. Combinations that another client has taken meanwhile stay ungrabbed.
    void refreshKeyboardMapping();

    TOnHotKeyPressed OnHotKeyPressed;

  private:
    struct KeyGrab {
        xcb_keycode_t keycode = 0;
        std::uint16_t modifiers = 0;
        bool operator==(const KeyGrab&) const = default;
    };
    struct Registration {
        HotKeyRecord record;
        std::uint16_t modifiers = 0;          // X modifier mask of the value's modifier flags
        std::vector<xcb_keycode_t> keycodes;  // the keycodes of the value's keysym
        std::vector<KeyGrab> grabs;           // what is grabbed for it
    };
    struct KeySymbolsFree {
        void operator()(xcb_key_symbols_t* s) const { xcb_key_symbols_free(s); }
    };

    void loadKeyboardMapping();
    std::vector<xcb_keycode_t> keycodesOf(std::uint8_t virtualKey) const;
    // Each keycode with the modifiers alone and with every combination of Lock and NumLock.
    std::vector<KeyGrab> combinations(const std::vector<xcb_keycode_t>& keycodes,
                                      std::uint16_t modifiers) const;
    bool heldByUs(const KeyGrab& g) const;
    // Grabs what it is given; the grabs the server granted and whether it granted all.
    std::pair<std::vector<KeyGrab>, bool> grab(const std::vector<KeyGrab>& wanted);
    // Releases grabs; whether the server released all of them.
    bool ungrab(const std::vector<KeyGrab>& grabs);
    std::uint16_t nextId();

    const Connection& m_connection;
    std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree> m_symbols;
    std::uint16_t m_numLockMask = 0;
    std::uint8_t m_xkbEvent = 0;  // the XKB extension's first event code; 0 without XKB
    std::vector<Registration> m_registrations;
    std::uint16_t m_lastId = 0;
};

}  // namespace pelko::x11
