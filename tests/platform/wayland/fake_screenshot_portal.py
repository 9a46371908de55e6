#!/usr/bin/python3
"""A stand-in for the desktop portal's Screenshot interface on the session bus, for tests.

  fake_screenshot_portal.py MODE [URI] [-- COMMAND...]

MODE: answer     answers the Request with response 0 and "uri": URI
      cancel     the user cancels (response 1)
      refuse     the portal fails (response 2)
      no-uri     response 0 without a "uri"
      bad-uri    response 0 with a "uri" that is no string (an integer)
      silent     returns the Request's handle and never answers it
      absent     owns the portal's name but offers no Screenshot interface
"ready" on stdout once the name is owned. With a COMMAND, the portal runs it once ready and
ends with its exit status (its output is the command's), for programs on a private bus."""
import subprocess
import sys
import threading

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SCREENSHOT = "org.freedesktop.portal.Screenshot"
REQUEST = "org.freedesktop.portal.Request"


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus, mode, uri):
        super().__init__(bus, PATH)
        self.bus, self.mode, self.uri = bus, mode, uri
        self.requests = []

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if self.mode == "absent" or interface != SCREENSHOT or name != "version":
            raise dbus.exceptions.DBusException(
                "No such interface", name="org.freedesktop.DBus.Error.InvalidArgs")
        return dbus.UInt32(2)

    @dbus.service.method(SCREENSHOT, in_signature="sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Screenshot(self, parent, options, sender):
        if self.mode == "absent":
            raise dbus.exceptions.DBusException(
                "No such interface", name="org.freedesktop.DBus.Error.UnknownMethod")
        path = f"{PATH}/request/{sender[1:].replace('.', '_')}/{options['handle_token']}"
        request = Request(self.bus, path)
        self.requests.append(request)
        answers = {
            "answer": (0, {"uri": self.uri}),
            "cancel": (1, {}),
            "refuse": (2, {}),
            "no-uri": (0, {"other": "value"}),
            "bad-uri": (0, {"uri": dbus.Int32(7)}),
        }
        if self.mode in answers:
            GLib.idle_add(lambda: request.Response(*answers[self.mode]) and False)
        return dbus.ObjectPath(path)


def main():
    args = sys.argv[1:]
    command = []
    if "--" in args:
        command = args[args.index("--") + 1:]
        args = args[:args.index("--")]
    mode = args[0]
    uri = args[1] if len(args) > 1 else ""
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(BUS_NAME, bus)
    portal = Portal(bus, mode, uri)
    loop = GLib.MainLoop()
    status = [0]
    if command:
        def run():
            status[0] = subprocess.call(command)
            GLib.idle_add(loop.quit)
        threading.Thread(target=run, daemon=True).start()
    else:
        print("ready", flush=True)
    loop.run()
    del name, portal
    sys.exit(status[0])


if __name__ == "__main__":
    main()
