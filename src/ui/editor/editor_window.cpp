#include "ui/editor/editor_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/annotate/flatten.h"
#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/editor/editor_transforms.h"
#include "core/output/paint_output.h"
#include "core/output/save_capture.h"
#include "core/output/scratch_file.h"
#include "core/settings/annotate_choices.h"
#include "ui/annotate/annotation_bar.h"
#include "ui/annotate/annotation_canvas.h"
#include "ui/annotate/shape_painter.h"
#include "ui/dialogs/output_windows.h"
#include "ui/editor/transform_dialogs.h"
#include "ui/toolkit/bitmap_image.h"
#include "ui/toolkit/capture_clipboard.h"
#include "ui/toolkit/error_box.h"

namespace pelko {

namespace {

// The save dialog's filters, in the order of the format codes 1 to 4.
const QStringList& saveFilters() {
    static const QStringList filters = {QStringLiteral("Windows Bitmap (*.bmp)"),
                                        QStringLiteral("JPEG Image (*.jpg *.jpeg)"),
                                        QStringLiteral("Portable Network Graphics (*.png)"),
                                        QStringLiteral("CompuServe GIF (*.gif)")};
    return filters;
}

struct ButtonDesign {
    const char* name;
    const char* caption;
    const char* hint;
    QStyle::StandardPixmap glyph;
};

// sb1 to sb5, then the "Close" button; sb6 to sb8 sit on the second tool bar.
constexpr ButtonDesign kOutputButtons[] = {
    {"sb1", "Save", "Save Image As", QStyle::SP_DialogSaveButton},
    {"sb2", "Clipboard", "Copy image to the clipboard", QStyle::SP_FileDialogContentsView},
    {"sb3", "Edit", "Edit image in specified graphic editor", QStyle::SP_FileDialogDetailedView},
    {"sb4", "Email", "Send image to email", QStyle::SP_MessageBoxInformation},
    {"sb5", "Web", "Publish image in the Web", QStyle::SP_DriveNetIcon},
};
constexpr ButtonDesign kTransformButtons[] = {
    {"sb6", "Scale", "Scale image", QStyle::SP_TitleBarMaxButton},
    {"sb7", "Add Watermark", "Add specified watermark to image", QStyle::SP_FileIcon},
    {"sb8", "Rotate", "Rotate image", QStyle::SP_BrowserReload},
};

QToolButton* makeButton(const ButtonDesign& design, Qt::ToolButtonStyle look, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(design.name));
    button->setText(QString::fromLatin1(design.caption));
    button->setToolTip(QString::fromLatin1(design.hint));
    button->setIcon(parent->style()->standardIcon(design.glyph));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(look);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

Tfrmeditor::Tfrmeditor(EditorServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("Tfrmeditor"));
    setWindowTitle(QStringLiteral("Editor"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(987, 636);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

Tfrmeditor::~Tfrmeditor() = default;

void Tfrmeditor::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* sToolBar1 = new QToolBar(this);
    sToolBar1->setObjectName(QStringLiteral("sToolBar1"));
    sToolBar1->setFixedHeight(49);
    for (int i = 0; i < 5; ++i) {
        m_buttons[i] = makeButton(kOutputButtons[i], Qt::ToolButtonTextUnderIcon, sToolBar1);
        sToolBar1->addWidget(m_buttons[i]);
    }
    connect(m_buttons[0], &QToolButton::clicked, this, [this] { saveClick(); });
    connect(m_buttons[1], &QToolButton::clicked, this, [this] {
        runAction(this, [this] {
            runOutput([this](const Bitmap& picture) {
                CopyCaptureToClipboard(picture, formatCode(), m_services.paths,
                                       *QGuiApplication::clipboard());
            });
        });
    });
    connect(m_buttons[2], &QToolButton::clicked, this, [this] {
        runAction(this, [this] {
            runOutput([this](const Bitmap& picture) {
                OpenCaptureInPaint(picture, formatCode(), scratchContext(),
                                   m_services.launchProgram);
            });
        });
    });
    connect(m_buttons[3], &QToolButton::clicked, this, [this] {
        runAction(this, [this] {
            runOutput([this](const Bitmap& picture) {
                const std::string path =
                    SaveCaptureToScratch(picture, formatCode(), scratchContext());
                sendFileByMail(m_services.mailer, path, this);
            });
        });
    });
    connect(m_buttons[4], &QToolButton::clicked, this, [this] {
        runAction(this, [this] {
            runOutput([this](const Bitmap& picture) {
                const std::string path =
                    SaveCaptureToScratch(picture, formatCode(), scratchContext());
                showPublishWindow(path, m_services.paths.programDir, m_services.makeUploader, this);
            });
        });
    });
    sToolBar1->addSeparator();
    auto* sSpeedButton4 =
        makeButton({"sSpeedButton4", "Close", "Close Editor", QStyle::SP_DialogCloseButton},
                   Qt::ToolButtonTextUnderIcon, sToolBar1);
    sToolBar1->addWidget(sSpeedButton4);
    connect(sSpeedButton4, &QToolButton::clicked, this, [this] {
        m_closingByUser = true;
        close();
        m_closingByUser = false;
    });
    layout->addWidget(sToolBar1);

    auto* sToolBar2 = new QToolBar(this);
    sToolBar2->setObjectName(QStringLiteral("sToolBar2"));
    sToolBar2->setFixedHeight(29);
    fileformat = new QComboBox(sToolBar2);
    fileformat->setObjectName(QStringLiteral("fileformat"));
    fileformat->addItems({QStringLiteral("BMP - Windows Bitmap"),
                          QStringLiteral("JPG - JPEG Image"),
                          QStringLiteral("PNG - Portable Network Graphics"),
                          QStringLiteral("GIF - CompuServe GIF")});
    fileformat->setCurrentIndex(1);
    sToolBar2->addWidget(fileformat);
    auto* sSpeedButton7 =
        makeButton({"sSpeedButton7", "", "Format properties", QStyle::SP_FileDialogInfoView},
                   Qt::ToolButtonIconOnly, sToolBar2);
    if (m_services.showFileFormatSettings) {
        connect(sSpeedButton7, &QToolButton::clicked, this,
                [this] { runAction(this, m_services.showFileFormatSettings); });
    } else {
        sSpeedButton7->setEnabled(false);
        sSpeedButton7->setToolTip(
            QStringLiteral("Format properties (the output settings are not available)"));
    }
    sToolBar2->addWidget(sSpeedButton7);
    sToolBar2->addSeparator();
    for (int i = 0; i < 3; ++i) {
        m_buttons[5 + i] =
            makeButton(kTransformButtons[i], Qt::ToolButtonTextBesideIcon, sToolBar2);
        sToolBar2->addWidget(m_buttons[5 + i]);
    }
    connect(m_buttons[5], &QToolButton::clicked, this,
            [this] { openDialog<TfrmEditorScale>(m_scaleDialog, &Tfrmeditor::doscaleimage); });
    connect(m_buttons[6], &QToolButton::clicked, this, [this] {
        openDialog<Tfrmeditorwatermark>(m_watermarkDialog, &Tfrmeditor::doaddwatermark);
    });
    connect(m_buttons[7], &QToolButton::clicked, this,
            [this] { openDialog<Tfrmeditorrotate>(m_rotateDialog, &Tfrmeditor::dorotate); });
    layout->addWidget(sToolBar2);

    auto* Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(21);
    auto* strip = new QHBoxLayout(Panel1);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    pages = new QTabBar(Panel1);
    pages->setObjectName(QStringLiteral("pages"));
    pages->setExpanding(false);
    pages->setDrawBase(false);
    pages->setUsesScrollButtons(true);
    pages->setElideMode(Qt::ElideNone);
    connect(pages, &QTabBar::currentChanged, this, [this](int index) { pagesChange(index); });
    strip->addWidget(pages, 1);
    auto* sSpeedButton13 =
        makeButton({"sSpeedButton13", "", "Close Tab", QStyle::SP_TitleBarCloseButton},
                   Qt::ToolButtonIconOnly, Panel1);
    sSpeedButton13->setFixedSize(20, 21);
    connect(sSpeedButton13, &QToolButton::clicked, this, [this] { closeTabClick(); });
    strip->addWidget(sSpeedButton13);
    layout->addWidget(Panel1);

    // The annotation tools sit between the tab strip and the picture, so that the bars and the
    // strip above keep their places.
    buildAnnotationBar();
    layout->addWidget(m_annotateBar);

    sScrollBox1 = new QScrollArea(this);
    sScrollBox1->setObjectName(QStringLiteral("sScrollBox1"));
    sScrollBox1->setWidgetResizable(false);
    sScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sScrollBox1->setWidget(m_canvas);
    layout->addWidget(sScrollBox1, 1);
}

void Tfrmeditor::buildAnnotationBar() {
    m_canvas = Image = new AnnotationCanvas;
    m_canvas->setObjectName(QStringLiteral("Image"));
    m_canvas->askText = [this](const std::string& current) -> std::optional<std::string> {
        bool ok = false;
        const QString text = QInputDialog::getText(
            this, QStringLiteral("Text"), QStringLiteral("Text of the annotation:"),
            QLineEdit::Normal, QString::fromStdString(current), &ok);
        return ok ? std::optional<std::string>(text.toStdString()) : std::nullopt;
    };
    m_canvas->committed = [this](bool pictureChanged) {
        TabDocument* doc = document();
        if (doc == nullptr) {
            return;
        }
        doc->unsent = true;
        if (pictureChanged) {
            runAction(this, [this] { stepChanged(nullptr); });
        }
        m_annotateBar->setUndoRedo(doc->history.canUndo(), doc->history.canRedo());
    };

    m_annotateBar = new AnnotationBar(this);
    AnnotateChoices choices;
    try {
        choices = readAnnotateChoices(IniFile(m_services.paths.settingsFile()));
    } catch (const std::exception&) {
        // Unreadable settings: the tools start from their defaults.
    }
    m_annotateBar->setChoices(choices.color, choices.width);
    m_canvas->setColor(choices.color);
    m_canvas->setStrokeWidth(choices.width);
    m_annotateBar->setUndoRedo(false, false);
    m_annotateBar->toolChosen = [this](AnnotateTool tool) { m_canvas->setTool(tool); };
    m_annotateBar->colorChosen = [this](Rgb color) {
        m_canvas->setColor(color);
        rememberChoices();
    };
    m_annotateBar->widthChosen = [this](int width) {
        m_canvas->setStrokeWidth(width);
        rememberChoices();
    };
    m_annotateBar->openClicked = [this] { openClick(); };
    m_annotateBar->undoClicked = [this] { undo(); };
    m_annotateBar->redoClicked = [this] { redo(); };

    const auto shortcut = [this](const QKeySequence& keys, const std::function<void()>& run) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, run);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (m_buttons[0]->isEnabled()) {
            saveClick();
        }
    });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_C), [this] {
        if (m_buttons[1]->isEnabled()) {
            m_buttons[1]->click();
        }
    });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openClick(); });
    shortcut(QKeySequence(Qt::Key_Delete), [this] { m_canvas->deleteSelected(); });
    setAcceptDrops(true);
}

