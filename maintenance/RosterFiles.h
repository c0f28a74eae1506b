#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zel::ui {

// File, "Import Users from CSV..." and "Export Users to CSV...": the site's users from and to a
// roster file (zel/workflows/RosterPlan.h, RosterExport.h).

// Asks for the roster file: an existing one to import (`save` false), or where to export to
// (`save` true; `suggested` is the path offered). The empty text when cancelled.
using RosterFileChooser = std::function<QString(QWidget* parent, bool save, const QString& suggested)>;
// Replaces the file dialogs (tests); an empty chooser restores them.
void SetRosterFileChooser(RosterFileChooser chooser);

// Asks for a file, reads it and plans it against the site's users, and shows the plan
// (frmImportUsers), which imports it on "Import". A file that cannot be read as a roster, and a
// site opened read-only, are told in a message box; nothing is written then.
void ImportUsersFromCsv(QWidget* parent);

// Asks where to, writes the site's users there (written beside the file and renamed into place,
// mode 0600, no templates) and says how many, or why it failed.
void ExportUsersToCsv(QWidget* parent);

} // namespace zel::ui
