// The settings dialogs: what they load and store, their enable rules, the openers' pages, and
// the colour and hotkey boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <map>

#include "shell_fixture.h"
#include "ui/settings/general_settings.h"
#include "ui/settings/input_settings.h"
#include "ui/settings/output_settings.h"
#include "ui/toolkit/color_box.h"
#include "ui/toolkit/hotkey_box.h"
#include "ui/toolkit/link_button.h"

namespace pelko::test {
namespace {

class SettingsDialogsTest : public ShellTest {
  protected:
    static int openCount(const char* name) {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            count += w->objectName() == QLatin1String(name) && w->isVisible() ? 1 : 0;
        }
        return count;
    }
    // Starts a main window whose hotkeys of the given slots were refused, on a desktop with
    // that advice for binding keys (none: an ordinary desktop); the start-up message, if any.
    QMessageBox* startRefused(std::vector<std::size_t> refused, const std::string& hint = "") {
        auto s = services();
        s.hotkeyHint = [hint] { return hint; };
        s.refusedHotkeySlots = [refused] { return refused; };
        form = std::make_unique<TForm1>(s);
        form->FormCreate();
        form->reportRefusedHotkeys();
        return form->findChild<QMessageBox*>("refusedHotkeys");
    }
    bool mainOpen = false;  // the open mark of dialogs made without a main window
};

TEST_F(SettingsDialogsTest, OpenersShowOneDialogOnTheirPage) {
    struct Case {
        const char* opener;
        const char* dialog;
        int page;
    };
    const Case cases[] = {
        {"sSpeedButton10", "Tfrmoutputsettings", 0}, {"label1", "Tfrmoutputsettings", 3},
        {"label2", "Tfrmoutputsettings", 4},         {"lblscreensadv", "Tfrmgeneralsettings", 0},
        {"lbledithk", "Tfrmgeneralsettings", 1},     {"sSpeedButton9", "Tfrminputsettings", 0},
    };
    start();
    for (const Case& c : cases) {
        control<QAbstractButton>(c.opener)->click();
        control<QAbstractButton>(c.opener)->click();
        EXPECT_EQ(openCount(c.dialog), 1) << c.opener;
        auto* dialog = form->findChild<QWidget*>(QString::fromLatin1(c.dialog));
        ASSERT_NE(dialog, nullptr) << c.opener;
        EXPECT_EQ(dialog->findChild<QTabWidget*>("pages")->currentIndex(), c.page) << c.opener;
    }
    EXPECT_TRUE(form->OutputSettingsOpen && form->InputSettingsOpen && form->GeneralSettingsOpen);
    EXPECT_TRUE(boxes.seen.empty());
    // The entry point the editor's "Format properties" uses brings the same dialog forward.
    QWidget* output = form->findChild<QWidget*>("Tfrmoutputsettings");
    EXPECT_EQ(form->openOutputSettings(Tfrmoutputsettings::FileFormat), output);
    EXPECT_EQ(output->findChild<QTabWidget*>("pages")->currentIndex(), 1);
    // Closed, the dialog is gone; the next opening loads a new one.
    output->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form->OutputSettingsOpen);
    EXPECT_EQ(form->findChild<QWidget*>("Tfrmoutputsettings"), nullptr);
}

// "..." beside the output opens a new dialog on "File" while captures are saved to files and on
// "Watermark" otherwise; an open dialog comes forward on "File" either way.
TEST_F(SettingsDialogsTest, OutputButtonOpensOnFileOnlyWhileSavingToFiles) {
    for (const auto& [saveac, page] : {std::pair{"1", 0}, std::pair{"0", 3}}) {
        SCOPED_TRACE(saveac);
        writeSettings(std::string("[settings]\nsaveac=") + saveac + "\n");
        start();
        control<QAbstractButton>("sSpeedButton10")->click();
        auto* pages = form->findChild<QWidget*>("Tfrmoutputsettings")->findChild<QTabWidget*>();
        EXPECT_EQ(pages->currentIndex(), page);
        pages->setCurrentIndex(4);
        control<QAbstractButton>("sSpeedButton10")->click();
        EXPECT_EQ(pages->currentIndex(), 0);
        form.reset();
    }
}

TEST_F(SettingsDialogsTest, InputSettingsOpenOnTheFixedRegionForThatDefaultKind) {
    for (const auto& [wct, page] : {std::pair{"4", 1}, std::pair{"3", 0}}) {
        writeSettings(std::string("[settings]\nwct=") + wct + "\n");
        start();
        Tfrminputsettings* dialog = form->openInputSettings();
        EXPECT_EQ(dialog->pages()->currentIndex(), page) << wct;
        form.reset();
    }
}

