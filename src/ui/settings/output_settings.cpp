#include "ui/settings/output_settings.h"

#include <unistd.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/error.h"
#include "core/image/scale.h"
#include "core/output/file_name_template.h"
#include "core/settings/key_access.h"
#include "core/settings/picture_size_checks.h"
#include "ui/toolkit/clamping_spin_box.h"
#include "ui/toolkit/named.h"

namespace pelko {

namespace {

// A typed number past the range becomes the range's end.
QSpinBox* spin(const char* name, int min, int max, int value) {
    auto* box = named(new ClampingSpinBox, name);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

QComboBox* list(const char* name, const QStringList& items) {
    auto* box = named(new QComboBox, name);
    box->addItems(items);
    return box;
}

QString str(const std::string& s) {
    return QString::fromStdString(s);
}

std::string std8(const QString& s) {
    return s.toStdString();
}

// Sets a drop-down list's item from a stored index; an index outside the list keeps the item.
void setIndex(QComboBox* box, std::int32_t index) {
    if (index >= 0 && index < box->count()) {
        box->setCurrentIndex(index);
    }
}

// Sets a spin edit from a stored value, held within its range.
void setClamped(QSpinBox* box, std::int32_t value) {
    box->setValue(std::clamp(value, box->minimum(), box->maximum()));
}

constexpr char kImageFilter[] =
    "Images (*.bmp *.jpg *.jpeg *.png *.gif);;Windows Bitmap (*.bmp);;JPEG Image (*.jpg *.jpeg);;"
    "CompuServe GIF (*.gif);;Portable Network Graphics (*.png);;All Files (*)";

}  // namespace

Tfrmoutputsettings::Tfrmoutputsettings(bool& openMark, const ProgramPaths& paths,
                                       std::function<void()> reread, QWidget* parent)
    : SettingsDialog(openMark, paths.settingsFile(), std::move(reread), parent), m_paths(paths) {
    setObjectName(QStringLiteral("Tfrmoutputsettings"));
    setWindowTitle(QStringLiteral("Output Settings"));
    pages()->addTab(named(createFilePage(), "TabSheet1"), QStringLiteral("File"));
    pages()->addTab(named(createFormatPage(), "TabSheet5"), QStringLiteral("File Format"));
    pages()->addTab(named(createEditorPage(), "TabSheet4"), QStringLiteral("Graphic Editor"));
    pages()->addTab(named(createWatermarkPage(), "TabSheet2"), QStringLiteral("Watermark"));
    pages()->addTab(named(createScalingPage(), "TabSheet3"), QStringLiteral("Scaling"));
    pages()->setCurrentIndex(Watermark);
    setMinimumWidth(420);
    tbleftChange();
    cbenablescalingClick();
    readparams();
}

QWidget* Tfrmoutputsettings::createFilePage() {
    auto* page = new QWidget;
    txfolder = named(new QLineEdit, "txfolder");
    auto* change = named(new QPushButton(QStringLiteral("Change")), "SpeedButton4");
    auto* view = named(new QPushButton(QStringLiteral("View")), "SpeedButton5");
    txautofilename = named(new QLineEdit(QStringLiteral("<%DATE> at <%TIME>")), "txautofilename");
    auto* time = named(new QPushButton(QStringLiteral("Current Time")), "SpeedButton1");
    auto* date = named(new QPushButton(QStringLiteral("Current Date")), "SpeedButton2");
    auto* number = named(new QPushButton(QStringLiteral("Screenshot Number")), "SpeedButton3");
    lblsample = named(new QLabel, "lblsample");
    lblsample->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Directory to save screenshots in")), 0, 0, 1, 3);
    grid->addWidget(txfolder, 1, 0, 1, 3);
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addStretch();
    folderButtons->addWidget(change);
    folderButtons->addWidget(view);
    grid->addLayout(folderButtons, 2, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("File name")), 3, 0, 1, 3);
    grid->addWidget(txautofilename, 4, 0, 1, 3);
    grid->addWidget(time, 5, 0);
    grid->addWidget(date, 5, 1);
    grid->addWidget(number, 5, 2);
    auto* sample = new QHBoxLayout;
    sample->addWidget(new QLabel(QStringLiteral("Sample:")));
    sample->addWidget(lblsample, 1);
    grid->addLayout(sample, 6, 0, 1, 3);
    grid->setRowStretch(7, 1);

