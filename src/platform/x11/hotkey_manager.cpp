#include "platform/x11/hotkey_manager.h"

#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <string_view>

#include "core/error.h"
#include "core/settings/hotkey_value.h"
#include "platform/x11/key_table.h"

namespace pelko::x11 {

namespace {

// Alt and Win (Super) are Mod1 and Mod4, as on every common keyboard mapping.
constexpr std::uint16_t kAltMask = XCB_MOD_MASK_1;
constexpr std::uint16_t kWinMask = XCB_MOD_MASK_4;
// The modifier keys' part of an event's state; the bits above are pointer buttons.
constexpr std::uint16_t kModifierKeysMask = 0xFF;
// XKB event kinds that announce a changed keymap.
constexpr std::uint8_t kXkbNewKeyboardNotify = 0;
constexpr std::uint8_t kXkbMapNotify = 1;

std::uint16_t xModifiers(std::uint32_t flags) {
    std::uint16_t mask = 0;
    if (flags & MOD_SHIFT) {
        mask |= XCB_MOD_MASK_SHIFT;
    }
    if (flags & MOD_CONTROL) {
        mask |= XCB_MOD_MASK_CONTROL;
    }
    if (flags & MOD_ALT) {
        mask |= kAltMask;
    }
    if (flags & MOD_WIN) {
        mask |= kWinMask;
    }
    return mask;
}

std::uint32_t modifierFlags(std::uint16_t mask) {
    std::uint32_t flags = 0;
    if (mask & XCB_MOD_MASK_SHIFT) {
        flags |= MOD_SHIFT;
    }
    if (mask & XCB_MOD_MASK_CONTROL) {
        flags |= MOD_CONTROL;
    }
    if (mask & kAltMask) {
        flags |= MOD_ALT;
    }
    if (mask & kWinMask) {
        flags |= MOD_WIN;
    }
    return flags;
}

}  // namespace

THotKeyManager::THotKeyManager(const Connection& connection) : m_connection(connection) {
    m_connection.checkAlive();
    xcb_connection_t* c = m_connection.get();
    constexpr std::string_view xkb = "XKEYBOARD";
    auto extension = waitReply(c, xcb_query_extension_reply,
                               xcb_query_extension(c, std::uint16_t(xkb.size()), xkb.data()));
    m_xkbEvent = extension && extension->present ? extension->first_event : 0;
    loadKeyboardMapping();
}

THotKeyManager::~THotKeyManager() {
    UnbindAll();
}

void THotKeyManager::loadKeyboardMapping() {
    xcb_connection_t* c = m_connection.get();
    m_symbols.reset(xcb_key_symbols_alloc(c));
    if (!m_symbols) {
        throw Error("The keyboard mapping of the X display cannot be read");
    }
    // NumLock is whichever of Mod1 to Mod5 holds a keycode of the Num_Lock keysym.
    m_numLockMask = 0;
    Reply<xcb_keycode_t> numLock(xcb_key_symbols_get_keycode(m_symbols.get(), XK_Num_Lock));
    auto map = waitReply(c, xcb_get_modifier_mapping_reply, xcb_get_modifier_mapping(c));
    if (!numLock || !map) {
        return;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
    const int perModifier = map->keycodes_per_modifier;
    for (int mod = 3; mod < 8 && !m_numLockMask; ++mod) {
        for (int i = 0; i < perModifier; ++i) {
            xcb_keycode_t code = codes[mod * perModifier + i];
            for (const xcb_keycode_t* k = numLock.get(); code && *k != XCB_NO_SYMBOL; ++k) {
                if (*k == code) {
                    m_numLockMask = std::uint16_t(1u << mod);
                }
            }
        }
    }
}

std::vector<xcb_keycode_t> THotKeyManager::keycodesOf(std::uint8_t virtualKey) const {
    std::vector<xcb_keycode_t> out;
    std::optional<xcb_keysym_t> sym = keysymForVirtualKey(virtualKey);
    if (!sym) {
        return out;
    }
    Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(m_symbols.get(), *sym));
    for (const xcb_keycode_t* k = codes.get(); k && *k != XCB_NO_SYMBOL; ++k) {
        out.push_back(*k);
    }
    // A keysym that stands in several columns of one keycode is listed once for each.
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<THotKeyManager::KeyGrab> THotKeyManager::combinations(
    const std::vector<xcb_keycode_t>& keycodes, std::uint16_t modifiers) const {
    std::vector<std::uint16_t> locks{0, XCB_MOD_MASK_LOCK};
    if (m_numLockMask) {
        locks.push_back(m_numLockMask);
        locks.push_back(std::uint16_t(XCB_MOD_MASK_LOCK | m_numLockMask));
    }
    std::vector<KeyGrab> out;
    for (xcb_keycode_t keycode : keycodes) {
        for (std::uint16_t lock : locks) {
            out.push_back({keycode, std::uint16_t(modifiers | lock)});
        }
    }
    return out;
}

bool THotKeyManager::heldByUs(const KeyGrab& g) const {
    return std::any_of(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
        return std::find(r.grabs.begin(), r.grabs.end(), g) != r.grabs.end();
    });
}

std::pair<std::vector<THotKeyManager::KeyGrab>, bool> THotKeyManager::grab(
    const std::vector<KeyGrab>& wanted) {
    xcb_connection_t* c = m_connection.get();
    // Checked requests: a refusal comes back here instead of reaching the event queue (where
    // Qt would log it), and all requests are sent before the first answer is awaited.
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(wanted.size());
    for (const KeyGrab& g : wanted) {
        cookies.push_back(xcb_grab_key_checked(c, 0, m_connection.root(), g.modifiers, g.keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    std::vector<KeyGrab> granted;
    bool all = true;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Reply<xcb_generic_error_t> error(xcb_request_check(c, cookies[i]));
        if (error) {
            all = false;  // BadAccess: another client holds this combination
        } else {
            granted.push_back(wanted[i]);
        }
    }
    return {std::move(granted), all};
}

bool THotKeyManager::ungrab(const std::vector<KeyGrab>& grabs) {
    xcb_connection_t* c = m_connection.get();
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(grabs.size());
    for (const KeyGrab& g : grabs) {
        cookies.push_back(xcb_ungrab_key_checked(c, g.keycode, m_connection.root(), g.modifiers));
    }
    bool all = true;
    for (xcb_void_cookie_t cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
        all = all && !error;
    }
    return all;
}

std::uint16_t THotKeyManager::nextId() {
    for (;;) {
        m_lastId = m_lastId == 0xFFFF ? 1 : std::uint16_t(m_lastId + 1);
        bool used = std::any_of(m_registrations.begin(), m_registrations.end(),
                                [&](const Registration& r) { return r.record.id == m_lastId; });
        if (!used) {
            return m_lastId;
        }
    }
}

std::uint16_t THotKeyManager::BindHotKey(std::uint32_t value) {
    HotKeyParts parts = SplitHotKey(value);
    Registration reg;
    reg.modifiers = xModifiers(parts.modifiers);
    reg.keycodes = keycodesOf(parts.virtualKey);
    if (reg.keycodes.empty()) {
        return 0;
    }
    std::vector<KeyGrab> wanted = combinations(reg.keycodes, reg.modifiers);
    // The server lets a client grab a combination it holds already (the new grab replaces the
    // old one), so a clash with our own registrations has to be found here.
    if (std::any_of(wanted.begin(), wanted.end(), [&](const KeyGrab& g) { return heldByUs(g); })) {
        return 0;
    }
    auto [granted, all] = grab(wanted);
    m_connection.checkAlive();
    if (!all) {
        ungrab(granted);
        return 0;
    }
    reg.grabs = std::move(granted);
    reg.record = {value, nextId()};
    m_registrations.push_back(std::move(reg));
    return m_registrations.back().record.id;
}

bool THotKeyManager::UnbindHotKey(std::uint16_t id) {
    auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                           [&](const Registration& r) { return r.record.id == id; });
    if (it == m_registrations.end()) {
        return false;
    }
    bool released = ungrab(it->grabs);
    m_registrations.erase(it);
    return released;
}

void THotKeyManager::UnbindAll() {
    while (!m_registrations.empty()) {
        UnbindHotKey(m_registrations.back().record.id);
    }
}

std::vector<HotKeyRecord> THotKeyManager::records() const {
    std::vector<HotKeyRecord> out;
    out.reserve(m_registrations.size());
    for (const Registration& r : m_registrations) {
        out.push_back(r.record);
    }
    return out;
}

std::vector<std::uint32_t> THotKeyManager::keysymsOfKeycode(xcb_keycode_t keycode) const {
    // Columns 0 and 1 are the first group without and with Shift, 2 and 3 the second group;
    // a mapping may have a few more (the third level of AltGr layouts).
    constexpr int kColumns = 8;
    std::vector<std::uint32_t> out;
    for (int column = 0; column < kColumns; ++column) {
        const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(m_symbols.get(), keycode, column);
        if (keysym != XCB_NO_SYMBOL && std::find(out.begin(), out.end(), keysym) == out.end()) {
            out.push_back(keysym);
        }
    }
    return out;
}

void THotKeyManager::refreshKeyboardMapping() {
    const std::uint16_t numLockBefore = m_numLockMask;
    loadKeyboardMapping();
    std::vector<std::vector<xcb_keycode_t>> keycodes;
    bool unchanged = m_numLockMask == numLockBefore;
    for (const Registration& r : m_registrations) {
        keycodes.push_back(keycodesOf(SplitHotKey(r.record.value).virtualKey));
        unchanged = unchanged && keycodes.back() == r.keycodes &&
                    r.grabs.size() == combinations(r.keycodes, r.modifiers).size();
    }
    // The server announces a new keyboard whenever another device types (a second keyboard, a
    // virtual one); when every hotkey keeps its keycodes and all its grabs, nothing changes,
    // and ungrabbing and grabbing them all again took dozens of round trips.
    if (unchanged) {
        return;
    }
    for (Registration& r : m_registrations) {
        ungrab(r.grabs);
        r.grabs.clear();
    }
    for (std::size_t i = 0; i < m_registrations.size(); ++i) {
        Registration& r = m_registrations[i];
        r.keycodes = std::move(keycodes[i]);
        std::vector<KeyGrab> wanted = combinations(r.keycodes, r.modifiers);
        // Earlier registrations keep what they hold should the new mapping make two clash.
        std::erase_if(wanted, [&](const KeyGrab& g) { return heldByUs(g); });
        r.grabs = grab(wanted).first;
    }
}

std::optional<HotKeyPress> THotKeyManager::handleEvent(const xcb_generic_event_t* event) {
    if (!event) {
        return std::nullopt;
    }
    const std::uint8_t type = event->response_type & 0x7F;
    if (type == XCB_MAPPING_NOTIFY) {
        auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (notify->request == XCB_MAPPING_KEYBOARD || notify->request == XCB_MAPPING_MODIFIER) {
            refreshKeyboardMapping();
        }
        return std::nullopt;
    }
    // A client that uses XKB, as Qt does, hears of a new keymap (setxkbmap) only through XKB's
    // own events: the second byte tells which, NewKeyboardNotify or MapNotify.
    if (m_xkbEvent && type == m_xkbEvent) {
        if (event->pad0 == kXkbNewKeyboardNotify || event->pad0 == kXkbMapNotify) {
            refreshKeyboardMapping();
        }
        return std::nullopt;
    }
    if (type != XCB_KEY_PRESS) {
        return std::nullopt;
    }
    // Hotkeys come through the passive grabs on the root window; while one of the program's
    // own menus holds the keyboard, the same press arrives at the menu's window instead, and
    // counts just the same.
    auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const std::uint16_t modifiers =
        press->state & kModifierKeysMask & ~std::uint16_t(XCB_MOD_MASK_LOCK | m_numLockMask);
    auto caught =
        std::find_if(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
            return r.modifiers == modifiers && std::find(r.keycodes.begin(), r.keycodes.end(),
                                                         press->detail) != r.keycodes.end();
        });
    if (caught == m_registrations.end()) {
        return std::nullopt;
    }
    std::uint32_t value =
        joinHotKey({modifierFlags(modifiers), SplitHotKey(caught->record.value).virtualKey});
    bool held = std::any_of(m_registrations.begin(), m_registrations.end(),
                            [&](const Registration& r) { return r.record.value == value; });
    if (!held) {
        return std::nullopt;
    }
    HotKeyPress result{value, caught->record.id};
    // Last: the handler may bind and unbind hotkeys.
    if (OnHotKeyPressed) {
        OnHotKeyPressed(result.first, result.second);
    }
    return result;
}

std::vector<HotKeyPress> THotKeyManager::processEvents(std::chrono::milliseconds timeout) {
    xcb_connection_t* c = m_connection.get();
    std::vector<HotKeyPress> presses;
    auto drain = [&] {
        bool any = false;
        while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            any = true;
            if (auto p = handleEvent(event.get())) {
                presses.push_back(*p);
            }
        }
        return any;
    };
    if (!drain() && timeout.count() > 0) {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        if (poll(&fd, 1, int(timeout.count())) > 0) {
            drain();
        }
    }
    return presses;
}

}  // namespace pelko::x11
