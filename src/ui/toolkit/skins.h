#pragma once

#include <QString>
#include <QStringList>

namespace pelko {

// The look of the whole application. A skin is, by its name (any case): a style sheet file
// <name>.qss in the skin folder, one of the compiled-in style sheets, or one of the platform's
// Qt styles. With skins off, or with a name that is none of these, the application has the
// platform's default look.
class Skins {
  public:
    // Remembers the platform's default style; needs the QApplication.
    Skins();

    void setSkinFolder(const QString& folder) { m_folder = folder; }
    const QString& skinFolder() const { return m_folder; }

    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }

    void setSkinName(const QString& name);
    const QString& skinName() const { return m_name; }

    // Every name that selects a skin: compiled-in, Qt styles, then the folder's files.
    QStringList availableSkins() const;
    // The same names sorted without regard to case, each name once whatever its case: the list
    // the skin box of the general settings shows.
    QStringList sortedSkinNames() const;

    // The name of the look in effect: the skin's name, or empty for the default look.
    const QString& appliedSkin() const { return m_applied; }

  private:
    void apply();

    QString m_defaultStyle;
    QString m_folder;
    QString m_name;
    bool m_enabled = false;
    QString m_applied;
    QString m_appliedStyle;  // empty: the default style
    QString m_appliedSheet;
};

}  // namespace pelko
