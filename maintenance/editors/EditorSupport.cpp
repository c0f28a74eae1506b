#include "editors/EditorSupport.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"

#include "zel/Error.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>

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
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    qint64 result = 0;
    for (QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        if (result < std::numeric_limits<std::int32_t>::max())
            result = result * 10 + (c.unicode() - '0');
    }
    value = std::min<qint64>(result, std::numeric_limits<std::int32_t>::max());
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
