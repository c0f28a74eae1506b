#pragma once

#include <QIcon>

namespace zel::ui {

// Makes the program's pictures (resources.qrc, linked from a static library) reachable under
// ":/". Safe to call more than once.
void InitProgramResources();

// The program icon.
QIcon ProgramIcon();

} // namespace zel::ui