TEST_F(SettingsDialogsTest, OutputSettingsLoadTheFile) {
    struct Case {
        const char* file;
        std::function<void(Tfrmoutputsettings&)> check;
    };
    const Case cases[] = {
        // Factory state: the picture format BMP whatever main/saveas says, LZW, and the quality
        // the encoders use.
        {"[main]\nsaveas=png\n",
         [](Tfrmoutputsettings& d) {
             EXPECT_TRUE(d.cbbmp->isChecked());
             EXPECT_TRUE(d.cblzw->isChecked());
             EXPECT_EQ(d.tbjpegq->value(), 90);
             EXPECT_EQ(d.txautofilename->text(), "<%DATE> at <%TIME>");
             EXPECT_TRUE(d.cbpercent->isChecked());
             EXPECT_FALSE(d.cbenable->isChecked());
         }},
        {"[format]\nfr=7\n[compression]\ngifmethod=9\n",
         [](Tfrmoutputsettings& d) {
             for (QRadioButton* b : {d.cbbmp, d.cbjpg, d.cbpng, d.cbgif, d.cblzw, d.cbrle}) {
                 EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
             }
         }},
        {"[format]\nfr=3\n[compression]\njpegquality=40\ngifmethod=2\n[scaling]\nstype=2\n"
         "width=640\nheight=480\nenable=1\n[watermark]\ndirection=2\nhtype=1\nvtype=1\ntop=5\n"
         "left=6\nenable=1\ntransparent=1\nimagefile=/w.png\n[main]\nsaveto=/shots/\n"
         "[settings]\nscreensfilename=shot\njcq=40\n[general]\nexteditor=/usr/bin/gimp\n",
         [](Tfrmoutputsettings& d) {
             EXPECT_TRUE(d.cbpng->isChecked());
             EXPECT_TRUE(d.cbrle->isChecked());
             EXPECT_EQ(d.tbjpegq->value(), 40);
             EXPECT_EQ(d.sejpegq->value(), 40);
             EXPECT_TRUE(d.cbpixels->isChecked());
             EXPECT_EQ(d.sesclwidth->value(), 640);
             EXPECT_EQ(d.sesclheight->value(), 480);
             EXPECT_EQ(d.cmbdirection->currentIndex(), 2);
             EXPECT_EQ(d.cbhtype->currentIndex(), 1);
             EXPECT_EQ(d.cbvtype->currentIndex(), 1);
             EXPECT_EQ(d.setop->value(), 5);
             EXPECT_EQ(d.seleft->value(), 6);
             EXPECT_TRUE(d.cbenable->isChecked() && d.cbtransparent->isChecked());
             EXPECT_EQ(d.tximagefile->text(), "/w.png");
             EXPECT_EQ(d.txfolder->text(), "/shots/");
             EXPECT_EQ(d.lblsample->text(), "shot");
             EXPECT_EQ(d.exteditor->text(), "/usr/bin/gimp");
         }},
        // The values the encoders use are the ones shown.
        {"[compression]\njpegquality=40\ngifmethod=1\n[settings]\njcq=85\ngifcomp=2\n",
         [](Tfrmoutputsettings& d) {
             EXPECT_EQ(d.tbjpegq->value(), 85);
             EXPECT_TRUE(d.cbrle->isChecked());
         }},
        // Hand-edited values out of range are held within the controls' ranges.
        {"[settings]\njcq=250\n[watermark]\ntop=-5\nleft=100000\ndirection=9\n"
         "htype=-1\n[scaling]\nwidth=99999\nstype=5\n",
         [](Tfrmoutputsettings& d) {
             EXPECT_EQ(d.tbjpegq->value(), 100);
             EXPECT_EQ(d.setop->value(), 0);
             EXPECT_EQ(d.seleft->value(), 100);
             EXPECT_EQ(d.cmbdirection->currentIndex(), 0);
             EXPECT_EQ(d.cbhtype->currentIndex(), 0);
             EXPECT_EQ(d.sesclwidth->value(), 9999);
             EXPECT_TRUE(d.cbpercent->isChecked());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeSettings(c.file);
        Tfrmoutputsettings dialog(mainOpen, paths, nullptr);
        c.check(dialog);
    }
}

TEST_F(SettingsDialogsTest, OutputSettingsStoreInOrderInOneWriteAndTheMainWindowRereads) {
    writeSettings("[watermark]\n[scaling]\n[format]\n[compression]\n");
    start();
    Tfrmoutputsettings* d = form->openOutputSettings(Tfrmoutputsettings::File);
    d->cbjpg->setChecked(true);
    d->sejpegq->setValue(150);  // held at 100
    d->cbenable->setChecked(true);
    d->cbenablescaling->setChecked(true);
    d->cbrle->setChecked(true);
    d->SpeedButton3Click();
    d->Button1Click();
    const IniFile f = ini();
    EXPECT_EQ(f.readInteger("format", "fr", 0), 2);
    EXPECT_EQ(f.readString("main", "saveas", ""), "jpg");
    EXPECT_EQ(f.readInteger("compression", "jpegquality", 0), 100);
    EXPECT_EQ(f.readInteger("settings", "jcq", 0), 100);
    EXPECT_EQ(f.readInteger("compression", "gifmethod", 0), 2);
    EXPECT_EQ(f.readInteger("settings", "gifcomp", 0), 2);
    EXPECT_EQ(f.readInteger("scaling", "stype", 0), 1);
    EXPECT_NE(f.readString("settings", "screensfilename", "").find("<%SSNUM>"), std::string::npos);
    // The main window took up the new values.
    EXPECT_TRUE(control<QCheckBox>("cbenablewatermark")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("cbenablescaling")->isChecked());
    // Keys of a section stand in the order they were written.
    const std::string text = settingsText();
    std::size_t at = text.find("[watermark]");
    for (const char* key : {"imagefile=", "top=", "left=", "enable=", "transparent=", "direction=",
                            "htype=", "vtype="}) {
        const std::size_t next = text.find(key, at);
        EXPECT_NE(next, std::string::npos) << key;
        at = next;
    }
    at = text.find("[scaling]");
    for (const char* key : {"enable=", "width=", "height=", "stype="}) {
        const std::size_t next = text.find(key, at);
        EXPECT_NE(next, std::string::npos) << key;
        at = next;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form->OutputSettingsOpen);
}

TEST_F(SettingsDialogsTest, OutputSettingsWithNoFormatCheckedStoreNoFormat) {
    writeSettings("[format]\nfr=7\n[main]\nsaveas=gif\n");
    Tfrmoutputsettings d(mainOpen, paths, nullptr);
    d.Button1Click();
    EXPECT_EQ(ini().readInteger("format", "fr", 0), 7);
    EXPECT_EQ(ini().readString("main", "saveas", ""), "gif");
}

// A folder inside the program folder shows as a whole path and is stored relative to the
// program folder, so that a copy of the folder saves into its own.
TEST_F(SettingsDialogsTest, FolderInsideTheProgramFolderShowsWholeAndIsStoredRelative) {
    writeSettings("[main]\nsaveto=screens/\n");
    Tfrmoutputsettings d(mainOpen, paths, nullptr);
    EXPECT_EQ(d.txfolder->text().toStdString(), paths.programDir + "/screens/");
    d.setChosenFolder(QString::fromStdString(paths.programDir + "/screens/shots"));
    d.Button1Click();
    EXPECT_EQ(ini().readString("main", "saveto", ""), "screens/shots/");
}

TEST_F(SettingsDialogsTest, CancelWritesNothing) {
    writeSettings("[main]\nsaveto=/x/\n");
    start();
    const std::string started = settingsText();
    auto* out = form->openOutputSettings(0);
    out->txfolder->setText("/elsewhere/");
    out->cbgif->setChecked(true);
    out->Button2Click();
    auto* general = form->openGeneralSettings(1);
    general->hotkeys[1]->setValue(24663);
    general->Button2Click();
    auto* input = form->openInputSettings();
    input->txstartx->setText("5");
    input->close();  // the title bar
    EXPECT_EQ(settingsText(), started);
    // Hotkeys set aside while a box had the keyboard come back as they were.
    ASSERT_FALSE(bound.empty());
    EXPECT_EQ(bound.back(), bound.front());
}

TEST_F(SettingsDialogsTest, EnableRulesFollowTheirCheckBoxes) {
    Tfrmoutputsettings d(mainOpen, paths, nullptr);
    const std::vector<QWidget*> watermark{d.tximagefile,   d.btnopen,     d.cbhtype,
                                          d.cbvtype,       d.setop,       d.seleft,
                                          d.cbtransparent, d.cmbdirection};
    const std::vector<QWidget*> scaling{d.sesclwidth, d.sesclheight, d.cbpercent, d.cbpixels};
    for (bool on : {true, false}) {
        d.cbenable->setChecked(on);
        d.cbenablescaling->setChecked(on);
        for (QWidget* w : watermark) {
            EXPECT_EQ(w->isEnabled(), on) << w->objectName().toStdString();
        }
        for (QWidget* w : scaling) {
            EXPECT_EQ(w->isEnabled(), on) << w->objectName().toStdString();
        }
        EXPECT_TRUE(d.cbenable->isEnabled());
        EXPECT_TRUE(d.cbenablescaling->isEnabled());
    }
}

TEST_F(SettingsDialogsTest, TemplateButtonsAppendAndThePreviewExpands) {
    Tfrmoutputsettings d(mainOpen, paths, nullptr);
    d.txautofilename->setText("shot");
    d.txautofilename->setCursorPosition(0);  // the token goes to the end wherever the caret is
    d.SpeedButton3Click();
    EXPECT_EQ(d.txautofilename->text(), "shot<%SSNUM>");
    EXPECT_TRUE(QRegularExpression("^shot(1?[0-9])$").match(d.lblsample->text()).hasMatch())
        << d.lblsample->text().toStdString();
    d.txautofilename->setText("");
    d.SpeedButton2Click();
    d.SpeedButton1Click();
    EXPECT_EQ(d.txautofilename->text(), "<%DATE><%TIME>");
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d\\d\\d-\\d\\d-\\d\\d$")
                    .match(d.lblsample->text())
                    .hasMatch())
        << d.lblsample->text().toStdString();
    for (const auto& [chosen, shown] :
         {std::pair{"/tmp/shots", "/tmp/shots/"}, std::pair{"/", "/"}, std::pair{"/a/", "/a/"}}) {
        d.setChosenFolder(chosen);
        EXPECT_EQ(d.txfolder->text(), shown);
    }
}

TEST_F(SettingsDialogsTest, OkWarnsOfAnUnusableFolderAndStillStores) {
    start();
    auto* d = form->openOutputSettings(0);
    d->txfolder->setText(QString::fromStdString(dir.path() + "/missing/"));
    d->Button1Click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains("missing/")) << boxes.seen[0].text.toStdString();
    EXPECT_EQ(ini().readString("main", "saveto", ""), "missing/");  // in the program folder
}