    connect(change, &QPushButton::clicked, this, &Tfrmoutputsettings::SpeedButton4Click);
    connect(view, &QPushButton::clicked, this, &Tfrmoutputsettings::SpeedButton5Click);
    connect(time, &QPushButton::clicked, this, &Tfrmoutputsettings::SpeedButton1Click);
    connect(date, &QPushButton::clicked, this, &Tfrmoutputsettings::SpeedButton2Click);
    connect(number, &QPushButton::clicked, this, &Tfrmoutputsettings::SpeedButton3Click);
    connect(txautofilename, &QLineEdit::textChanged, this, &Tfrmoutputsettings::refreshSample);
    return page;
}

QWidget* Tfrmoutputsettings::createFormatPage() {
    auto* page = new QWidget;
    auto* formats = new QGroupBox(QStringLiteral("Output File Format"));
    cbbmp = named(new QRadioButton(QStringLiteral("BMP - Windows Bitmap")), "cbbmp");
    cbjpg = named(new QRadioButton(QStringLiteral("JPG - JPEG Image")), "cbjpg");
    cbpng = named(new QRadioButton(QStringLiteral("PNG - Portable Network Graphics")), "cbpng");
    cbgif = named(new QRadioButton(QStringLiteral("GIF - CompuServe GIF")), "cbgif");
    auto* formatGroup = new QButtonGroup(page);
    auto* formatLayout = new QVBoxLayout(formats);
    for (QRadioButton* b : {cbbmp, cbjpg, cbpng, cbgif}) {
        formatGroup->addButton(b);
        formatLayout->addWidget(b);
    }

    auto* quality = new QGroupBox(QStringLiteral("JPEG Quality"));
    tbjpegq = named(new QSlider(Qt::Horizontal), "tbjpegq");
    tbjpegq->setRange(0, 100);
    tbjpegq->setTickInterval(10);
    tbjpegq->setTickPosition(QSlider::TicksBelow);
    tbjpegq->setValue(75);
    sejpegq = spin("sejpegq", 0, 100, 75);
    auto* qualityLayout = new QHBoxLayout(quality);
    qualityLayout->addWidget(tbjpegq, 1);
    qualityLayout->addWidget(sejpegq);
    connect(tbjpegq, &QSlider::valueChanged, sejpegq, &QSpinBox::setValue);
    connect(sejpegq, &QSpinBox::valueChanged, tbjpegq, &QSlider::setValue);

    auto* gif = new QGroupBox(QStringLiteral("GIF Compression Method"));
    cblzw = named(new QRadioButton(QStringLiteral("LZW")), "cblzw");
    cbrle = named(new QRadioButton(QStringLiteral("RLE")), "cbrle");
    auto* gifGroup = new QButtonGroup(page);
    gifGroup->addButton(cblzw);
    gifGroup->addButton(cbrle);
    auto* gifLayout = new QHBoxLayout(gif);
    gifLayout->addWidget(cblzw);
    gifLayout->addWidget(cbrle);
    gifLayout->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(formats);
    layout->addWidget(quality);
    layout->addWidget(gif);
    layout->addStretch();
    return page;
}

QWidget* Tfrmoutputsettings::createEditorPage() {
    auto* page = new QWidget;
    exteditor = named(new QLineEdit, "exteditor");
    auto* browse = named(new QToolButton, "SpeedButton6");
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Choose the program"));
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, QStringLiteral("External Graphic Editor"),
                                         exteditor->text(), QStringLiteral("Application (*)"));
        if (!file.isEmpty()) {
            exteditor->setText(file);
        }
    });
    auto* layout = new QGridLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("External Graphic Editor")), 0, 0, 1, 2);
    layout->addWidget(exteditor, 1, 0);
    layout->addWidget(browse, 1, 1);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* Tfrmoutputsettings::createWatermarkPage() {
    auto* page = new QWidget;
    cbenable = named(new QCheckBox(QStringLiteral("Enable Watermark")), "cbenable");
    m_lblimagefile = new QLabel(QStringLiteral("Watermark Image File"));
    tximagefile = named(new QLineEdit, "tximagefile");
    btnopen = named(new QToolButton, "btnopen");
    btnopen->setText(QStringLiteral("..."));
    btnopen->setToolTip(QStringLiteral("Choose the image"));
    cbtransparent = named(new QCheckBox(QStringLiteral("Transparent")), "cbtransparent");
    m_lblposition = new QLabel(QStringLiteral("Position:"));
    cmbdirection =
        list("cmbdirection", {QStringLiteral("Bottom-Left"), QStringLiteral("Bottom-Right"),
                              QStringLiteral("Top-Left"), QStringLiteral("Top-Right")});
    const QStringList units{QStringLiteral("pixels"), QStringLiteral("percents")};
    m_lblx = new QLabel(QStringLiteral("X="));
    setop = spin("setop", 0, 100, 10);
    cbhtype = list("cbhtype", units);
    m_lbly = new QLabel(QStringLiteral("Y="));
    seleft = spin("seleft", 0, 100, 10);
    cbvtype = list("cbvtype", units);

    auto* grid = new QGridLayout(page);
    grid->addWidget(cbenable, 0, 0, 1, 4);
    grid->addWidget(m_lblimagefile, 1, 0, 1, 4);
    grid->addWidget(tximagefile, 2, 0, 1, 3);
    grid->addWidget(btnopen, 2, 3);
    grid->addWidget(cbtransparent, 3, 0, 1, 4);
    grid->addWidget(m_lblposition, 4, 0);
    grid->addWidget(cmbdirection, 4, 1, 1, 2);
    grid->addWidget(m_lblx, 5, 0);
    grid->addWidget(setop, 5, 1);
    grid->addWidget(cbhtype, 5, 2);
    grid->addWidget(m_lbly, 6, 0);
    grid->addWidget(seleft, 6, 1);
    grid->addWidget(cbvtype, 6, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(7, 1);

    connect(btnopen, &QToolButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, QStringLiteral("Watermark Image File"),
                                         tximagefile->text(), QString::fromLatin1(kImageFilter));
        if (!file.isEmpty()) {
            tximagefile->setText(file);
        }
    });
    connect(cbenable, &QCheckBox::toggled, this, &Tfrmoutputsettings::tbleftChange);
    connect(cbtransparent, &QCheckBox::toggled, this, &Tfrmoutputsettings::tbleftChange);
    connect(tximagefile, &QLineEdit::textChanged, this, &Tfrmoutputsettings::tbleftChange);
    connect(cmbdirection, &QComboBox::currentIndexChanged, this, &Tfrmoutputsettings::tbleftChange);
    return page;
}

