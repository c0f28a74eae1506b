#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zel::ui {

// The file name of the site database, looked for in the working directory.
inline constexpr const char* SiteDatabaseFileName = "zel.mdb";

// Asked when the site database file is missing: true to create a new, empty one there.
using CreateDatabaseQuestion = std::function<bool(const QString& fileName, const QString& folder)>;

enum class StartupResult {
    Opened, // the site database is open
    Quit,   // it was missing and the user chose not to create it
    Failed, // opening (or creating) failed; the error was shown
};

// Opens "zel.mdb" in `folder` as the site database of this thread. A missing file is put to
// `askCreate`; when it answers true a new, empty site database is created there and opened.
// Any failure is shown in a message box with the error's number and description.
StartupResult OpenSiteDatabase(const QString& folder, QWidget* parent, const CreateDatabaseQuestion& askCreate);

// The full path of the site database opened by OpenSiteDatabase (empty before).
QString DatabasePath();

// The text shown for a failure at start-up: "Run-time error 'N':" and the description.
QString StartupErrorText(long number, const QString& description);

// Lets long clock operations of this thread (the polling of an enrollment) run the event loop,
// so that Abort and Cancel buttons still react.
void InstallMessagePump();

// The program's entry, called once the QApplication exists: installs the message pump of the
// clock library, opens the site database in the working directory and shows the main window.
// Returns the process exit status: non-zero when the main window was never shown.
int Main();

} // namespace zel::ui