void Tfrmeditor::rememberChoices() {
    runAction(this, [this] {
        IniFile settings(m_services.paths.settingsFile());
        writeAnnotateChoices(settings, {m_canvas->color(), m_canvas->strokeWidth()});
    });
}

Tfrmeditor::TabDocument* Tfrmeditor::document() const {
    const int index = pages->currentIndex();
    if (index < 0) {
        return nullptr;
    }
    const auto found = m_documents.find(pages->tabText(index).toStdString());
    return found == m_documents.end() ? nullptr : found->second.get();
}

EditHistory* Tfrmeditor::history() const {
    TabDocument* doc = document();
    return doc ? &doc->history : nullptr;
}

bool Tfrmeditor::hasUnsentAnnotations() const {
    for (const auto& [name, doc] : m_documents) {
        if (doc->unsent) {
            return true;
        }
    }
    return false;
}

Bitmap Tfrmeditor::flattened() const {
    TabDocument* doc = document();
    if (doc == nullptr || m_canvas->history() != &doc->history) {
        return m_picture;
    }
    const EditState& state = doc->history.current();
    if (state.annotations.empty()) {
        return *state.picture;
    }
    return flatten(*state.picture, state.annotations, QtShapeRenderer());
}

void Tfrmeditor::runOutput(const std::function<void(const Bitmap&)>& output) {
    TabDocument* doc = document();
    if (doc == nullptr || m_canvas->history() != &doc->history) {
        output(m_picture);
        return;
    }
    if (doc->history.current().annotations.empty()) {
        output(m_picture);
        doc->unsent = false;
        return;
    }
    auto flat = std::make_shared<const Bitmap>(flattened());
    output(*flat);
    const auto before = doc->history.current().picture;
    doc->history.commit(EditState{flat, {}});
    doc->unsent = false;
    stepChanged(before);
}