QWidget* Tfrmoutputsettings::createScalingPage() {
    auto* page = new QWidget;
    cbenablescaling = named(new QCheckBox(QStringLiteral("Enable Scaling")), "cbenablescaling");
    m_lblwidth = new QLabel(QStringLiteral("Width"));
    sesclwidth = spin("sesclwidth", 0, 9999, 90);
    m_lblheight = new QLabel(QStringLiteral("Height"));
    sesclheight = spin("sesclheight", 0, 9999, 90);
    cbpercent = named(new QRadioButton(QStringLiteral("Percent of original image")), "cbpercent");
    cbpixels = named(new QRadioButton(QStringLiteral("Pixels")), "cbpixels");
    cbpercent->setChecked(true);
    auto* group = new QButtonGroup(page);
    group->addButton(cbpercent);
    group->addButton(cbpixels);

    auto* grid = new QGridLayout(page);
    grid->addWidget(cbenablescaling, 0, 0, 1, 2);
    grid->addWidget(m_lblwidth, 1, 0);
    grid->addWidget(sesclwidth, 1, 1);
    grid->addWidget(m_lblheight, 2, 0);
    grid->addWidget(sesclheight, 2, 1);
    grid->addWidget(cbpercent, 3, 0, 1, 2);
    grid->addWidget(cbpixels, 4, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    connect(cbenablescaling, &QCheckBox::toggled, this, &Tfrmoutputsettings::cbenablescalingClick);
    return page;
}

void Tfrmoutputsettings::readparams() {
    const IniFile f(settingsFile());
    txfolder->setText(str(m_paths.resolvedFolder(read(f, keys::saveto, std8(txfolder->text())))));
    txautofilename->setText(str(read(f, keys::screensfilename, std8(txautofilename->text()))));
    refreshSample();
    exteditor->setText(str(read(f, keys::exteditor, m_paths.paintProgram)));
    tximagefile->setText(str(read(f, keys::watermarkImagefile, m_paths.defaultWatermark())));
    setClamped(setop, read(f, keys::watermarkTop, setop->value()));
    setClamped(seleft, read(f, keys::watermarkLeft, seleft->value()));
    cbenable->setChecked(read(f, keys::watermarkEnable, cbenable->isChecked()));
    cbtransparent->setChecked(read(f, keys::watermarkTransparent, cbtransparent->isChecked()));
    setIndex(cmbdirection, read(f, keys::watermarkDirection, cmbdirection->currentIndex()));
    setIndex(cbhtype, read(f, keys::watermarkHtype, cbhtype->currentIndex()));
    setIndex(cbvtype, read(f, keys::watermarkVtype, cbvtype->currentIndex()));
    cbenablescaling->setChecked(read(f, keys::scalingEnable, cbenablescaling->isChecked()));
    setClamped(sesclwidth, read(f, keys::scalingWidth, sesclwidth->value()));
    setClamped(sesclheight, read(f, keys::scalingHeight, sesclheight->value()));
    switch (read(f, keys::scalingStype)) {
        case 1:
            cbpercent->setChecked(true);
            break;
        case 2:
            cbpixels->setChecked(true);
            break;
        default:
            break;
    }
    cbenablescalingClick();

    QRadioButton* const formats[] = {cbbmp, cbjpg, cbpng, cbgif};
    const std::int32_t format = read(f, keys::formatFr);
    for (std::size_t i = 0; i < std::size(formats); ++i) {
        formats[i]->group()->setExclusive(false);
        formats[i]->setChecked(std::int32_t(i) + 1 == format);
        formats[i]->group()->setExclusive(true);
    }
    // The encoders take the GIF method from settings/gifcomp and the JPEG quality from
    // settings/jcq: those values are the ones in effect, so they are the ones shown.
    std::int32_t gifMethod = read(f, keys::gifmethod);
    if (exists(f, keys::gifcomp)) {
        gifMethod = read(f, keys::gifcomp, 1) == 2 ? 2 : 1;
    }
    cblzw->group()->setExclusive(false);
    cblzw->setChecked(gifMethod == 1);
    cbrle->setChecked(gifMethod == 2);
    cblzw->group()->setExclusive(true);
    // The quality the encoders use: settings/jcq, the factory quality when it is missing or 0.
    std::int32_t quality = read(f, keys::jcq);
    if (quality <= 0) {
        quality = keys::jcq.factory;
    }
    tbjpegq->setValue(std::clamp(quality, 0, 100));
    sejpegq->setValue(tbjpegq->value());
}

void Tfrmoutputsettings::checkScaling() {
    if (!cbenablescaling->isChecked()) {
        return;
    }
    // A percentage is checked against a capture of the whole screen, in device pixels.
    QSize screen;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->geometry().size() * primary->devicePixelRatio();
    }
    const int kind = cbpixels->isChecked() ? kScalePixels : kScalePercent;
    if (const auto problem =
            checkScalingSize(kind, sesclwidth->value(), sesclheight->value(), sesclwidth->maximum(),
                             screen.width(), screen.height())) {
        pages()->setCurrentIndex(Scaling);
        (problem->field == SizeField::Width ? sesclwidth : sesclheight)->setFocus();
        throw Error(problem->message);
    }
}

