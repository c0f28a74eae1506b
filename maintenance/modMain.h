#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace zel::data {
class SiteLoadError;
class SiteWriteAccessError;
} // namespace zel::data

namespace zel::ui {

class SiteChangeWatcher;

// The file name of the site database, looked for in the working directory.
inline constexpr const char* SiteDatabaseFileName = "zel.mdb";

// Asked when the site database file is missing: true to create a new, empty one there.
using CreateDatabaseQuestion = std::function<bool(const QString& fileName, const QString& folder)>;

// Asked when the site database cannot be opened for writing (another program writes it, or the
// file or its folder is read-only; `reason` says which): true to open it read-only, false to quit.
using ReadOnlyQuestion = std::function<bool(const zel::data::SiteWriteAccessError& reason)>;

enum class StartupResult {
    Opened, // the site database is open (read-only when the user chose so) and its lists loaded
    Quit,   // it was missing or could not be written, and the user chose to stop
    Failed, // opening (or creating, or loading) failed; the error was shown
};

// The site the program opens: the value of "--site SITE" or "--site=SITE" among `arguments`
// (the program's command line, its own name first), else the environment variable ZEL_SITE, else
// "zel.mdb" in the working directory. A site is a file path or a PostgreSQL connection URI.
// A --site without a value, or given twice, raises error 5.
QString ChosenSite(const QStringList& arguments);
// The same, with `remembered` (the site opened last, when not empty) in place of "zel.mdb" when
// neither --site nor ZEL_SITE names a site.
QString ChosenSite(const QStringList& arguments, const QString& remembered);

// Opens `site` (a file path, relative ones in the working directory, or a postgresql:// URI) as
// the site database of this thread and loads its three lists.
// A file: a missing one is put to `askCreate`; when it answers true a new, empty site database
// is created there and opened. A file that cannot be opened for writing is put to `askReadOnly`
// (without one, that is shown as a failure).
// A server: nothing is asked; a connection that fails is shown as a failure that names the site
// (its password masked).
// A row that the lists cannot load stops the start-up with a message that names the site,
// table, row ID, column and rule (never an empty site in its place). Any other failure is shown
// in a message box with the error's number and description.
StartupResult OpenSite(const QString& site, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                       const ReadOnlyQuestion& askReadOnly = {});
// OpenSite of "zel.mdb" in `folder`.
StartupResult OpenSiteDatabase(const QString& folder, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                               const ReadOnlyQuestion& askReadOnly = {});

// The full path of the site database file opened by OpenSite (empty before, and for a server).
QString DatabasePath();
// The site opened by OpenSite as it may be shown: a file's full path, a URI with its password
// masked (empty before).
QString ShownSite();
// True when the site opened by OpenSite is a PostgreSQL server.
bool IsServerSiteOpen();
// How the open site is stored and the engine's version: "SQLite file (SQLite 3.46.1)",
// "PostgreSQL server (...)"; "(none)" before OpenSite.
QString SiteEngineText();

// Closes this thread's site database if it is open, folding its write-ahead log into the file;
// failures are not reported (the program is ending).
void CloseSiteDatabase();

// Closes this thread's site database as CloseSiteDatabase does and forgets it, its lists and the
// site opened by OpenSite, so that OpenSite may open a site anew (switching sites). Failures of the
// close are not reported: the site is left either way.
void ReleaseSiteDatabase();

// On a server site opened by OpenSite: what brings the changes saved by other programs into the
// lists while the program runs (nullptr for a file, and after CloseSiteDatabase).
SiteChangeWatcher* ChangeWatcher();

// The text shown for a failure at start-up: "Run-time error 'N':" and the description.
QString StartupErrorText(long number, const QString& description);
// The text shown for a site database that cannot be loaded: the site, table, row ID, column and
// rule, and what to do.
QString LoadErrorText(const zel::data::SiteLoadError& error);

// Chooses the file to back the site database up to; `suggested` is the path offered. Returns the
// chosen path, or the empty text when cancelled.
using BackupFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
// Replaces the file dialog of BackUpSiteDatabase (tests); an empty chooser restores it.
void SetBackupFileChooser(BackupFileChooser chooser);
// File, "Back Up Site Database...": asks for a file (a new one beside the site database is
// offered), asks before an existing file is replaced, writes a consistent copy of the site
// database there (also while it is in use) and says where, or shows why it failed.
void BackUpSiteDatabase(QWidget* parent);

// Lets long clock operations of this thread (the polling of an enrollment) run the event loop,
// so that Abort and Cancel buttons still react.
void InstallMessagePump();

// The program's entry, called once the QApplication exists: installs the message pump of the
// clock library, opens the site (ChosenSite of the application's arguments, else the site opened
// last) and shows the main window on it (SiteSession).
// Returns the process exit status: non-zero when the main window was never shown.
int Main();

} // namespace zel::ui