void Tfrmeditor::stepChanged(const std::shared_ptr<const Bitmap>& before) {
    TabDocument* doc = document();
    if (doc == nullptr) {
        return;
    }
    const EditState& state = doc->history.current();
    m_canvas->reload();
    m_annotateBar->setUndoRedo(doc->history.canUndo(), doc->history.canRedo());
    if (state.picture != before) {
        m_picture = *state.picture;
        writeImageFile(m_picture, ImageFormat::Bmp, EncodeOptions{}, tabFilePath());
    }
}

void Tfrmeditor::undo() {
    goToStep(&EditHistory::undo);
}

void Tfrmeditor::redo() {
    goToStep(&EditHistory::redo);
}

void Tfrmeditor::goToStep(bool (EditHistory::*step)()) {
    TabDocument* doc = document();
    if (doc == nullptr || m_canvas->history() != &doc->history) {
        return;
    }
    const auto before = doc->history.current().picture;
    if ((doc->history.*step)()) {
        doc->unsent = doc->unsent || !doc->history.current().annotations.empty();
        runAction(this, [this, &before] { stepChanged(before); });
    }
}

void Tfrmeditor::openFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        runAction(this, [this, &path] { addCapture(openPictureFile(path)); });
    }
}

void Tfrmeditor::openClick() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open Image"), QString(),
        QStringLiteral("Images (*.bmp *.png *.jpg *.jpeg *.gif);;All files (*)"));
    std::vector<std::string> paths;
    for (const QString& f : files) {
        paths.push_back(f.toStdString());
    }
    openFiles(paths);
}

