#pragma once

#include <QValidator>

namespace zel::ui {

// Limits what the administrator can type or paste into a text box to `maxLength` characters.
// Unlike QLineEdit::setMaxLength it never cuts a text that the program puts into the box, so a
// longer stored value is shown whole (and refused by the editor's length check) instead of being
// shortened silently and written back shortened.
class MaxLengthValidator : public QValidator {
    Q_OBJECT
public:
    MaxLengthValidator(int maxLength, QObject* parent);

    State validate(QString& input, int& pos) const override;
    int MaxLength() const { return mMaxLength; }

private:
    int mMaxLength;
};

} // namespace zel::ui
