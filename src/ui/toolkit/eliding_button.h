#pragma once

#include <QPushButton>

namespace pelko {

// A push button whose caption, when wider than the button, ends in "..." instead of being cut
// off at both sides; hovering it then shows the whole caption.
class ElidingButton : public QPushButton {
    Q_OBJECT

  public:
    explicit ElidingButton(const QString& text, QWidget* parent = nullptr);

    // The caption as drawn.
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent* e) override;

  private:
    int textRoom() const;
};

}  // namespace pelko