// A number typed past a box's range becomes its end at once, never a number cut digit by digit.
TEST_F(SettingsDialogsTest, NumbersTypedPastTheRangeAreHeldAtItsEnd) {
    struct Case {
        const char* box;
        const char* typed;
        int value;
    };
    const Case cases[] = {
        {"sejpegq", "150", 100}, {"sejpegq", "99", 99},         {"setop", "250", 100},
        {"seleft", "1000", 100}, {"sesclwidth", "12345", 9999}, {"sesclheight", "99999", 9999},
    };
    writeSettings("[scaling]\nenable=1\nstype=2\n[watermark]\nenable=1\n");
    start();
    Tfrmoutputsettings* d = form->openOutputSettings(Tfrmoutputsettings::File);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.typed);
        auto* box = d->findChild<QSpinBox*>(c.box);
        ASSERT_NE(box, nullptr);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->value(), c.value);
        EXPECT_EQ(box->text(), QString::number(c.value));
    }
    EXPECT_EQ(d->tbjpegq->value(), 99);
    d->sejpegq->setFocus();
    QTest::keyClick(d->sejpegq, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(d->sejpegq, "150");
    EXPECT_EQ(d->tbjpegq->value(), 100);
    QTest::keyClick(d->sejpegq, Qt::Key_Return);  // "Ok"
    EXPECT_EQ(ini().readInteger("compression", "jpegquality", 0), 100);
    EXPECT_EQ(ini().readInteger("settings", "jcq", 0), 100);
    EXPECT_EQ(ini().readInteger("watermark", "top", 0), 100);
    EXPECT_EQ(ini().readInteger("scaling", "width", 0), 9999);
}

