// THotKeyManager against X servers of its own, with key presses from xdotool (XTest) and
// grabs of other clients. Each test has a server of its own, so no grab and no key held down
// outlives it.

#include "platform/x11/hotkey_manager.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>

#include "core/settings/hotkey_value.h"
#include "core/settings/keys.h"
#include "display_helpers.h"

namespace pelko::x11 {
namespace {

using test::PrivateDisplay;
using test::TestConnection;

// NumLock sits on Mod2 in the keymap Xvfb starts with.
constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;
constexpr std::uint16_t kLockCombinations[] = {0, XCB_MOD_MASK_LOCK, kNumLock,
                                               XCB_MOD_MASK_LOCK | kNumLock};

// The nine slot values of the factory settings.
HotkeySlotValues factoryValues() {
    HotkeySlotValues v{std::uint32_t(keys::sshk.factory)};
    for (std::size_t i = 0; i < keys::hotkeySlots.size(); ++i) {
        v[i + 1] = std::uint32_t(keys::hotkeySlots[i].factory);
    }
    return v;
}

// What another client sees of a combination: whether it can grab it (the grab ends when that
// client disconnects).
class OtherClient {
  public:
    explicit OtherClient(const std::string& display) : m_conn(display.c_str()) {}

    bool grab(xcb_keycode_t keycode, std::uint16_t modifiers) {
        Reply<xcb_generic_error_t> error(xcb_request_check(
            m_conn.get(), xcb_grab_key_checked(m_conn.get(), 0, m_conn.root(), modifiers, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        return !error;
    }

    xcb_keycode_t keycodeOf(xcb_keysym_t sym) {
        std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t*)> syms(
            xcb_key_symbols_alloc(m_conn.get()), xcb_key_symbols_free);
        Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(syms.get(), sym));
        return codes ? codes.get()[0] : 0;
    }

  private:
    TestConnection m_conn;
};

class HotKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* program : {"Xvfb", "xdotool"}) {
            if (!test::onPath(program)) {
                GTEST_SKIP() << program << " is not installed";
            }
        }
        m_display = std::make_unique<PrivateDisplay>("640x480x24", withWindowManager());
        ASSERT_FALSE(m_display->name().empty()) << m_display->error();
        m_conn = std::make_unique<Connection>(m_display->name().c_str());
        m_manager = std::make_unique<THotKeyManager>(*m_conn);
    }

    virtual bool withWindowManager() const { return false; }

    // xdotool key with the given key sequences, one after the other.
    void press(const std::vector<std::string>& sequences) {
        std::vector<std::string> args{"xdotool", "key"};
        args.insert(args.end(), sequences.begin(), sequences.end());
        ASSERT_EQ(test::run(args, m_display->env()), 0);
    }

    // The presses the manager reports until there are `count` of them (or 5 s have passed).
    std::vector<HotKeyPress> waitForPresses(std::size_t count) {
        std::vector<HotKeyPress> all;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (const HotKeyPress& p : m_manager->processEvents(std::chrono::milliseconds(50))) {
                all.push_back(p);
            }
        }
        return all;
    }

    // For each combination of Lock and NumLock: whether another client can grab the key of
    // keysym with these modifiers.
    std::vector<bool> freeForOthers(xcb_keysym_t sym, std::uint16_t modifiers) {
        std::vector<bool> out;
        for (std::uint16_t lock : kLockCombinations) {
            OtherClient other(m_display->name());
            out.push_back(other.grab(other.keycodeOf(sym), modifiers | lock));
        }
        return out;
    }

    const std::vector<bool> kAllFree{true, true, true, true};
    const std::vector<bool> kAllHeld{false, false, false, false};
    static constexpr std::uint16_t kCtrlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;

    std::unique_ptr<PrivateDisplay> m_display;
    std::unique_ptr<Connection> m_conn;
    std::unique_ptr<THotKeyManager> m_manager;
};

// On a desktop with a window manager, as Pelko meets it.
class HotKeysOnDesktop : public HotKeys {
  protected:
    bool withWindowManager() const override { return true; }
};

