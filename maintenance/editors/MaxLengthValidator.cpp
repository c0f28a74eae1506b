#include "editors/MaxLengthValidator.h"

#include <QLineEdit>

namespace zel::ui {

MaxLengthValidator::MaxLengthValidator(int maxLength, QObject* parent) : QValidator(parent), mMaxLength(maxLength) {}

QValidator::State MaxLengthValidator::validate(QString& input, int&) const
{
    if (input.size() <= mMaxLength)
        return Acceptable;
    // A longer text put in by the program may still be shortened, one keystroke at a time.
    const auto* box = qobject_cast<const QLineEdit*>(parent());
    if (box && input.size() < box->text().size())
        return Intermediate;
    return Invalid;
}

} // namespace zel::ui
