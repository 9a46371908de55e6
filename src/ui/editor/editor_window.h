#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/annotate/edit_history.h"
#include "core/image/bitmap.h"
#include "core/output/mailer.h"
#include "core/output/program_launcher.h"
#include "core/output/scratch_file.h"
#include "core/output/uploader.h"
#include "core/settings/program_paths.h"

class QComboBox;
class QLabel;
class QScrollArea;
class QTabBar;
class QToolButton;

namespace pelko {

class TransformDialog;
class AnnotationBar;
class AnnotationCanvas;

// What the editor needs from the program.
struct EditorServices {
    ProgramPaths paths;
    std::string scratchDir;  // ends with "/"; every tab is a BMP file here
    std::function<std::int32_t()> jpegQuality;
    LaunchProgram launchProgram;
    Mailer* mailer = nullptr;
    MakeUploader makeUploader;
    // Opens the output settings dialog on its "File Format" page; empty: not available, and
    // "Format properties" is shown disabled.
    std::function<void()> showFileFormatSettings;
};

// The built-in editor "Editor": one tab per capture, each standing for a BMP scratch file that
// is loaded whenever its tab is shown. The shown picture goes to the outputs in the format of
// the format box, and the scale, watermark and rotate dialogs rewrite the tab's file. The
// window deletes itself when closed; its transform dialogs go with it.
class Tfrmeditor final : public QWidget {
  public:
    explicit Tfrmeditor(EditorServices services, QWidget* parent = nullptr);
    ~Tfrmeditor() override;

    // Writes the capture as a new BMP scratch file, adds its tab at the end, selects it and
    // shows it. Returns the file's path.
    std::string addCapture(const Bitmap& capture);
    // Opens picture files (BMP, PNG, JPEG, GIF) as new tabs, as captures are. A file that
    // cannot be read opens no tab and shows the reader's error; the others still open.
    void openFiles(const std::vector<std::string>& paths);
    // Runs the open dialog, then openFiles.
    void openClick();

    // Undo and redo of the shown tab's annotations, crops and transforms; nothing to undo or
    // redo does nothing.
    void undo();
    void redo();
    AnnotationCanvas* canvas() const { return m_canvas; }
    // The shown tab's annotations and steps; null without tabs.
    EditHistory* history() const;
    // Whether a tab has annotations that no output has taken since they changed.
    bool hasUnsentAnnotations() const;

    // Whether the user has not yet asked the window to close.
    bool isOpen() const { return m_open; }

    // The transforms the dialogs run: read their values from editor.ini, change the shown
    // picture and rewrite the tab's file. An error leaves picture and file as they were.
    void doscaleimage();
    void doaddwatermark();
    void dorotate();

    void enablebuttons(bool on);

    const Bitmap& picture() const { return m_picture; }
    // The selected tab's file; empty without tabs.
    std::string tabFilePath() const;
    // Format code of the format box: 1 BMP, 2 JPEG, 3 PNG, 4 GIF.
    int formatCode() const;

    // Commands of the buttons, reachable by tests.
    void pagesChange(int index);
    void closeTabClick();
    // Runs the save dialog on the format box's filter, then saveAs with the filter left chosen.
    void saveClick();
    // Saves the shown picture to target (template tokens expanded; the format's extension
    // added unless the name ends with it) in the format of the override. Returns the path.
    std::string saveAs(const std::string& target, int formatOverride);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // One tab's steps, and whether its annotations changed since an output last took them.
    struct TabDocument {
        explicit TabDocument(EditState initial) : history(std::move(initial)) {}
        EditHistory history;
        bool unsent = false;
    };

    void buildControls();
    void buildAnnotationBar();
    TabDocument* document() const;
    // The shown tab's picture with its annotations drawn in.
    Bitmap flattened() const;
    // Sends the flattened picture to an output; once it is taken, the annotations become
    // part of the tab's picture and file, as a step that can be undone.
    void runOutput(const std::function<void(const Bitmap&)>& output);
    // After the shown tab's step changed: the file holds its picture, the view shows it.
    void stepChanged(const std::shared_ptr<const Bitmap>& before);
    // Undo or redo on the shown tab.
    void goToStep(bool (EditHistory::*step)());
    bool confirmDiscard(const QString& what);
    void rememberChoices();
    void loadTab(int index);
    void showPicture(Bitmap picture);
    ScratchContext scratchContext() const;
    void runTransform(const std::function<void(Bitmap&)>& transform);
    template <class Dialog>
    void openDialog(QPointer<TransformDialog>& mark, void (Tfrmeditor::*transform)());

    EditorServices m_services;
    Bitmap m_picture;
    bool m_open = true;
    bool m_closingByUser = false;  // set while the "Close" button closes the window

    QComboBox* fileformat = nullptr;
    QTabBar* pages = nullptr;
    QScrollArea* sScrollBox1 = nullptr;
    AnnotationCanvas* Image = nullptr;
    AnnotationCanvas* m_canvas = nullptr;
    AnnotationBar* m_annotateBar = nullptr;
    // The tabs' documents by file name.
    std::map<std::string, std::unique_ptr<TabDocument>> m_documents;
    QToolButton* m_buttons[8] = {};

    // The open transform dialogs; null while closed.
    QPointer<TransformDialog> m_scaleDialog;
    QPointer<TransformDialog> m_watermarkDialog;
    QPointer<TransformDialog> m_rotateDialog;
};

}  // namespace pelko