// A scaling that no capture can be scaled to is refused at "Ok" with the field and its range:
// the dialog stays open on the field and nothing is stored. Values that can work are stored.
TEST_F(SettingsDialogsTest, OutputSettingsRefuseScalingNoCaptureCanHave) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    const QSize size = primary->geometry().size() * primary->devicePixelRatio();
    const QString screenText =
        QStringLiteral("the whole screen (%1 x %2)").arg(size.width()).arg(size.height());
    struct Case {
        bool enabled;
        bool pixels;
        int width, height;
        QString message;  // empty: stored
        const char* field;
    };
    const Case cases[] = {
        {true, true, 0, 90, "Width must be from 1 to 9999 with a height of 90", "sesclwidth"},
        {true, false, 100, 0, "Height must be from 1 to 9999 percent", "sesclheight"},
        {true, false, 9999, 9999, "Height must be from 1 to ", "sesclheight"},
        {false, true, 0, 0, "", nullptr},  // not used while scaling is off
        {true, true, 9999, 9999, "", nullptr},
        {true, false, 1, 1, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        writeSettings("[scaling]\nwidth=50\n");
        boxes.seen.clear();
        start();
        Tfrmoutputsettings* d = form->openOutputSettings(Tfrmoutputsettings::File);
        d->cbenablescaling->setChecked(c.enabled);
        (c.pixels ? d->cbpixels : d->cbpercent)->setChecked(true);
        d->sesclwidth->setValue(c.width);
        d->sesclheight->setValue(c.height);
        const std::string before = settingsText();
        d->Button1Click();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(boxes.seen.empty());
            EXPECT_EQ(ini().readInteger("scaling", "width", -1), c.width);
            EXPECT_FALSE(d->isVisible());
        } else {
            ASSERT_EQ(boxes.seen.size(), 1u);
            EXPECT_TRUE(boxes.seen[0].text.startsWith(c.message))
                << boxes.seen[0].text.toStdString();
            EXPECT_EQ(settingsText(), before);
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(d->pages()->currentIndex(), Tfrmoutputsettings::Scaling);
            EXPECT_EQ(d->focusWidget(), d->findChild<QWidget*>(c.field));
        }
        form.reset();
    }
    // Percentages are held to what the screen scaled so can hold.
    writeSettings("");
    start();
    Tfrmoutputsettings* d = form->openOutputSettings(Tfrmoutputsettings::File);
    d->cbenablescaling->setChecked(true);
    d->sesclwidth->setValue(9999);
    d->sesclheight->setValue(9999);
    d->Button1Click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains(screenText)) << boxes.seen[0].text.toStdString();
}

