#!/usr/bin/python3
"""A stand-in for the desktop portal's GlobalShortcuts interface on the session bus, for tests.

  fake_global_shortcuts_portal.py MODE LOG [PRESS]

MODE: bind-all     answers every request and binds every shortcut asked for
      bind-some    binds all but the first shortcut asked for
      cancel       the user cancels the binding (response 1)
      silent       never answers the binding
      absent       owns the portal's name but offers no GlobalShortcuts interface
      bad-session  answers CreateSession with a session handle of the wrong D-Bus type
      bad-list     answers BindShortcuts with a "shortcuts" entry of the wrong D-Bus type
Each BindShortcuts call is written to LOG as one JSON line: [[id, description, trigger], ...].
After a binding, the portal reports presses as Activated signals: capture-screen in another
session, an id nobody asked for, then PRESS in the session. A test presses a shortcut later by
calling Press(ID) of the interface org.pelko.test.FakePortal on the portal's object: Activated
for ID in the session bound last. "ready" on stdout once the name is owned."""
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"
TEST = "org.pelko.test.FakePortal"


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus, mode, log, press):
        super().__init__(bus, PATH)
        self.bus, self.mode, self.log, self.press = bus, mode, log, press
        self.requests = []
        self.bound_session = None

    def request(self, sender, options):
        path = f"{PATH}/request/{sender_part(sender)}/{options['handle_token']}"
        request = Request(self.bus, path)
        self.requests.append(request)
        return request, dbus.ObjectPath(path)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if self.mode == "absent" or interface != SHORTCUTS or name != "version":
            raise dbus.exceptions.DBusException(
                "No such interface", name="org.freedesktop.DBus.Error.InvalidArgs")
        return dbus.UInt32(1)

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender):
        request, path = self.request(sender, options)
        session = f"{PATH}/session/{sender_part(sender)}/{options['session_handle_token']}"
        handle = dbus.Int32(7) if self.mode == "bad-session" else dbus.String(session)
        GLib.idle_add(lambda: request.Response(0, {"session_handle": handle}) and False)
        return path

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender):
        request, path = self.request(sender, options)
        asked = [[str(i), str(p.get("description", "")), str(p.get("preferred_trigger", ""))]
                 for i, p in shortcuts]
        with open(self.log, "a") as log:
            log.write(json.dumps(asked) + "\n")
        if self.mode == "silent":
            return path
        if self.mode == "cancel":
            answer = (1, {})
        elif self.mode == "bad-list":
            answer = (0, {"shortcuts": dbus.String("all of them")})
        else:
            bound = asked[1:] if self.mode == "bind-some" else asked
            answer = (0, {"shortcuts": dbus.Array(
                [(i, {"description": d, "trigger_description": t}) for i, d, t in bound],
                signature="(sa{sv})")})

        if answer[0] == 0:
            self.bound_session = session

        def respond():
            request.Response(*answer)
            if self.press and answer[0] == 0:
                other = session.rsplit("/", 1)[0] + "/someone_else"
                self.Activated(dbus.ObjectPath(other), "capture-screen", dbus.UInt64(1), {})
                self.Activated(session, "not-ours", dbus.UInt64(2), {})
                self.Activated(session, self.press, dbus.UInt64(3), {})
            return False
        GLib.idle_add(respond)
        return path

    @dbus.service.method(TEST, in_signature="s", out_signature="")
    def Press(self, shortcut_id):
        if self.bound_session is None:
            raise dbus.exceptions.DBusException("Nothing is bound yet",
                                                name="org.freedesktop.DBus.Error.Failed")
        self.Activated(self.bound_session, shortcut_id, dbus.UInt64(4), {})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass


def main():
    mode, log = sys.argv[1], sys.argv[2]
    press = sys.argv[3] if len(sys.argv) > 3 else ""
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    # A portal that owns the name already (started by the bus for an earlier caller) would take
    # every call: the fake then fails instead of waiting in the queue.
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    portal = Portal(bus, mode, log, press)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name, portal


if __name__ == "__main__":
    main()