void Tfrmoutputsettings::saveparams(IniFile& f) {
    checkScaling();
    // A folder typed without the closing "/" is stored with it, as the folder picker gives it:
    // file names are the folder followed by the name template.
    if (const QString folder = txfolder->text();
        !folder.isEmpty() && !folder.endsWith(QLatin1Char('/')) && QFileInfo(folder).isDir()) {
        txfolder->setText(folder + QLatin1Char('/'));
    }
    write(f, keys::saveto, m_paths.storedFolder(std8(txfolder->text())));
    write(f, keys::screensfilename, std8(txautofilename->text()));
    write(f, keys::exteditor, std8(exteditor->text()));
    write(f, keys::watermarkImagefile, std8(tximagefile->text()));
    write(f, keys::watermarkTop, setop->value());
    write(f, keys::watermarkLeft, seleft->value());
    write(f, keys::watermarkEnable, cbenable->isChecked());
    write(f, keys::watermarkTransparent, cbtransparent->isChecked());
    write(f, keys::watermarkDirection, cmbdirection->currentIndex());
    write(f, keys::watermarkHtype, cbhtype->currentIndex());
    write(f, keys::watermarkVtype, cbvtype->currentIndex());
    write(f, keys::scalingEnable, cbenablescaling->isChecked());
    write(f, keys::scalingWidth, sesclwidth->value());
    write(f, keys::scalingHeight, sesclheight->value());
    if (cbpercent->isChecked()) {
        write(f, keys::scalingStype, 1);
    } else if (cbpixels->isChecked()) {
        write(f, keys::scalingStype, 2);
    }
    const std::pair<QRadioButton*, const char*> formats[] = {
        {cbbmp, "bmp"}, {cbjpg, "jpg"}, {cbpng, "png"}, {cbgif, "gif"}};
    for (std::size_t i = 0; i < std::size(formats); ++i) {
        if (formats[i].first->isChecked()) {
            write(f, keys::formatFr, std::int32_t(i) + 1);
        }
    }
    for (const auto& [button, extension] : formats) {
        if (button->isChecked()) {
            write(f, keys::saveas, extension);
        }
    }
    if (cblzw->isChecked() || cbrle->isChecked()) {
        const std::int32_t method = cblzw->isChecked() ? 1 : 2;
        write(f, keys::gifmethod, method);
        write(f, keys::gifcomp, method);
    }
    write(f, keys::jpegquality, tbjpegq->value());
    // Quality 0 means "not set" to the encoders' reader, which then takes its factory value;
    // the lowest quality they can be given is 1.
    write(f, keys::jcq, std::max(tbjpegq->value(), 1));
}

