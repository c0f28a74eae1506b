#pragma once
// Names and other texts of the site as the program's lists and tables show them.

#include <QString>

#include <string>

namespace zel::ui {

// The text with every character that would move, reorder or hide what stands after it
// (zel::IsActingCharacter: control characters, bidirectional controls, line separators) shown
// as '?', as zelctl shows it. Other text comes back as it is (without a copy).
QString ShownText(const QString& text);
// The same for UTF-8 text from the site database or the clock library.
QString ShownText(const std::string& utf8);

} // namespace zel::ui
