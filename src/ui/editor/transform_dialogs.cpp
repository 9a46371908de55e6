#include "ui/editor/transform_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/settings/editor_keys.h"
#include "core/settings/key_access.h"
#include "ui/toolkit/clamping_spin_box.h"
#include "ui/toolkit/error_box.h"

namespace pelko {

namespace {

// Typed numbers above the range are held at its maximum, never cut digit by digit.
QSpinBox* numberBox(const char* name, int maximum, int value, QWidget* parent) {
    auto* box = new ClampingSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    box->setValue(value);
    return box;
}

QComboBox* listBox(const char* name, const QStringList& items, int index, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    box->setCurrentIndex(index);
    return box;
}

// A stored index that names no item leaves the list as it was.
void selectIndex(QComboBox* box, int index) {
    if (index >= 0 && index < box->count()) {
        box->setCurrentIndex(index);
    }
}

}  // namespace

TransformDialog::TransformDialog(const QString& caption, TransformDialogFiles files,
                                 std::function<void()> transform, QWidget* parent)
    : QDialog(parent), m_files(std::move(files)), m_transform(std::move(transform)) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_body = new QVBoxLayout(this);
}

void TransformDialog::finishLayout() {
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("Button1"));
    cancel->setObjectName(QStringLiteral("Button2"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { okClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    m_body->addWidget(buttons);
    m_body->setSizeConstraint(QLayout::SetFixedSize);
}

void TransformDialog::okClick() {
    const bool done = runAction(this, [this] {
        // A fresh program folder has no lib folder yet; if it cannot be made, the write below
        // reports the file.
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(m_files.editorIni).parent_path(),
                                            ignored);
        IniFile ini(m_files.editorIni);
        IniFile::Batch batch(ini);
        saveparams(ini);
        batch.commit();
        if (m_transform) {
            m_transform();
        }
    });
    if (done) {
        close();
    }
}

TfrmEditorScale::TfrmEditorScale(TransformDialogFiles files, std::function<void()> transform,
                                 QWidget* parent)
    : TransformDialog(QStringLiteral("Scale Image"), std::move(files), std::move(transform),
                      parent),
      sesclwidth(numberBox("sesclwidth", 9999, 90, this)),
      sesclheight(numberBox("sesclheight", 9999, 90, this)),
      cbpercent(new QRadioButton(QStringLiteral("Percent of original image"), this)),
      cbpixels(new QRadioButton(QStringLiteral("Pixels"), this)) {
    setObjectName(QStringLiteral("TfrmEditorScale"));
    cbpercent->setObjectName(QStringLiteral("cbpercent"));
    cbpixels->setObjectName(QStringLiteral("cbpixels"));
    cbpercent->setChecked(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Width"), sesclwidth);
    form->addRow(QStringLiteral("Height"), sesclheight);
    m_body->addLayout(form);
    m_body->addWidget(cbpercent);
    m_body->addWidget(cbpixels);
    finishLayout();
    readparams(IniFile(m_files.settingsFile));
}

void TfrmEditorScale::readparams(const IniFile& settings) {
    sesclwidth->setValue(read(settings, keys::scalingWidth, sesclwidth->value()));
    sesclheight->setValue(read(settings, keys::scalingHeight, sesclheight->value()));
    const int kind = read(settings, keys::scalingStype);
    if (kind == 1) {
        cbpercent->setChecked(true);
    } else if (kind == 2) {
        cbpixels->setChecked(true);
    }
}

void TfrmEditorScale::saveparams(IniFile& ini) {
    write(ini, editorkeys::scalingWidth, sesclwidth->value());
    write(ini, editorkeys::scalingHeight, sesclheight->value());
    write(ini, editorkeys::scalingStype, cbpixels->isChecked() ? 2 : 1);
}

Tfrmeditorwatermark::Tfrmeditorwatermark(TransformDialogFiles files,
                                         std::function<void()> transform, QWidget* parent)
    : TransformDialog(QStringLiteral("Add Watermark to Image"), std::move(files),
                      std::move(transform), parent),
      tximagefile(new QLineEdit(this)),
      cbtransparent(new QCheckBox(QStringLiteral("Transparent"), this)),
      cmbdirection(listBox("cmbdirection",
                           {QStringLiteral("Bottom-Left"), QStringLiteral("Bottom-Right"),
                            QStringLiteral("Top-Left"), QStringLiteral("Top-Right")},
                           1, this)),
      setop(numberBox("setop", 10000, 10, this)),
      cbhtype(listBox("cbhtype", {QStringLiteral("pixels"), QStringLiteral("percents")}, 0, this)),
      seleft(numberBox("seleft", 10000, 10, this)),
      cbvtype(listBox("cbvtype", {QStringLiteral("pixels"), QStringLiteral("percents")}, 0, this)) {
    setObjectName(QStringLiteral("Tfrmeditorwatermark"));
    tximagefile->setObjectName(QStringLiteral("tximagefile"));
    tximagefile->setMinimumWidth(280);
    cbtransparent->setObjectName(QStringLiteral("cbtransparent"));
    auto* btnopen = new QToolButton(this);
    btnopen->setObjectName(QStringLiteral("btnopen"));
    btnopen->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnopen->setToolTip(QStringLiteral("Open"));
    connect(btnopen, &QToolButton::clicked, this, [this] { btnopenClick(); });

    m_body->addWidget(new QLabel(QStringLiteral("Watermark Image File"), this));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(tximagefile, 1);
    fileRow->addWidget(btnopen);
    m_body->addLayout(fileRow);
    m_body->addWidget(cbtransparent);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Position:"), cmbdirection);
    auto* xRow = new QHBoxLayout;
    xRow->addWidget(setop, 1);
    xRow->addWidget(cbhtype);
    form->addRow(QStringLiteral("X="), xRow);
    auto* yRow = new QHBoxLayout;
    yRow->addWidget(seleft, 1);
    yRow->addWidget(cbvtype);
    form->addRow(QStringLiteral("Y="), yRow);
    m_body->addLayout(form);
    finishLayout();
    readparams(IniFile(m_files.settingsFile));
}

void Tfrmeditorwatermark::readparams(const IniFile& settings) {
    tximagefile->setText(
        QString::fromStdString(read(settings, keys::watermarkImagefile, m_files.defaultWatermark)));
    cbtransparent->setChecked(
        read(settings, keys::watermarkTransparent, cbtransparent->isChecked()));
    selectIndex(cmbdirection,
                read(settings, keys::watermarkDirection, cmbdirection->currentIndex()));
    setop->setValue(read(settings, keys::watermarkTop, setop->value()));
    selectIndex(cbhtype, read(settings, keys::watermarkHtype, cbhtype->currentIndex()));
    seleft->setValue(read(settings, keys::watermarkLeft, seleft->value()));
    selectIndex(cbvtype, read(settings, keys::watermarkVtype, cbvtype->currentIndex()));
}

void Tfrmeditorwatermark::saveparams(IniFile& ini) {
    write(ini, editorkeys::watermarkImagefile, tximagefile->text().toStdString());
    write(ini, editorkeys::watermarkTop, setop->value());
    write(ini, editorkeys::watermarkLeft, seleft->value());
    write(ini, editorkeys::watermarkTransparent, cbtransparent->isChecked());
    write(ini, editorkeys::watermarkDirection, cmbdirection->currentIndex());
    write(ini, editorkeys::watermarkHtype, cbhtype->currentIndex());
    write(ini, editorkeys::watermarkVtype, cbvtype->currentIndex());
}

void Tfrmeditorwatermark::btnopenClick() {
    const QString file = QFileDialog::getOpenFileName(
        this, QString(), tximagefile->text(),
        QStringLiteral("Images (*.bmp *.jpg *.jpeg *.png *.gif);;Windows Bitmap (*.bmp);;"
                       "JPEG Image (*.jpg *.jpeg);;CompuServe GIF (*.gif);;"
                       "Portable Network Graphics (*.png);;All Files (*)"));
    if (!file.isEmpty()) {
        tximagefile->setText(file);
    }
}

Tfrmeditorrotate::Tfrmeditorrotate(TransformDialogFiles files, std::function<void()> transform,
                                   QWidget* parent)
    : TransformDialog(QStringLiteral("Rotate Image"), std::move(files), std::move(transform),
                      parent),
      cbturn1(new QRadioButton(QStringLiteral("Turn from left to right"), this)),
      cbturn2(new QRadioButton(QStringLiteral("Turn from top to down"), this)),
      cbangle(new QRadioButton(QStringLiteral("Rotate to angle"), this)),
      seangle(numberBox("seangle", 360, 0, this)) {
    setObjectName(QStringLiteral("Tfrmeditorrotate"));
    cbturn1->setObjectName(QStringLiteral("cbturn1"));
    cbturn2->setObjectName(QStringLiteral("cbturn2"));
    cbangle->setObjectName(QStringLiteral("cbangle"));
    cbturn1->setChecked(true);
    m_body->addWidget(cbturn1);
    m_body->addWidget(cbturn2);
    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(cbangle);
    angleRow->addWidget(seangle);
    m_body->addLayout(angleRow);
    finishLayout();
    readparams(IniFile(m_files.settingsFile));
}

void Tfrmeditorrotate::readparams(const IniFile& settings) {
    const int kind = read(settings, keys::rotateRtype);
    if (kind == 1) {
        cbturn1->setChecked(true);
    } else if (kind == 2) {
        cbturn2->setChecked(true);
    } else if (kind == 3) {
        cbangle->setChecked(true);
    }
    seangle->setValue(read(settings, keys::rotateAngle, seangle->value()));
}

void Tfrmeditorrotate::saveparams(IniFile& ini) {
    write(ini, editorkeys::rotateAngle, seangle->value());
    write(ini, editorkeys::rotateRtype, cbangle->isChecked() ? 3 : (cbturn2->isChecked() ? 2 : 1));
}

}  // namespace pelko
