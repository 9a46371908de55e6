#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop/dbus_session.h"

namespace pelko::wayland {

// One shortcut asked of the portal: its id, the text the desktop shows for it and the key
// wanted for it (portalTrigger form; empty lets the desktop or the user choose).
struct PortalShortcut {
    std::string id;
    std::string description;
    std::string preferredTrigger;
};

// A session of the desktop portal's GlobalShortcuts interface
// (org.freedesktop.portal.GlobalShortcuts): the desktop binds keys to our shortcuts and
// reports their presses as Activated signals. Closing the session (the destructor) releases
// every key bound in it.
class GlobalShortcutsSession {
  public:
    // Opens a session on a connection of its own to the session bus. answerTimeoutMs bounds each
    // wait for the portal. Throws pelko::Error when there is no bus, the desktop offers no
    // GlobalShortcuts portal, or the portal refuses the session or does not answer in time.
    explicit GlobalShortcutsSession(int answerTimeoutMs);
    ~GlobalShortcutsSession();
    GlobalShortcutsSession(const GlobalShortcutsSession&) = delete;
    GlobalShortcutsSession& operator=(const GlobalShortcutsSession&) = delete;

    // Asks the portal to bind the shortcuts; the ids it bound, in the order it lists them.
    // Throws pelko::Error when the user cancels, the portal refuses or does not answer in time.
    std::vector<std::string> bind(const std::vector<PortalShortcut>& shortcuts);

    // The connection's socket: readable when messages from the portal wait. Its owner watches it
    // and calls dispatch(); dispatch() also belongs after bind(), which may have read some.
    int fileDescriptor() const;

    // Reads what waits without blocking and calls onActivated with the id of every Activated
    // signal of this session, in order. Other messages are dropped. False once the bus has
    // closed the connection.
    bool dispatch(const std::function<void(const std::string& id)>& onActivated);

  private:
    // Sends a call with the handle_token `token` and waits for its Response; throws
    // pelko::Error naming `what` unless the portal answers with success in time.
    DbusMessagePtr ask(DBusMessage* call, const std::string& token, const char* what);

    int m_timeoutMs;
    DbusConnectionPtr m_bus;
    std::string m_session;  // the session's object path
};

}  // namespace pelko::wayland
