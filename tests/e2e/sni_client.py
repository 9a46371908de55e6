#!/usr/bin/python3
"""A client of the tray items on the session bus, run inside the test session:
  sni_client.py items          prints the items registered with the StatusNotifierWatcher
  sni_client.py click LABEL    clicks the menu entry LABEL of the only registered item
                               (exit 3 when there is no such entry)
  sni_client.py tooltips       prints the only registered item's tooltip, then each new one,
                               a line each, until it shows the first one again (at most a
                               minute)"""
import sys
import time

import dbus

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


def items(bus):
    watcher = bus.get_object(WATCHER, "/StatusNotifierWatcher")
    return [str(i) for i in watcher.Get(WATCHER, "RegisteredStatusNotifierItems",
                                        dbus_interface=dbus.PROPERTIES_IFACE)]


def entries(layout):
    """(id, label) of every entry of a dbusmenu layout, depth first."""
    ident, properties, children = layout
    yield int(ident), str(properties.get("label", ""))
    for child in children:
        yield from entries(child)


def the_item(bus):
    """The only registered item, and its service name."""
    [registered] = items(bus)
    # An item registers as "SERVICE/PATH" or as a bare service name.
    service, _, path = registered.partition("/")
    return bus.get_object(service, "/" + path if path else "/StatusNotifierItem"), service


def tooltips(bus):
    item, _ = the_item(bus)

    def tooltip():
        _, _, title, text = item.Get(ITEM, "ToolTip", dbus_interface=dbus.PROPERTIES_IFACE)
        return " ".join(t for t in (str(title), str(text)) if t)

    first = shown = tooltip()
    print(first, flush=True)
    end = time.monotonic() + 60
    while time.monotonic() < end:
        time.sleep(0.05)
        now = tooltip()
        if now != shown:
            print(now, flush=True)
            shown = now
            if now == first:
                return 0
    return 1


def click(bus, label):
    item, service = the_item(bus)
    menu_path = item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
    menu = dbus.Interface(bus.get_object(service, menu_path), MENU)
    _, layout = menu.GetLayout(0, -1, [])
    found = list(entries(layout))
    for ident, text in found:
        # A label may carry its shortcut after a tab.
        if text.replace("&", "").split("\t")[0] == label:
            menu.Event(ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
            return 0
    print("no menu entry %s in %s" % (label, found), file=sys.stderr)
    return 3


def main():
    bus = dbus.SessionBus()
    if sys.argv[1] == "items":
        print("\n".join(items(bus)))
        return 0
    if sys.argv[1] == "tooltips":
        return tooltips(bus)
    return click(bus, sys.argv[2])


if __name__ == "__main__":
    sys.exit(main())