TEST_F(SettingsDialogsTest, OutputFolderIsStoredWithItsSlashAndAnEmptyOneIsNamed) {
    const QString existing = QString::fromStdString(dir.path() + "/shots");
    QDir().mkpath(existing);
    struct Case {
        QString typed;
        QString stored;
        QString warning;  // empty: none
    };
    const Case cases[] = {
        // Folders inside the program folder are stored relative to it.
        {existing, "shots/", ""},
        {existing + "/", "shots/", ""},
        {existing + "/missing", "shots/missing",
         "The folder " + existing +
             "/missing does not exist. Captures are saved in the "
             "screens folder until it can be used."},
        {"", "screens/", "The folder name is empty. Captures are saved in the screens folder."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        boxes.seen.clear();
        start();
        Tfrmoutputsettings* d = form->openOutputSettings(Tfrmoutputsettings::File);
        d->txfolder->setText(c.typed);
        d->Button1Click();
        EXPECT_EQ(QString::fromStdString(ini().readString("main", "saveto", "")), c.stored);
        if (c.warning.isEmpty()) {
            EXPECT_TRUE(boxes.seen.empty());
        } else {
            ASSERT_EQ(boxes.seen.size(), 1u);
            EXPECT_EQ(boxes.seen[0].text, c.warning);
        }
        form.reset();
    }
}

// A fixed region without area, or larger than a capture can hold, is refused at "Ok" with the
// field and its range; the dialog stays open on the field and nothing is stored.
TEST_F(SettingsDialogsTest, InputSettingsRefuseRegionsNoCaptureCanHave) {
    struct Case {
        const char* width;
        const char* height;
        const char* message;  // empty: stored
        const char* field;
    };
    const Case cases[] = {
        {"0", "300", "Width must be from 1 to 1789569 with a height of 300", "txwidth"},
        {"400", "-5", "Height must be from 1 to 1342177 with a width of 400", "txheight"},
        {"-1", "0", "Width must be from 1 to 536870912", "txwidth"},
        {"30000", "30000",
         "Height must be from 1 to 17895 with a width of 30000: a capture holds at most "
         "536870912 pixels",
         "txheight"},
        {"600000000", "1",
         "Width must be from 1 to 536870912 with a height of 1: a capture holds at most "
         "536870912 pixels",
         "txwidth"},
        {"23170", "23170", "", nullptr},
        {"1", "1", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        writeSettings("[settings]\nwct=4\n");
        boxes.seen.clear();
        start();
        Tfrminputsettings* d = form->openInputSettings();
        d->pages()->setCurrentIndex(Tfrminputsettings::GeneralOptions);
        d->txwidth->setText(c.width);
        d->txheight->setText(c.height);
        const std::string before = settingsText();
        d->Button1Click();
        if (*c.message == 0) {
            EXPECT_TRUE(boxes.seen.empty());
            EXPECT_EQ(ini().readString("settings", "rwidth", ""), c.width);
            EXPECT_EQ(ini().readString("settings", "rheight", ""), c.height);
        } else {
            ASSERT_EQ(boxes.seen.size(), 1u);
            EXPECT_EQ(boxes.seen[0].text.toStdString(), c.message);
            EXPECT_EQ(settingsText(), before);
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(d->pages()->currentIndex(), Tfrminputsettings::FixedRegionOptions);
            EXPECT_EQ(d->focusWidget(), d->findChild<QWidget*>(c.field));
        }
        form.reset();
    }
}

TEST_F(SettingsDialogsTest, InputSettingsLoadStoreAndPick) {
    // No settings.ini: the initial values.
    {
        Tfrminputsettings d(mainOpen, paths.settingsFile(), nullptr, nullptr);
        EXPECT_EQ(d.txstartx->text(), "100");
        EXPECT_EQ(d.txstarty->text(), "100");
        // The region and the hint the program uses while the keys are missing.
        EXPECT_EQ(d.txwidth->text(), "400");
        EXPECT_EQ(d.txheight->text(), "300");
        // The colour captures use while the key is missing: black, and "Ok" keeps it.
        EXPECT_EQ(d.bgcolor->colorValue(), 0);
        EXPECT_TRUE(d.cbshowhint->isChecked());
        bool labelled = false;
        for (QLabel* label : d.findChildren<QLabel*>()) {
            labelled |= label->text() == "Non-rectangular areas background color";
        }
        EXPECT_TRUE(labelled);
        d.Button1Click();
        EXPECT_EQ(ini().readString("general", "screenbgcolor", ""), "0");
    }
    writeSettings("[general]\nshowhint=0\nscreenbgcolor=255\n[settings]\nstartx=7\nstarty=junk\n");
    int picks = 0;
    Tfrminputsettings d(mainOpen, paths.settingsFile(), nullptr, [&]() -> std::optional<Rect> {
        return ++picks == 1 ? std::optional<Rect>(Rect{10, 20, 110, 70}) : std::nullopt;
    });
    EXPECT_FALSE(d.cbshowhint->isChecked());
    EXPECT_EQ(d.bgcolor->color(), QColor(Qt::red));
    EXPECT_EQ(d.txstartx->text(), "7");
    EXPECT_EQ(d.txstarty->text(), "100");  // not a number: the initial value
    const std::string before = settingsText();
    d.lblselectarea->click();
    EXPECT_EQ(d.txstartx->text(), "10");
    EXPECT_EQ(d.txstarty->text(), "20");
    EXPECT_EQ(d.txwidth->text(), "100");
    EXPECT_EQ(d.txheight->text(), "50");
    d.lblselectarea->click();  // cancelled: unchanged
    EXPECT_EQ(d.txwidth->text(), "100");
    EXPECT_EQ(settingsText(), before);

    // An incomplete number is refused with the box named, and nothing is written.
    d.txheight->setText("-");
    d.Button1Click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "Height must be a whole number");
    EXPECT_EQ(settingsText(), before);
    d.txheight->setText("50");
    d.bgcolor->setColorValue(0x00FF00);
    d.Button1Click();
    const IniFile f = ini();
    EXPECT_EQ(f.readString("settings", "startx", ""), "10");
    EXPECT_EQ(f.readString("settings", "rheight", ""), "50");
    EXPECT_EQ(f.readInteger("general", "screenbgcolor", 0), 0x00FF00);
    EXPECT_FALSE(f.readBool("general", "showhint", true));
}

TEST_F(SettingsDialogsTest, GeneralSettingsLoadStoreAndRebind) {
    start();
    {
        // Nothing stored for the dialog's keys: the hotkeys the main window binds then (not
        // one key for all nine); "Use Skins" off.
        std::filesystem::remove(paths.settingsFile());
        bool open = false;
        Tfrmgeneralsettings d(open, paths.settingsFile(), nullptr, {"b", "a"}, nullptr);
        const std::uint32_t inEffect[] = {120,   24646, 24641, 24658, 24645,
                                          24660, 24648, 24655, 24647};
        for (std::size_t row = 0; row < 9; ++row) {
            EXPECT_EQ(d.hotkeys[row]->value(), inEffect[row]) << row;
            EXPECT_TRUE(d.hotkeys[row]->conflict().isEmpty()) << row;
        }
        EXPECT_FALSE(d.cbuseskins->isChecked());
        EXPECT_TRUE(d.cbrunww->isChecked());
        EXPECT_TRUE(d.cbminimize->isChecked());
        EXPECT_FALSE(d.cbstartminimized->isChecked());
        EXPECT_EQ(d.cbskin->currentText(), "macos");
        d.Button1Click();
        EXPECT_EQ(ini().readInteger("main", "sshk", 0), 120);
        EXPECT_EQ(ini().readInteger("hotkeys", "freehand", 0), 24648);
    }
    writeSettings(
        "[main]\nsshk=120\nskin=MySkin\nrunmm=1\n[hotkeys]\nfullscreen=24646\n"
        "freehand=24648\nobject=24655\n[general]\nuseskins=1\n");
    form.reset();
    bound.clear();
    start();
    auto* d = form->openGeneralSettings(1);
    EXPECT_EQ(d->hotkeys[0]->value(), 120u);
    EXPECT_EQ(d->hotkeys[1]->value(), 24646u);
    EXPECT_EQ(d->hotkeys[6]->value(), 24648u);  // the freehand box
    EXPECT_EQ(d->hotkeys[7]->value(), 24655u);  // the object box
    EXPECT_EQ(d->cbskin->currentText(), "MySkin");
    EXPECT_TRUE(d->cbuseskins->isChecked() && d->cbstartminimized->isChecked());
    // Ctrl+Shift+W pressed in the whole-screen box.
    d->hotkeys[1]->setFocus();
    QTest::keyClick(d->hotkeys[1], Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(d->hotkeys[1]->value(), 24663u);
    d->cbskin->setEditText("Fusion");
    d->Button1Click();
    EXPECT_EQ(ini().readInteger("hotkeys", "fullscreen", 0), 24663);
    EXPECT_EQ(ini().readString("main", "skin", ""), "Fusion");
    ASSERT_GE(bound.size(), 2u);
    EXPECT_EQ(bound.back()[1], 24663u);
    EXPECT_EQ(bound.back()[8], 24648u);  // slot 8 is the freehand region
    EXPECT_EQ(form->skins().appliedSkin(), "Fusion");
}

TEST_F(SettingsDialogsTest, HotkeyBoxesNameTheirConflicts) {
    std::vector<std::uint32_t> asked;
    bool open = false;
    writeSettings(
        "[main]\nsshk=120\n[hotkeys]\nfullscreen=121\nactivewindow=122\nrectangle=123\n"
        "ellipse=124\nroundedrect=125\nobject=126\nfixedrect=127\nfreehand=128\n");
    Tfrmgeneralsettings d(open, paths.settingsFile(), nullptr, {}, [&](std::uint32_t v) {
        asked.push_back(v);
        return v == 125;  // F14 is held by another program
    });
    for (std::size_t row = 0; row < 9; ++row) {
        EXPECT_EQ(d.hotkeys[row]->conflict().isEmpty(), row != 5) << row;
    }
    EXPECT_EQ(d.hotkeys[5]->conflict(), "Another program holds this hotkey");
    d.hotkeys[2]->setValue(120);
    EXPECT_EQ(d.hotkeys[0]->conflict(), "This hotkey is also set for \"Capture active window\"");
    EXPECT_EQ(d.hotkeys[2]->conflict(),
              "This hotkey is also set for \"Capture with your settings\"");
    // Cleared, a box holds 0 and conflicts with nothing.
    d.hotkeys[2]->setFocus();
    QTest::keyClick(d.hotkeys[2], Qt::Key_Backspace);
    EXPECT_EQ(d.hotkeys[2]->value(), 0u);
    EXPECT_TRUE(d.hotkeys[0]->conflict().isEmpty());
    EXPECT_TRUE(d.hotkeys[2]->conflict().isEmpty());
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 0u), 0);
}

