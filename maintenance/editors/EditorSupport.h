#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QWidget;

namespace zel::workflows {
struct Refusal;
}

namespace zel::ui {

// Small pieces shared by the list editors and their detail views.

// Edit-mode look of an input field: enabled with the window-background colour, or disabled
// with the button-face colour.
void SetFieldEditable(QWidget* field, bool editable);

// A label with its caption at the given place (pixels), named `name`.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);

// UTF-8 <-> QString for the texts of the site database.
inline QString ToQ(const std::string& text)
{
    return QString::fromStdString(text);
}
inline std::string FromQ(const QString& text)
{
    return text.toStdString();
}

// The whole number in `text` (surrounding blanks allowed, decimal digits only), or false when
// the text is not one. Values too large for 32 bits come back as INT32_MAX.
bool ParseWholeNumber(const QString& text, qint64& value);

// Shows the refusal of a list editor's rule (zel/workflows/ListRules.h) in its box (none for a
// silent one). True when there was a refusal.
bool ShowRefusal(QWidget* parent, const std::optional<zel::workflows::Refusal>& refusal);

// Runs `step` and reports an error it raises (zel::Error or any other exception) in a message
// box with its description. Returns true when the step finished without an error.
bool RunReported(QWidget* parent, const std::function<void()>& step);

} // namespace zel::ui