void Tfrmoutputsettings::afterSave() {
    const QString folder = txfolder->text();
    const QFileInfo info(folder);
    QString problem;
    if (folder.isEmpty()) {
        // The next re-read stores the screens folder in its place.
        problem = QStringLiteral(
            "The folder name is empty. Captures are saved in the screens "
            "folder.");
    } else if (!info.isDir()) {
        problem = QStringLiteral(
                      "The folder %1 does not exist. Captures are saved in the "
                      "screens folder until it can be used.")
                      .arg(folder);
    } else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        problem = QStringLiteral(
                      "The folder %1 cannot be written to. Captures are saved in the "
                      "screens folder until it can be used.")
                      .arg(folder);
    }
    if (!problem.isEmpty()) {
        QMessageBox::warning(parentWidget() ? parentWidget() : this, QStringLiteral("Pelko"),
                             problem);
    }
}

void Tfrmoutputsettings::refreshSample() {
    const auto number = std::int32_t(QRandomGenerator::global()->bounded(20));
    lblsample->setText(str(ExpandFileNameTemplate(std8(txautofilename->text()), number, localNow)));
}

void Tfrmoutputsettings::SpeedButton1Click() {
    txautofilename->setText(txautofilename->text() + QStringLiteral("<%TIME>"));
}

void Tfrmoutputsettings::SpeedButton2Click() {
    txautofilename->setText(txautofilename->text() + QStringLiteral("<%DATE>"));
}

void Tfrmoutputsettings::SpeedButton3Click() {
    txautofilename->setText(txautofilename->text() + QStringLiteral("<%SSNUM>"));
}

void Tfrmoutputsettings::SpeedButton4Click() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Please Select Folder"), txfolder->text(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty()) {
        setChosenFolder(folder);
    }
}

void Tfrmoutputsettings::setChosenFolder(const QString& folder) {
    txfolder->setText(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

void Tfrmoutputsettings::SpeedButton5Click() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(txfolder->text()));
}

void Tfrmoutputsettings::tbleftChange() {
    const bool on = cbenable->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             tximagefile, btnopen, cbhtype, cbvtype, setop, seleft, cbtransparent, cmbdirection,
             m_lblimagefile, m_lblposition, m_lblx, m_lbly}) {
        w->setEnabled(on);
    }
}

void Tfrmoutputsettings::cbenablescalingClick() {
    const bool on = cbenablescaling->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{sesclwidth, sesclheight, cbpercent, cbpixels,
                                                      m_lblwidth, m_lblheight}) {
        w->setEnabled(on);
    }
}

}  // namespace pelko
