// The settings flow of the main window: load at start, save on every change, the reset.
#include <QMenu>

#include "shell_fixture.h"

namespace pelko::test {
namespace {

// The thirteen keys saveparams writes, as section/key.
const std::pair<const char*, const char*> kSavedKeys[] = {
    {"main", "sshk"},
    {"settings", "wct"},
    {"main", "language"},
    {"main", "skin"},
    {"watermark", "enable"},
    {"main", "ssreccursor"},
    {"settings", "saveac"},
    {"settings", "clipboardac"},
    {"settings", "paintac"},
    {"rightaftercapture", "ftpac"},
    {"rightaftercapture", "email"},
    {"general", "openeditor"},
    {"scaling", "enable"},
};

TEST_F(ShellTest, StartLoadsTheControlsAndBindsTheHotkeys) {
    writeSettings(
        "[main]\nssreccursor=1\nrunww=0\n[watermark]\nenable=1\n[general]\nopeneditor=0\n"
        "[scaling]\nenable=1\n[settings]\nsaveac=0\nclipboardac=1\npaintac=1\nwct=4\n"
        "[rightaftercapture]\nemail=1\n[hotkeys]\nrectangle=24646\n");
    start();
    EXPECT_TRUE(control<QCheckBox>("ssreccursor")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("cbenablewatermark")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("cbopenineditor")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("cbenablescaling")->isChecked());
    EXPECT_FALSE(action("mnsave")->isChecked());
    EXPECT_TRUE(action("mnclipboard")->isChecked());
    EXPECT_TRUE(action("mnpaint")->isChecked());
    EXPECT_FALSE(action("mnftp")->isChecked());
    EXPECT_TRUE(action("mnemail")->isChecked());
    EXPECT_EQ(control<QPushButton>("btnafter")->text(), "Clipboard, Editor, Email");
    EXPECT_TRUE(action("mnq7")->isChecked());
    EXPECT_EQ(control<QPushButton>("btninput")->text(), "Fixed Region");
    EXPECT_EQ(form->settings().currentMode, 4);
    EXPECT_EQ(startup, std::vector<bool>{false});
    ASSERT_EQ(bound.size(), 1u);
    EXPECT_EQ(bound[0], (std::array<std::uint32_t, 9>{120, 24646, 24641, 24646, 24645, 24660, 24655,
                                                      24647, 24648}));
}

TEST_F(ShellTest, StartWithoutSettingsLeavesTheInputMenuUnchecked) {
    start();
    EXPECT_EQ(form->settings().currentMode, 0);
    for (const char* item : {"mnq1", "mnq2", "mnq3", "mnq4", "mnq5", "mnq6", "mnq7", "mnq8"}) {
        EXPECT_FALSE(action(item)->isChecked()) << item;
    }
    EXPECT_EQ(control<QPushButton>("btninput")->text(), "Input");
    // A first start saves to files, so the first hotkey press leaves a picture behind.
    EXPECT_TRUE(action("mnsave")->isChecked());
    EXPECT_EQ(control<QPushButton>("btnafter")->text(), "File");
}

TEST_F(ShellTest, KindOutsideTheMenuLeavesMenuAndButtonAsTheyAre) {
    writeSettings("[settings]\nwct=9\n");
    start();
    EXPECT_EQ(form->settings().currentMode, 9);
    EXPECT_EQ(control<QPushButton>("btninput")->text(), "Input");
    for (QAction* item : control<QMenu>("menuinput")->actions()) {
        EXPECT_FALSE(item->isChecked()) << item->objectName().toStdString();
    }
}

TEST_F(ShellTest, StartWritesNothingButTheFolderAndTemplateRepairs) {
    // The check boxes change while the file is read; none of that may be saved.
    writeSettings("[main]\nssreccursor=1\n[watermark]\nenable=1\n[settings]\nsaveac=1\n");
    start();
    IniFile f = ini();
    EXPECT_TRUE(f.valueExists("main", "saveto"));
    EXPECT_TRUE(f.valueExists("settings", "screensfilename"));
    for (const auto& [section, key] : kSavedKeys) {
        const bool wasThere = std::string_view(key) == "ssreccursor" ||
                              std::string_view(section) == "watermark" ||
                              std::string_view(key) == "saveac";
        EXPECT_EQ(f.valueExists(section, key), wasThere) << section << "/" << key;
    }
}

TEST_F(ShellTest, TogglingACheckBoxWritesAllThirteenKeys) {
    start();
    control<QCheckBox>("ssreccursor")->click();
    IniFile f = ini();
    for (const auto& [section, key] : kSavedKeys) {
        EXPECT_TRUE(f.valueExists(section, key)) << section << "/" << key;
    }
    EXPECT_EQ(f.readString("main", "ssreccursor", ""), "1");
    EXPECT_EQ(f.readString("main", "sshk", ""), "120");
    EXPECT_EQ(f.readString("main", "skin", ""), "macos");
    EXPECT_EQ(f.readString("settings", "wct", ""), "0");
    EXPECT_EQ(f.readString("settings", "saveac", ""), "1");
    EXPECT_EQ(f.readString("settings", "clipboardac", ""), "0");
}

TEST_F(ShellTest, EachCheckBoxWritesItsOwnKey) {
    const struct {
        const char* box;
        const char* section;
        const char* key;
    } cases[] = {
        {"ssreccursor", "main", "ssreccursor"},
        {"cbenablewatermark", "watermark", "enable"},
        {"cbopenineditor", "general", "openeditor"},
        {"cbenablescaling", "scaling", "enable"},
    };
    start();
    for (const auto& c : cases) {
        control<QCheckBox>(c.box)->click();
        EXPECT_EQ(ini().readString(c.section, c.key, ""), "1") << c.box;
        control<QCheckBox>(c.box)->click();
        EXPECT_EQ(ini().readString(c.section, c.key, ""), "0") << c.box;
    }
}

TEST_F(ShellTest, ChoosingAnInputKindSetsTheModeAndSavesAtOnce) {
    start();
    action("mnq5")->trigger();  // "Rounded corners area"
    EXPECT_EQ(form->settings().currentMode, 7);
    EXPECT_EQ(control<QPushButton>("btninput")->text(), "Rounded corners area");
    EXPECT_EQ(ini().readString("settings", "wct", ""), "7");
    action("mnq2")->trigger();
    EXPECT_FALSE(action("mnq5")->isChecked());
    EXPECT_TRUE(action("mnq2")->isChecked());
    EXPECT_EQ(ini().readString("settings", "wct", ""), "2");
}

struct OutputCase {
    std::vector<const char*> checked;
    const char* caption;
};

TEST_F(ShellTest, OutputButtonSummarisesTheCheckedOutputs) {
    const OutputCase cases[] = {
        {{}, "Nothing"},
        {{"mnclipboard"}, "Clipboard"},
        {{"mnsave", "mnclipboard", "mnemail"}, "File, Clipboard, Email"},
        {{"mnpaint", "mnftp"}, "Editor, Web"},
        {{"mnemail", "mnftp", "mnpaint", "mnclipboard", "mnsave"},
         "File, Clipboard, Editor, Web, Email"},
    };
    start();
    for (const OutputCase& c : cases) {
        for (const char* item : {"mnsave", "mnclipboard", "mnpaint", "mnftp", "mnemail"}) {
            if (action(item)->isChecked()) {
                action(item)->trigger();
            }
        }
        for (const char* item : c.checked) {
            action(item)->trigger();
        }
        EXPECT_EQ(control<QPushButton>("btnafter")->text(), QString::fromLatin1(c.caption));
    }
}

TEST_F(ShellTest, OutputItemsToggleAndWriteTheirKeys) {
    const struct {
        const char* item;
        const char* section;
        const char* key;
    } cases[] = {
        {"mnsave", "settings", "saveac"},          {"mnclipboard", "settings", "clipboardac"},
        {"mnpaint", "settings", "paintac"},        {"mnftp", "rightaftercapture", "ftpac"},
        {"mnemail", "rightaftercapture", "email"},
    };
    start();
    for (const auto& c : cases) {
        const bool before = action(c.item)->isChecked();
        action(c.item)->trigger();
        EXPECT_NE(action(c.item)->isChecked(), before) << c.item;
        EXPECT_EQ(ini().readString(c.section, c.key, ""), before ? "0" : "1") << c.item;
        action(c.item)->trigger();
        EXPECT_EQ(ini().readString(c.section, c.key, ""), before ? "1" : "0") << c.item;
    }
}

TEST_F(ShellTest, ResetAnsweredNoChangesNothing) {
    writeSettings("[main]\nsshk=117\n[settings]\nwct=3\n");
    start();
    const std::string before = settingsText();
    boxes.answer = QMessageBox::No;
    action("SetSettingsToDefault1")->trigger();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "Do you really want to set all the program settings to default?");
    EXPECT_EQ(boxes.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(settingsText(), before);
    EXPECT_EQ(form->settings().currentMode, 3);
    EXPECT_EQ(bound.size(), 1u);
}

TEST_F(ShellTest, ResetAnsweredYesWritesTheFactoryValuesAndReloads) {
    writeSettings("[main]\nsshk=117\nskin=macos\n[settings]\nwct=3\nsaveac=0\n");
    start();
    boxes.answer = QMessageBox::Yes;
    action("SetSettingsToDefault1")->trigger();
    ASSERT_EQ(boxes.seen.size(), 1u);
    IniFile f = ini();
    EXPECT_EQ(f.readString("main", "sshk", ""), "121");
    EXPECT_EQ(f.readString("main", "skin", ""), "office2003");
    EXPECT_EQ(f.readString("general", "useskins", ""), "1");
    EXPECT_EQ(f.readString("settings", "wct", ""), "1");
    EXPECT_EQ(f.readString("settings", "jcq", ""), "90");
    EXPECT_TRUE(action("mnq1")->isChecked());
    EXPECT_EQ(control<QPushButton>("btninput")->text(), "Whole screen");
    EXPECT_TRUE(action("mnsave")->isChecked());
    EXPECT_EQ(control<QPushButton>("btnafter")->text(), "File");
    EXPECT_EQ(control<QLabel>("sLabel1")->text(), "F10");
    EXPECT_EQ(action("pmc1")->text(), "Capture with your settings\tF10");
    ASSERT_EQ(bound.size(), 2u) << "bound again by the reload";
    EXPECT_EQ(bound[1][0], 121u);
    EXPECT_EQ(form->skins().appliedSkin(), "office2003");
    form->skins().setEnabled(false);  // leave the application's look as it was
}

}  // namespace
}  // namespace pelko::test