void Tfrmeditor::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void Tfrmeditor::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    event->acceptProposedAction();
    openFiles(paths);
}

bool Tfrmeditor::confirmDiscard(const QString& what) {
    return QMessageBox::question(this, QStringLiteral("Editor"), what,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

ScratchContext Tfrmeditor::scratchContext() const {
    return {m_services.paths, m_services.scratchDir,
            m_services.jpegQuality ? m_services.jpegQuality() : 0, localNow};
}

int Tfrmeditor::formatCode() const {
    return fileformat->currentIndex() + 1;
}

std::string Tfrmeditor::tabFilePath() const {
    const int index = pages->currentIndex();
    if (index < 0) {
        return {};
    }
    return m_services.scratchDir + pages->tabText(index).toStdString();
}

std::string Tfrmeditor::addCapture(const Bitmap& capture) {
    const std::string path = SaveCaptureToScratch(capture, 1, scratchContext());
    const std::size_t slash = path.rfind('/');
    const QString name = QString::fromStdString(path.substr(slash + 1));
    {
        // Selecting the new tab from here loads it below, not through pagesChange.
        const QSignalBlocker quiet(pages);
        pages->setCurrentIndex(pages->addTab(name));
    }
    loadTab(pages->currentIndex());
    enablebuttons(true);
    return path;
}

void Tfrmeditor::loadTab(int index) {
    if (index < 0) {
        return;
    }
    const std::string name = pages->tabText(index).toStdString();
    auto found = m_documents.find(name);
    Bitmap loaded;
    try {
        loaded = decodeBmp(readFileBytes(m_services.scratchDir + name));
    } catch (const std::exception&) {
        // The picture seen before stays, as a view that edits nothing: the tab's annotations
        // are kept for when its file can be read again.
        m_canvas->setHistory(nullptr, &m_picture);
        m_annotateBar->setUndoRedo(false, false);
        throw;
    }
    if (found == m_documents.end()) {
        found = m_documents
                    .emplace(name, std::make_unique<TabDocument>(
                                       EditState{std::make_shared<const Bitmap>(loaded), {}}))
                    .first;
    } else {
        // A file changed on disk becomes a step of its own, under the tab's annotations.
        EditHistory& history = found->second->history;
        const Bitmap& shown = *history.current().picture;
        if (shown.width() != loaded.width() || shown.height() != loaded.height() ||
            shown.depth() != loaded.depth() || shown.palette() != loaded.palette() ||
            !std::equal(shown.data(), shown.data() + shown.byteSize(), loaded.data(),
                        loaded.data() + loaded.byteSize())) {
            history.commit(
                EditState{std::make_shared<const Bitmap>(loaded), history.current().annotations});
        }
    }
    m_picture = std::move(loaded);
    m_canvas->setHistory(&found->second->history);
    m_annotateBar->setUndoRedo(found->second->history.canUndo(), found->second->history.canRedo());
}

void Tfrmeditor::showPicture(Bitmap picture) {
    m_picture = std::move(picture);
    m_canvas->setHistory(nullptr, &m_picture);
    m_annotateBar->setUndoRedo(false, false);
}

void Tfrmeditor::pagesChange(int index) {
    runAction(this, [this, index] { loadTab(index); });
}

void Tfrmeditor::enablebuttons(bool on) {
    for (QToolButton* button : m_buttons) {
        button->setEnabled(on);
    }
}

void Tfrmeditor::closeTabClick() {
    const int i = pages->currentIndex();
    if (i < 0) {
        return;
    }
    if (TabDocument* doc = document();
        doc != nullptr && doc->unsent &&
        !confirmDiscard(QStringLiteral("The annotations of this tab were not saved or sent "
                                       "anywhere. Close the tab?"))) {
        return;
    }
    m_documents.erase(pages->tabText(i).toStdString());
    runAction(this, [this, i] {
        const QSignalBlocker quiet(pages);
        if (i > 0) {
            pages->removeTab(i);
            pages->setCurrentIndex(i - 1);
        } else if (pages->count() == 1) {
            pages->removeTab(0);
            showPicture(Bitmap());
            enablebuttons(false);
            return;
        } else {
            pages->removeTab(0);
            pages->setCurrentIndex(0);
        }
        enablebuttons(true);
        loadTab(pages->currentIndex());
    });
}

void Tfrmeditor::saveClick() {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters(saveFilters());
    dialog.selectNameFilter(saveFilters().value(formatCode() - 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const int filter = int(saveFilters().indexOf(dialog.selectedNameFilter())) + 1;
    const std::string target = dialog.selectedFiles().first().toStdString();
    runAction(this, [this, filter, &target] { saveAs(target, filter); });
}

std::string Tfrmeditor::saveAs(const std::string& target, int formatOverride) {
    const SaveContext ctx{m_services.paths, m_services.jpegQuality ? m_services.jpegQuality() : 0,
                          localNow};
    std::string saved;
    runOutput([&](const Bitmap& picture) {
        saved = SaveCaptureToFile(picture, formatOverride, target, ctx).value_or(std::string());
    });
    return saved;
}

void Tfrmeditor::runTransform(const std::function<void(Bitmap&)>& transform) {
    if (pages->currentIndex() < 0) {
        return;
    }
    // The transform works on the picture with its annotations drawn in.
    Bitmap changed = flattened();
    transform(changed);
    // The file first: a picture that cannot be written leaves the view as it was too.
    writeImageFile(changed, ImageFormat::Bmp, EncodeOptions{}, tabFilePath());
    TabDocument* doc = document();
    if (doc == nullptr || m_canvas->history() != &doc->history) {
        showPicture(std::move(changed));
        return;
    }
    doc->history.commit(EditState{std::make_shared<const Bitmap>(std::move(changed)), {}});
    m_picture = *doc->history.current().picture;
    m_canvas->reload();
    m_annotateBar->setUndoRedo(doc->history.canUndo(), doc->history.canRedo());
}

void Tfrmeditor::doscaleimage() {
    runTransform(
        [this](Bitmap& picture) { scalePictureFromIni(picture, editorIniPath(m_services.paths)); });
}

void Tfrmeditor::doaddwatermark() {
    runTransform([this](Bitmap& picture) {
        watermarkPictureFromIni(picture, editorIniPath(m_services.paths),
                                m_services.paths.defaultWatermark());
    });
}

void Tfrmeditor::dorotate() {
    runTransform([this](Bitmap& picture) {
        rotatePictureFromIni(picture, editorIniPath(m_services.paths));
    });
}

template <class Dialog>
void Tfrmeditor::openDialog(QPointer<TransformDialog>& mark, void (Tfrmeditor::*transform)()) {
    // A closed dialog is hidden until it is deleted: only a visible one is still open.
    if (TransformDialog* open = mark.data(); open != nullptr && open->isVisible()) {
        open->raise();
        open->activateWindow();
        return;
    }
    TransformDialogFiles files{m_services.paths.settingsFile(), editorIniPath(m_services.paths),
                               m_services.paths.defaultWatermark()};
    // The dialog is the editor's child: closing the editor takes the dialog with it, so no
    // dialog can act on an editor that is gone.
    auto* dialog = new Dialog(
        std::move(files), [this, transform] { (this->*transform)(); }, this);
    mark = dialog;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void Tfrmeditor::closeEvent(QCloseEvent* event) {
    // Only a close the user asks for (the "Close" button, the window's close box) can wait for
    // an answer: when the program ends (Exit, a signal, the session's end) the editor goes, as
    // every window does, and a question would keep the program from ending.
    const bool byUser = m_closingByUser || event->spontaneous();
    if (byUser && hasUnsentAnnotations() &&
        !confirmDiscard(QStringLiteral("Some annotations were not saved or sent anywhere. "
                                       "Close the editor?"))) {
        event->ignore();
        return;
    }
    m_open = false;
    event->accept();
}

}  // namespace pelko
