#include "ui/toolkit/clamping_spin_box.h"

#include <algorithm>

namespace pelko {

ClampingSpinBox::ClampingSpinBox(QWidget* parent) : QSpinBox(parent) {}

QValidator::State ClampingSpinBox::validate(QString& input, int& pos) const {
    const QString number = input.trimmed();
    if (number.isEmpty() || number == QLatin1String("-") || number == QLatin1String("+")) {
        return QValidator::Intermediate;
    }
    bool ok = false;
    const qlonglong value = number.toLongLong(&ok);
    if (!ok) {
        // Digits only past an optional sign; a number too long for 64 bits is past any range.
        const QStringView digits = QStringView(number).mid(number.front().isDigit() ? 0 : 1);
        const bool allDigits =
            !digits.isEmpty() &&
            std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        if (!allDigits || number.front() == QLatin1Char('-')) {
            return QValidator::Invalid;
        }
    }
    if (!ok || value > maximum()) {
        input = QString::number(maximum());
        pos = int(input.size());
        return QValidator::Acceptable;
    }
    return value < minimum() ? QValidator::Intermediate : QValidator::Acceptable;
}

void ClampingSpinBox::fixup(QString& input) const {
    bool ok = false;
    const qlonglong value = input.trimmed().toLongLong(&ok);
    if (ok) {
        input = QString::number(std::clamp<qlonglong>(value, minimum(), maximum()));
    }
}

}  // namespace pelko
