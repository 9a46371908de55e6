#include "ui/toolkit/skins.h"
#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QStyleFactory>
#include <optional>

#include "ui/toolkit/builtin_skins.h"

namespace pelko {

namespace {

// Style sheets are drawn on top of this style, so they look the same everywhere.
const QString kSheetBaseStyle = QStringLiteral("Fusion");
constexpr qint64 kMaxSheetBytes = 1 << 20;

std::optional<QString> folderSkinFile(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.contains(QLatin1Char('/'))) {
        return std::nullopt;
    }
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.qss")}, QDir::Files);
    for (const QString& file : files) {
        if (QFileInfo(file).completeBaseName().compare(name, Qt::CaseInsensitive) == 0) {
            return QDir(folder).filePath(file);
        }
    }
    return std::nullopt;
}

std::optional<QString> readSheet(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxSheetBytes) {
        return std::nullopt;
    }
    return QString::fromUtf8(f.readAll());
}

QStringList folderSkinNames(const QString& folder) {
    QStringList names;
    if (folder.isEmpty()) {
        return names;
    }
    for (const QString& file : QDir(folder).entryList({QStringLiteral("*.qss")}, QDir::Files)) {
        names << QFileInfo(file).completeBaseName();
    }
    return names;
}

}  // namespace

Skins::Skins() : m_defaultStyle(QApplication::style()->name()) {}

void Skins::setEnabled(bool on) {
    m_enabled = on;
    apply();
}

void Skins::setSkinName(const QString& name) {
    m_name = name;
    apply();
}

QStringList Skins::availableSkins() const {
    QStringList names = builtInSkinNames();
    names << QStyleFactory::keys() << folderSkinNames(m_folder);
    names.removeDuplicates();
    return names;
}

QStringList Skins::sortedSkinNames() const {
    QStringList names;
    for (const QString& name : availableSkins()) {
        if (!names.contains(name, Qt::CaseInsensitive)) {
            names << name;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

void Skins::apply() {
    QString style;
    QString sheet;
    QString applied;
    if (m_enabled && !m_name.isEmpty()) {
        std::optional<QString> fromFolder;
        if (auto file = folderSkinFile(m_folder, m_name)) {
            fromFolder = readSheet(*file);
        }
        if (fromFolder) {
            style = kSheetBaseStyle;
            sheet = *fromFolder;
            applied = m_name;
        } else if (auto builtIn = builtInSkin(m_name)) {
            style = kSheetBaseStyle;
            sheet = *builtIn;
            applied = m_name;
        } else if (QStyleFactory::keys().contains(m_name, Qt::CaseInsensitive)) {
            style = m_name;
            applied = m_name;
        }
    }
    m_applied = applied;
    if (style.compare(m_appliedStyle, Qt::CaseInsensitive) == 0 && sheet == m_appliedSheet) {
        return;
    }
    if (style.compare(m_appliedStyle, Qt::CaseInsensitive) != 0) {
        QApplication::setStyle(style.isEmpty() ? m_defaultStyle : style);
    }
    qApp->setStyleSheet(sheet);
    m_appliedStyle = style;
    m_appliedSheet = sheet;
}

}  // namespace pelko