TEST_F(HotKeysOnDesktop, FactoryValuesBindAndEachPressReportsItsRegistration) {
    if (!test::onPath("icewm")) {
        GTEST_SKIP() << "icewm is not installed";
    }
    std::vector<HotKeyRecord> expected;
    for (std::uint32_t value : factoryValues()) {
        std::uint16_t id = m_manager->BindHotKey(value);
        EXPECT_NE(id, 0) << value;
        expected.push_back({value, id});
    }
    // F9 is slot 0's value when settings.ini has none.
    std::uint16_t f9 = m_manager->BindHotKey(120);
    EXPECT_NE(f9, 0);
    expected.push_back({120, f9});
    EXPECT_EQ(m_manager->records(), expected);

    std::vector<HotKeyPress> handled;
    m_manager->OnHotKeyPressed = [&](std::uint32_t HotKey, std::uint16_t Index) {
        handled.push_back({HotKey, Index});
    };
    press({"F10", "ctrl+shift+f", "ctrl+shift+a", "ctrl+shift+r", "ctrl+shift+e", "ctrl+shift+t",
           "ctrl+shift+o", "ctrl+shift+g", "ctrl+shift+h", "F9"});
    std::vector<HotKeyPress> reported = waitForPresses(expected.size());
    std::vector<HotKeyPress> wanted;
    for (const HotKeyRecord& r : expected) {
        wanted.push_back({r.value, r.id});
    }
    EXPECT_EQ(reported, wanted);
    EXPECT_EQ(handled, wanted);
}

TEST_F(HotKeys, PressFiresWhateverTheLockKeys) {
    std::uint16_t id = m_manager->BindHotKey(24646);
    ASSERT_NE(id, 0);
    struct Step {
        const char* toggle;
        std::uint16_t locksOn;
    };
    const Step steps[] = {
        {nullptr, 0},
        {"Num_Lock", kNumLock},
        {"Caps_Lock", kNumLock | XCB_MOD_MASK_LOCK},
        {"Num_Lock", XCB_MOD_MASK_LOCK},
        {"Caps_Lock", 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.locksOn);
        if (s.toggle) {
            press({s.toggle});
        }
        auto pointer = waitReply(m_conn->get(), xcb_query_pointer_reply,
                                 xcb_query_pointer(m_conn->get(), m_conn->root()));
        ASSERT_TRUE(pointer);
        ASSERT_EQ(pointer->mask & (XCB_MOD_MASK_LOCK | kNumLock), s.locksOn);
        press({"ctrl+shift+f"});
        EXPECT_EQ(waitForPresses(1), (std::vector<HotKeyPress>{{24646, id}}));
    }
}

