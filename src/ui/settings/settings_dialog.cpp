#include "ui/settings/settings_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/settings/ini_file.h"
#include "ui/toolkit/app_icon.h"
#include "ui/toolkit/error_box.h"

namespace pelko {

SettingsDialog::SettingsDialog(bool& openMark, std::string settingsFile,
                               std::function<void()> reread, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_openMark(openMark),
      m_settingsFile(std::move(settingsFile)),
      m_reread(std::move(reread)) {
    m_openMark = true;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(pelkoIcon());
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &SettingsDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &SettingsDialog::Button2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);
}

SettingsDialog::~SettingsDialog() {
    m_openMark = false;
}

void SettingsDialog::showPage(int index) {
    if (index >= 0 && index < m_pages->count()) {
        m_pages->setCurrentIndex(index);
    }
    if (!isVisible()) {
        adjustSize();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // The page's first control takes the keys.
    for (QWidget* w : m_pages->currentWidget()->findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
            w->setFocus();
            break;
        }
    }
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            Button1Click();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            Button2Click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void SettingsDialog::Button1Click() {
    const bool saved = runAction(this, [this] {
        IniFile f(m_settingsFile);
        IniFile::Batch batch(f);
        saveparams(f);
        batch.commit();
    });
    if (!saved) {
        return;
    }
    afterSave();
    if (m_reread) {
        runAction(this, m_reread);
    }
    close();
}

void SettingsDialog::Button2Click() {
    close();
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    m_openMark = false;
    event->accept();
}

}  // namespace pelko
