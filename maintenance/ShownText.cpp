#include "ShownText.h"

#include "zel/Text.h"

namespace zel::ui {

QString ShownText(const QString& text)
{
    QString shown = text;
    // Every acting character lies in the Basic Multilingual Plane: one UTF-16 unit each.
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (zel::IsActingCharacter(shown.at(i).unicode()))
            shown[i] = QLatin1Char('?');
    return shown;
}

QString ShownText(const std::string& utf8)
{
    return ShownText(QString::fromStdString(utf8));
}

} // namespace zel::ui