// A menu of the program holds the keyboard (an active grab of its own): a hotkey press then
// arrives at the menu's window instead of the root, and still fires; other keys do not.
TEST_F(HotKeys, FiresWhileTheProgramsOwnMenuHoldsTheKeyboard) {
    const std::uint16_t id = m_manager->BindHotKey(120);  // F9
    ASSERT_NE(id, 0);
    xcb_connection_t* c = m_conn->get();
    const xcb_window_t menu = xcb_generate_id(c);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, menu, m_conn->root(), 10, 10, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, menu);
    auto grab = waitReply(
        c, xcb_grab_keyboard_reply,
        xcb_grab_keyboard(c, 1, menu, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_TRUE(grab);
    ASSERT_EQ(grab->status, XCB_GRAB_STATUS_SUCCESS);
    press({"a", "F9"});
    EXPECT_EQ(waitForPresses(2), (std::vector<HotKeyPress>{{120, id}}));
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_destroy_window(c, menu);
    press({"F9"});
    EXPECT_EQ(waitForPresses(1), (std::vector<HotKeyPress>{{120, id}}));
}

class HeldByAnotherClient : public HotKeys, public ::testing::WithParamInterface<int> {};

// Another client holds one of the four combinations of Ctrl+Shift+F: the binding is refused
// quietly and gives back what it had grabbed of the others.
TEST_P(HeldByAnotherClient, IsRefusedAndLeavesNothingGrabbed) {
    const int held = GetParam();
    OtherClient holder(m_display->name());
    ASSERT_TRUE(holder.grab(holder.keycodeOf(XK_f), kCtrlShift | kLockCombinations[held]));

    EXPECT_EQ(m_manager->BindHotKey(24646), 0);
    EXPECT_TRUE(m_manager->records().empty());
    // The refusal was an answer to a checked request, not an error in the event queue.
    Reply<xcb_generic_event_t> queued(xcb_poll_for_event(m_conn->get()));
    EXPECT_FALSE(queued) << "event or error " << int(queued->response_type);

    std::vector<bool> expected = kAllFree;
    expected[held] = false;
    EXPECT_EQ(freeForOthers(XK_f, kCtrlShift), expected);
}

INSTANTIATE_TEST_SUITE_P(EachLockCombination, HeldByAnotherClient, ::testing::Range(0, 4));

TEST_F(HotKeys, BindingRefusesWhatOurRegistrationsHoldAndKeysWithoutKeycode) {
    struct Case {
        const char* what;
        std::uint32_t earlier;  // 0: none
        std::uint32_t value;
        bool bound;
    };
    const Case cases[] = {
        {"the same value", 24646, 24646, false},
        {"a bit above the table", 24646, 0x20000 | 24646, false},
        {"bits 8 to 12", 24646, 0x1F00 | 24646, false},
        {"numpad 5 where Clear is", 0x0C, 0x65, false},
        {"with Win", 24646, 0x10000 | 24646, true},
        {"with Alt", 24646, 0x8000 | 24646, true},
        {"without modifiers", 24646, 0x46, true},
        {"another key", 24646, 24641, true},
        {"value 0", 0, 0, false},
        {"modifiers without key", 0, 0x6000, false},
        {"a code without key", 0, 0x4007, false},
        {"F24, which this keymap lacks", 0, 0x87, false},
        {"the Shift key", 0, 0x10, false},
        {"Print", 0, 0x2C, true},
        {"numpad decimal, on two keycodes", 0, 0x6E, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_manager->UnbindAll();
        std::vector<HotKeyRecord> expected;
        if (c.earlier) {
            std::uint16_t id = m_manager->BindHotKey(c.earlier);
            ASSERT_NE(id, 0);
            expected.push_back({c.earlier, id});
        }
        std::uint16_t id = m_manager->BindHotKey(c.value);
        EXPECT_EQ(id != 0, c.bound);
        if (id) {
            expected.push_back({c.value, id});
        }
        EXPECT_EQ(m_manager->records(), expected);
    }
}

TEST_F(HotKeys, SecondSlotWithTheSameValueGetsNoIdAndThePressReportsTheFirst) {
    HotkeySlotValues slots = factoryValues();
    slots[3] = slots[1];
    std::vector<std::uint16_t> ids;
    for (std::uint32_t value : slots) {
        ids.push_back(m_manager->BindHotKey(value));
    }
    EXPECT_NE(ids[1], 0);
    EXPECT_EQ(ids[3], 0);
    press({"ctrl+shift+f"});
    std::vector<HotKeyPress> reported = waitForPresses(1);
    ASSERT_EQ(reported, (std::vector<HotKeyPress>{{24646, ids[1]}}));
    EXPECT_EQ(slotForHotkey(slots, reported[0].first), 1u);
}

TEST_F(HotKeys, WinBitGrabsWithSuper) {
    std::uint16_t id = m_manager->BindHotKey(0x10000 | 0x46);
    ASSERT_NE(id, 0);
    EXPECT_EQ(freeForOthers(XK_f, XCB_MOD_MASK_4), kAllHeld);
    EXPECT_EQ(freeForOthers(XK_f, 0), kAllFree);
    // Ctrl+Shift+F goes to nobody; Super+F is the hotkey.
    press({"ctrl+shift+f", "super+f"});
    EXPECT_EQ(waitForPresses(1), (std::vector<HotKeyPress>{{0x10046, id}}));
}

TEST_F(HotKeys, ValueWithBitsOutsideTheTableGrabsButNeverFires) {
    std::uint16_t odd = m_manager->BindHotKey(0x20000 | 24646);
    std::uint16_t marker = m_manager->BindHotKey(24641);
    ASSERT_NE(odd, 0);
    ASSERT_NE(marker, 0);
    EXPECT_EQ(freeForOthers(XK_f, kCtrlShift), kAllHeld);
    // The marker's press comes after the other one: once it is in, the first has been seen.
    press({"ctrl+shift+f", "ctrl+shift+a"});
    EXPECT_EQ(waitForPresses(1), (std::vector<HotKeyPress>{{24641, marker}}));
}

TEST_F(HotKeys, UnbindHotKeyFreesItsKeyOnly) {
    std::uint16_t f = m_manager->BindHotKey(24646);
    std::uint16_t a = m_manager->BindHotKey(24641);
    ASSERT_NE(f, 0);
    ASSERT_NE(a, 0);
    EXPECT_TRUE(m_manager->UnbindHotKey(f));
    EXPECT_FALSE(m_manager->UnbindHotKey(f));
    EXPECT_FALSE(m_manager->UnbindHotKey(0));
    EXPECT_EQ(m_manager->records(), (std::vector<HotKeyRecord>{{24641, a}}));
    EXPECT_EQ(freeForOthers(XK_f, kCtrlShift), kAllFree);
    EXPECT_EQ(freeForOthers(XK_a, kCtrlShift), kAllHeld);
    press({"ctrl+shift+a"});
    EXPECT_EQ(waitForPresses(1), (std::vector<HotKeyPress>{{24641, a}}));

    // A new registration of the same value gets an id of its own.
    std::uint16_t again = m_manager->BindHotKey(24646);
    EXPECT_NE(again, 0);
    EXPECT_NE(again, f);
    EXPECT_NE(again, a);
}

class Release : public HotKeys, public ::testing::WithParamInterface<bool> {};

TEST_P(Release, LeavesNoGrab) {
    const bool destroy = GetParam();
    for (std::uint32_t value : factoryValues()) {
        ASSERT_NE(m_manager->BindHotKey(value), 0);
    }
    if (destroy) {
        m_manager.reset();
    } else {
        m_manager->UnbindAll();
        EXPECT_TRUE(m_manager->records().empty());
    }
    EXPECT_EQ(freeForOthers(XK_F10, 0), kAllFree);
    for (xcb_keysym_t letter : {XK_f, XK_a, XK_r, XK_e, XK_t, XK_o, XK_g, XK_h}) {
        SCOPED_TRACE(letter);
        EXPECT_EQ(freeForOthers(letter, kCtrlShift), kAllFree);
    }
}

INSTANTIATE_TEST_SUITE_P(UnbindAllOrDestruction, Release, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "Destructor" : "UnbindAll"; });

// The keyboard mapping changes under a registration: the grab follows the key, whether the
// change is heard of as a core MappingNotify (a client without XKB) or as XKB's MapNotify
// (what a client that uses XKB, as Qt does, receives instead after setxkbmap).
class Remapping : public HotKeys, public ::testing::WithParamInterface<bool> {};

TEST_P(Remapping, GrabFollowsTheKeyToItsNewKeycode) {
    const bool xkbNotice = GetParam();
    if (!test::onPath("xmodmap")) {
        GTEST_SKIP() << "xmodmap is not installed";
    }
    std::uint16_t id = m_manager->BindHotKey(24647);  // Ctrl+Shift+G
    std::uint16_t marker = m_manager->BindHotKey(24641);
    ASSERT_NE(id, 0);
    ASSERT_NE(marker, 0);
    OtherClient probe(m_display->name());
    xcb_keycode_t g = probe.keycodeOf(XK_g), h = probe.keycodeOf(XK_h);
    ASSERT_EQ(test::run({"xmodmap", "-e", "keycode " + std::to_string(g) + " = h H", "-e",
                         "keycode " + std::to_string(h) + " = g G"},
                        m_display->env()),
              0);
    // The mapping notification comes before the answer to a request sent after xmodmap ended.
    xcb_connection_t* c = m_conn->get();
    waitReply(c, xcb_get_input_focus_reply, xcb_get_input_focus(c));
    if (xkbNotice) {
        while (Reply<xcb_generic_event_t> dropped{xcb_poll_for_event(c)}) {
        }
        auto xkb = waitReply(c, xcb_query_extension_reply, xcb_query_extension(c, 9, "XKEYBOARD"));
        ASSERT_TRUE(xkb && xkb->present);
        xcb_generic_event_t mapNotify{};
        mapNotify.response_type = xkb->first_event;
        mapNotify.pad0 = 1;  // XkbMapNotify
        EXPECT_EQ(m_manager->handleEvent(&mapNotify), std::nullopt);
    } else {
        m_manager->processEvents(std::chrono::milliseconds(0));
    }

    // H now sits on G's old keycode, which must be free again: a press of it reports nothing,
    // and the marker's press comes before G's.
    press({"ctrl+shift+h", "ctrl+shift+a", "ctrl+shift+g"});
    EXPECT_EQ(waitForPresses(2), (std::vector<HotKeyPress>{{24641, marker}, {24647, id}}));
}

INSTANTIATE_TEST_SUITE_P(Notices, Remapping, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "Xkb" : "Core"; });

