#include "editors/EditorSupport.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"

#include "zel/Error.h"
#include "zel/workflows/ListRules.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <exception>

namespace zel::ui {

void SetFieldEditable(QWidget* field, bool editable)
{
    field->setEnabled(editable);
    const QPalette app = QApplication::palette(field);
    const QColor colour =
        editable ? app.color(QPalette::Active, QPalette::Base) : app.color(QPalette::Active, QPalette::Button);
    QPalette palette = field->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    field->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(left, top, width, 22);
    return label;
}

bool ParseWholeNumber(const QString& text, qint64& value)
{
    const auto number = zel::workflows::WholeNumber(text.toStdString());
    if (!number)
        return false;
    value = *number;
    return true;
}

bool ShowRefusal(QWidget* parent, const std::optional<zel::workflows::Refusal>& refusal)
{
    if (!refusal)
        return false;
    if (!refusal->Silent)
        ShowMessage(parent, QString::fromStdString(refusal->Message), QString::fromStdString(refusal->Title),
                    refusal->Exclamation ? MsgIcon::Exclamation : MsgIcon::None);
    return true;
}

bool RunReported(QWidget* parent, const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const zel::Error& error) {
        ShowMessage(parent, ErrorMessageText(error), {}, MsgIcon::Critical);
    } catch (const std::exception& error) {
        ShowMessage(parent, QString::fromLocal8Bit(error.what()), {}, MsgIcon::Critical);
    }
    return false;
}

} // namespace zel::ui
