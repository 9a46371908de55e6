// The interface toolkit: skins, link buttons, the native event hook, display names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>

#include "support/temp_dir.h"
#include "ui/toolkit/builtin_skins.h"
#include "ui/toolkit/eliding_button.h"
#include "ui/toolkit/link_button.h"
#include "ui/toolkit/native_event_hook.h"
#include "ui/toolkit/skins.h"
#include "ui/toolkit/x11_display.h"

namespace pelko {
namespace {

using test::TempDir;
using test::writeText;

struct SkinCase {
    bool enabled;
    const char* name;
    const char* style;  // the application's style without a sheet; "": the default
    const char* sheet;  // "builtin:NAME", "file", or "" for none
    const char* applied;
};

TEST(Skins, NameAndSwitchChooseTheLook) {
    TempDir dir;
    writeText(dir.file("Sunset.qss"), "QPushButton { color: #c04000; }");
    writeText(dir.file("notes.txt"), "not a skin");
    const QString defaultStyle = QApplication::style()->name();
    const SkinCase cases[] = {
        {false, "macos", "", "", ""},
        {true, "macos", "fusion", "builtin:macos", "macos"},
        {true, "OFFICE2003", "fusion", "builtin:office2003", "OFFICE2003"},
        {true, "sunset", "fusion", "file", "sunset"},
        {true, "windows", "windows", "", "windows"},
        {true, "no such skin", "", "", ""},
        {true, "notes", "", "", ""},
        {true, "../Sunset", "", "", ""},
        {true, "", "", "", ""},
    };
    for (const SkinCase& c : cases) {
        SCOPED_TRACE(c.name);
        Skins skins;
        skins.setSkinFolder(QString::fromStdString(dir.path()));
        skins.setEnabled(c.enabled);
        skins.setSkinName(QString::fromLatin1(c.name));
        EXPECT_EQ(skins.appliedSkin(), QString::fromLatin1(c.applied));
        const std::string sheet = c.sheet;
        if (sheet.empty()) {
            const QString style = *c.style ? QString::fromLatin1(c.style) : defaultStyle;
            EXPECT_EQ(QApplication::style()->name().toLower(), style.toLower());
            EXPECT_TRUE(qApp->styleSheet().isEmpty());
        } else if (sheet == "file") {
            EXPECT_EQ(qApp->styleSheet(), "QPushButton { color: #c04000; }");
        } else {
            EXPECT_EQ(qApp->styleSheet(), builtInSkin(QString::fromStdString(sheet.substr(8))));
        }
        skins.setEnabled(false);
        EXPECT_TRUE(qApp->styleSheet().isEmpty());
        EXPECT_EQ(QApplication::style()->name().toLower(), defaultStyle.toLower());
    }
}

TEST(Skins, ListsBuiltInStylesAndFolderSkins) {
    TempDir dir;
    writeText(dir.file("Sunset.qss"), "");
    Skins skins;
    skins.setSkinFolder(QString::fromStdString(dir.path()));
    const QStringList names = skins.availableSkins();
    EXPECT_TRUE(names.contains("macos"));
    EXPECT_TRUE(names.contains("office2003"));
    EXPECT_TRUE(names.contains("Fusion"));
    EXPECT_TRUE(names.contains("Sunset"));
}

TEST(LinkButton, LooksLikeALinkAndClicks) {
    LinkButton link(QStringLiteral("Options"));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link.palette().color(QPalette::Link), QColor(Qt::blue));
    int clicks = 0;
    QObject::connect(&link, &LinkButton::clicked, [&] { ++clicks; });
    link.click();
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(link.sizeHint().width(), link.fontMetrics().horizontalAdvance("Options"));
}

TEST(ElidingButton, ShortensOnlyACaptionThatDoesNotFit) {
    ElidingButton button(QStringLiteral("File"));
    button.resize(137, 22);
    EXPECT_EQ(button.shownText(), "File");
    button.setText(QStringLiteral("File, Clipboard, Editor, Web, Email"));
    const QString shown = button.shownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(QStringLiteral("File, Clipboard, Editor, Web, Email").startsWith(shown.chopped(1)));
    EXPECT_EQ(button.text(), "File, Clipboard, Editor, Web, Email");
}

TEST(NativeEventHook, PassesOnlyX11EventsAndTheirVerdict) {
    std::vector<const void*> seen;
    NativeEventHook hook([&](const void* e) {
        seen.push_back(e);
        return true;
    });
    int event = 0;
    EXPECT_TRUE(hook.nativeEventFilter("xcb_generic_event_t", &event, nullptr));
    EXPECT_FALSE(hook.nativeEventFilter("windows_generic_MSG", &event, nullptr));
    EXPECT_EQ(seen, std::vector<const void*>{&event});
}

TEST(X11Display, ScreenNumberOfADisplayName) {
    const std::pair<const char*, int> cases[] = {
        {":0", 0},
        {":1.2", 2},
        {"host:3.1", 1},
        {"unix:7.0", 0},
        {"[::1]:0.3", 3},
        {"", 0},
        {":0.x", 0},
        {":0.-1", 0},
        {"/tmp/launch-1/org.x:0", 0},
        {":0.99999999999999", 0},
    };
    for (const auto& [name, screen] : cases) {
        EXPECT_EQ(screenNumberOf(name), screen) << name;
    }
}

TEST(X11Display, NoConnectionOffTheX11Platform) {
    if (QGuiApplication::platformName() == "xcb") {
        GTEST_SKIP() << "running on X11";
    }
    EXPECT_EQ(applicationX11Display(":0.1").connection, nullptr);
    EXPECT_EQ(applicationX11Display(":0.1").screenNumber, 1);
}

}  // namespace
}  // namespace pelko
