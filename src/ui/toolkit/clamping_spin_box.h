#pragma once

#include <QSpinBox>

namespace pelko {

// A spin box whose typed number is held within its range instead of refused: typing 150 into
// a box of 0 to 100 shows and gives 100 at once (a plain spin box refuses the third digit and
// keeps 15). A number below the minimum may still grow into the range while it is typed; it
// is raised to the minimum when the typing ends.
class ClampingSpinBox : public QSpinBox {
    Q_OBJECT

  public:
    explicit ClampingSpinBox(QWidget* parent = nullptr);

  protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

}  // namespace pelko
