#pragma once

#include <QString>

#include <initializer_list>

class QWidget;

namespace zel {
class Error;
}

namespace zel::ui {

// A site database opened read-only (another program writes it, or this user may not) shows its
// lists, and every command that would change it is refused before it starts: its control is
// disabled, with the notice below as tooltip and in the main window's status bar. These helpers
// hold the one wording of that refusal.

// "The site database is open read-only, because REASON: nothing in it can be changed (error
// 3027)." Empty when this thread's site can be written, or none is open.
QString ReadOnlyNotice();

// Disables each control and gives it `notice` as its tooltip; does nothing when `notice` is empty.
void LockForReadOnly(std::initializer_list<QWidget*> controls, const QString& notice);

// An error's description as a message box shows it; a refusal of a read-only site carries its
// number: "... (error 3027)".
QString ErrorMessageText(const zel::Error& error);

} // namespace zel::ui