// While a hotkey box has the focus it holds the keyboard: the window manager's combinations and
// those other programs have bound reach the box.
TEST_F(SettingsDialogsTest, AHotkeyBoxHoldsTheKeyboardWhileItHasTheFocus) {
    start();
    Tfrmgeneralsettings* d = form->openGeneralSettings(Tfrmgeneralsettings::Hotkeys);
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    EXPECT_EQ(QWidget::keyboardGrabber(), d->hotkeys[0]);
    QTest::keyClick(d->hotkeys[0], Qt::Key_Tab);
    EXPECT_EQ(QWidget::keyboardGrabber(), d->hotkeys[1]);
    QTest::keyClick(d->hotkeys[1], Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(d->hotkeys[1]->text(), "Alt+F4");
    EXPECT_TRUE(d->isVisible());
    d->findChild<QWidget*>("cbskin")->setFocus();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    d->hotkeys[2]->setFocus();
    d->close();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

// After "Ok" the hotkeys that could not be bound are named at once, in the message of the
// start; the other dialogs, which change no hotkey, say nothing of them.
TEST_F(SettingsDialogsTest, OkInGeneralSettingsNamesTheHotkeysThatCouldNotBeBound) {
    writeSettings("[main]\nsshk=65656\n[hotkeys]\nfullscreen=24646\n");
    auto s = services();
    s.refusedHotkeySlots = [] { return std::vector<std::size_t>{0, 1}; };
    form = std::make_unique<TForm1>(s);
    form->FormCreate();
    Tfrmgeneralsettings* d = form->openGeneralSettings(Tfrmgeneralsettings::Hotkeys);
    EXPECT_EQ(d->hotkeys[0]->text(), "Win+F9");
    d->Button1Click();
    auto* box = form->findChild<QMessageBox*>("refusedHotkeys");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(
        box->text().contains("Capture with your settings (Win+F9)\n"
                             "Capture whole screen (Ctrl+Shift+F)"))
        << box->text().toStdString();
    delete box;
    form->openInputSettings()->Button1Click();
    form->openOutputSettings(Tfrmoutputsettings::File)->Button1Click();
    EXPECT_EQ(form->findChild<QMessageBox*>("refusedHotkeys"), nullptr);
}

TEST_F(SettingsDialogsTest, StartUpNamesEveryRefusedHotkeyInOneMessage) {
    writeSettings("[hotkeys]\nfullscreen=24646\nfreehand=24648\n");
    auto* box = startRefused({1, 8});
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("Capture whole screen (Ctrl+Shift+F)"));
    EXPECT_TRUE(box->text().contains("Capture freehand region (Ctrl+Shift+H)"));
    EXPECT_FALSE(box->text().contains("Capture object"));
}

// Where the desktop lets no program bind hotkeys, the hotkey page and the start-up message say
// how to bind captures in the desktop instead; elsewhere neither mentions it.
TEST_F(SettingsDialogsTest, HotkeyHintShowsOnlyWhereTheDesktopBindsTheKeys) {
    const std::string hint = "bindsym Print exec pelko --capture screen";
    for (const std::string& given : {hint, std::string()}) {
        SCOPED_TRACE(given);
        writeSettings("[hotkeys]\nfullscreen=24646\n");
        auto* box = startRefused({1}, given);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().contains(QString::fromStdString(hint)), !given.empty());
        auto* d = form->openGeneralSettings(1);
        d->show();
        EXPECT_EQ(d->lbhotkeyhint->isVisible(), !given.empty());
        EXPECT_EQ(d->lbhotkeyhint->text().toStdString(), given);
        d->close();
        form.reset();
    }
}