// What each key can produce, unshifted first: what tells the hotkey boxes that Shift+2 ("@")
// is the "2" key and a numpad key without NumLock its digit.
TEST_F(HotKeys, KeysymsOfAKeycodeComeInColumnOrder) {
    OtherClient probe(m_display->name());
    const std::pair<xcb_keysym_t, std::vector<std::uint32_t>> cases[] = {
        {XK_2, {XK_2, XK_at}},
        {XK_comma, {XK_comma, XK_less}},
        {XK_KP_1, {XK_KP_End, XK_KP_1}},
        {XK_F4, {XK_F4}},
    };
    for (const auto& [sym, expected] : cases) {
        SCOPED_TRACE(sym);
        std::vector<std::uint32_t> keysyms = m_manager->keysymsOfKeycode(probe.keycodeOf(sym));
        ASSERT_GE(keysyms.size(), expected.size());
        keysyms.resize(expected.size());
        EXPECT_EQ(keysyms, expected);
    }
    EXPECT_EQ(m_manager->keysymsOfKeycode(0), std::vector<std::uint32_t>{});
}

// The server announces a new keyboard whenever another device types; with the same mapping
// the grabs stay as they are: only the mapping is read again (no ungrab and grab of every
// combination, dozens of round trips), and the hotkeys go on firing.
TEST_F(HotKeys, NewKeyboardWithTheSameMappingKeepsTheGrabs) {
    std::uint16_t id = m_manager->BindHotKey(24647);  // Ctrl+Shift+G
    std::uint16_t other = m_manager->BindHotKey(24641);
    ASSERT_NE(id, 0);
    ASSERT_NE(other, 0);
    xcb_connection_t* c = m_conn->get();
    auto xkb = waitReply(c, xcb_query_extension_reply, xcb_query_extension(c, 9, "XKEYBOARD"));
    ASSERT_TRUE(xkb && xkb->present);
    const xcb_get_input_focus_cookie_t before = xcb_get_input_focus(c);
    waitReply(c, xcb_get_input_focus_reply, before);
    xcb_generic_event_t newKeyboard{};
    newKeyboard.response_type = xkb->first_event;
    newKeyboard.pad0 = 0;  // XkbNewKeyboardNotify
    EXPECT_EQ(m_manager->handleEvent(&newKeyboard), std::nullopt);
    const xcb_get_input_focus_cookie_t after = xcb_get_input_focus(c);
    waitReply(c, xcb_get_input_focus_reply, after);
    // The requests in between: the mapping's reads, where the grabs of 8 combinations and their
    // release would be 20 and more.
    EXPECT_LE(after.sequence - before.sequence - 1, 4u);
    EXPECT_EQ(freeForOthers(XK_g, kCtrlShift), kAllHeld);
    press({"ctrl+shift+a", "ctrl+shift+g"});
    EXPECT_EQ(waitForPresses(2), (std::vector<HotKeyPress>{{24641, other}, {24647, id}}));
}

}  // namespace
}  // namespace pelko::x11
