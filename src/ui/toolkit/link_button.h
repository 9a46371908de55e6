#pragma once

#include <QAbstractButton>

namespace pelko {

// A flat button that looks like a web link: its text underlined in the palette's link colour
// (blue by default), with the hand pointer.
class LinkButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit LinkButton(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

  private:
    // The widget's font, underlined (the widget's own font stays inherited from its parent).
    QFont linkFont() const;

    bool m_hovered = false;
};

}  // namespace pelko