// The advice to bind the captures in the desktop can be turned off; a real conflict of hotkeys
// is reported at every start.
TEST_F(SettingsDialogsTest, BindingHintCanBeTurnedOffButConflictsStay) {
    writeSettings("[hotkeys]\nfullscreen=24646\n");
    auto start = [&](const std::string& hint) { return startRefused({1}, hint); };
    const std::string hint = "bindsym Print exec pelko --capture screen";
    auto* box = start(hint);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->checkBox(), nullptr);
    box->done(QMessageBox::Ok);  // closed without the tick: it comes back
    box = start(hint);
    ASSERT_NE(box, nullptr);
    box->checkBox()->setChecked(true);
    box->done(QMessageBox::Ok);
    EXPECT_FALSE(IniFile(paths.settingsFile()).readBool("shortcuts", "bindinghint", true));
    EXPECT_EQ(start(hint), nullptr);
    box = start("");  // a hotkey another program holds
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->checkBox(), nullptr);
}

TEST(HotkeyBox, KeysBecomeValues) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::uint32_t value;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::AltModifier, 32833},
        {Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier, 24646},
        {Qt::Key_F9, Qt::NoModifier, 120},
        {Qt::Key_5, Qt::ControlModifier, 0x4035},
        {Qt::Key_Print, Qt::NoModifier, 0x2C},
    };
    for (const Case& c : cases) {
        HotkeyBox box;
        QTest::keyClick(&box, c.key, c.mods);
        EXPECT_EQ(box.value(), c.value) << c.key;
    }
    HotkeyBox box;
    box.setValue(0x10078);  // the Win bit comes from settings.ini only
    EXPECT_EQ(box.text(), "Win+F9");
    box.setValue(24646);
    EXPECT_EQ(box.text(), "Ctrl+Shift+F");
    QTest::keyClick(&box, Qt::Key_Shift, Qt::ShiftModifier);  // a modifier alone changes nothing
    EXPECT_EQ(box.value(), 24646u);
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.value(), 0u);
}

// Presses as the X server reports them on a US keyboard: the keycode, the keysym the press
// produced, and Qt's key, which is the character (Shift+2 is "@"). The box takes the key.
TEST(HotkeyBox, TheKeyCountsNotTheCharacterModifiersMake) {
    // The keysyms of each key used, column by column, as the US layout maps them.
    const std::map<std::uint32_t, std::vector<std::uint32_t>> usKeyboard{
        {10, {0x31, 0x21}},     {11, {0x32, 0x40}},
        {20, {0x2D, 0x5F}},     {38, {0x61, 0x41}},
        {47, {0x3B, 0x3A}},     {59, {0x2C, 0x3C}},
        {70, {0xFFC1}},         {87, {0xFF9C, 0xFFB1}},
        {84, {0xFF9D, 0xFFB5}}, {94, {0x3C, 0x3E, 0x7C, 0xA6}},
    };
    const auto keySymbols = [&](std::uint32_t keycode) {
        auto it = usKeyboard.find(keycode);
        return it == usKeyboard.end() ? std::vector<std::uint32_t>{} : it->second;
    };
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    struct Case {
        const char* what;
        int qtKey;
        Qt::KeyboardModifiers mods;
        std::uint32_t keycode, keysym;
        std::uint32_t value;
        bool needsMapping;  // the produced keysym alone names another key or none
    };
    const Case cases[] = {
        {"Ctrl+Shift+2", Qt::Key_At, ctrlShift, 11, 0x40, 0x6032, true},
        {"Ctrl+Shift+1", Qt::Key_Exclam, ctrlShift, 10, 0x21, 0x6031, true},
        {"Ctrl+Shift+minus", Qt::Key_Underscore, ctrlShift, 20, 0x5F, 0x60BD, true},
        {"Ctrl+Shift+comma", Qt::Key_Less, ctrlShift, 59, 0x3C, 0x60BC, true},
        {"Ctrl+Shift+< of 102 keys", Qt::Key_Greater, ctrlShift, 94, 0x3E, 0x60E2, true},
        {"Ctrl+Alt+semicolon", Qt::Key_Semicolon, ctrlAlt, 47, 0x3B, 0xC0BA, false},
        {"Ctrl+Alt+KP_1, NumLock off", Qt::Key_End, ctrlAlt | Qt::KeypadModifier, 87, 0xFF9C,
         0xC061, true},
        {"Ctrl+Alt+KP_1, NumLock on", Qt::Key_1, ctrlAlt | Qt::KeypadModifier, 87, 0xFFB1, 0xC061,
         false},
        {"Ctrl+KP_5, NumLock on", Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier, 84, 0xFFB5,
         0x4065, false},
        {"Ctrl+A, Caps Lock on", Qt::Key_A, Qt::ControlModifier, 38, 0x41, 0x4041, false},
        {"Alt+F4", Qt::Key_F4, Qt::AltModifier, 70, 0xFFC1, 0x8073, false},
    };
    for (bool mapped : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (mapped ? "" : ", mapping unknown"));
            HotkeyBox box;
            if (mapped) {
                box.setKeySymbols(keySymbols);
            }
            QKeyEvent press(QEvent::KeyPress, c.qtKey, c.mods, c.keycode, c.keysym, 0);
            QCoreApplication::sendEvent(&box, &press);
            if (mapped || !c.needsMapping) {
                EXPECT_EQ(box.value(), c.value);
            }
        }
    }
}

TEST(ColorBox, HoldsWindowsColorValues) {
    ColorBox box;
    EXPECT_EQ(box.colorValue(), 0xFFFFFF);  // automatic: white
    const std::pair<std::int32_t, QColor> cases[] = {
        {0x0000FF, QColor(255, 0, 0)},                  // red is 0x00BBGGRR = 0x0000FF
        {0xFF0000, QColor(0, 0, 255)},                  // blue
        {0x123456, QColor(0x56, 0x34, 0x12)},           // not listed: gets its own entry
        {std::int32_t(0xFF00FF00), QColor(0, 255, 0)},  // bits above the colour dropped
    };
    for (const auto& [value, color] : cases) {
        const int before = box.count();
        box.setColorValue(value);
        EXPECT_EQ(box.color(), color) << value;
        EXPECT_EQ(box.colorValue(), value & 0xFFFFFF);
        box.setColorValue(value);
        EXPECT_LE(box.count(), before + 1);
    }
    EXPECT_EQ(box.itemText(box.count() - 1), "Other...");
}

}  // namespace
}  // namespace pelko::test
