#include "modMain.h"

#include "MessageBox.h"
#include "MissingDatabaseDialog.h"
#include "RecentSites.h"
#include "SiteAccessDialog.h"
#include "SiteChangeWatcher.h"
#include "SiteSession.h"
#include "zel/Error.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/SiteName.h"
#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace zel::ui {
namespace {

// Module state: the data source held for the life of the program and the site it opened (as
// given: it may hold a password, so it is shown only through MaskedSite).
zel::data::DataSource gDataSource;
QString gDatabasePath;
QString gSite;
BackupFileChooser gBackupChooser;
// On a server: brings the changes of other programs into the lists.
std::unique_ptr<SiteChangeWatcher> gChangeWatcher;

// The E_FAIL number, for failures that carry no number of their own.
constexpr long UnspecifiedError = -2147467259L;

const char* const BackupTitle = "Back Up Site Database";

void ShowStartupError(QWidget* parent, long number, const QString& description)
{
    ShowMessage(parent, StartupErrorText(number, description), {}, MsgIcon::Critical);
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromNative(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// A description from the library with the site (and its password) masked wherever it quotes it.
QString Masked(const std::string& description, const std::string& site)
{
    return QString::fromStdString(zel::data::MaskSiteIn(description, site));
}

void ShowSiteError(QWidget* parent, const zel::Error& error, const std::string& site)
{
    ShowStartupError(parent, error.Number(), Masked(error.Description(), site));
}

// The lists are loaded here, not by the first page that asks: a file that cannot be loaded
// stops the start-up instead of leaving the pages with nothing.
void LoadSiteLists()
{
    gDataSource.GetUserDescriptionList();
    gDataSource.GetReaderDescriptionList();
    gDataSource.GetChannelDescriptionList();
}

QString ChooseBackupWithDialog(QWidget* parent, const QString& suggested)
{
    QFileDialog dialog(parent, QString::fromLatin1(BackupTitle));
    dialog.setObjectName(QStringLiteral("dlgBackup"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing a file is asked by the command itself, once the library has refused it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    dialog.setNameFilters({QStringLiteral("Site Databases (*.mdb)"), QStringLiteral("All Files (*)")});
    dialog.setDirectory(QFileInfo(suggested).absolutePath());
    dialog.selectFile(QFileInfo(suggested).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

QString SuggestedBackupPath()
{
    const QString folder = gDatabasePath.isEmpty() ? QDir::currentPath() : QFileInfo(gDatabasePath).absolutePath();
    const QString name = QStringLiteral("zel-backup-%1.mdb")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    return QDir(folder).filePath(name);
}

void ShowBackupError(QWidget* parent, const zel::Error& error)
{
    ShowMessage(parent,
                QStringLiteral("The site database could not be backed up.\n\n%1\n\n(error %2)")
                    .arg(QString::fromStdString(error.Description()))
                    .arg(error.Number()),
                QString::fromLatin1(BackupTitle), MsgIcon::Critical);
}

} // namespace

QString StartupErrorText(long number, const QString& description)
{
    return QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description);
}

QString LoadErrorText(const zel::data::SiteLoadError& error)
{
    const bool server = zel::data::IsServerSite(error.FileName());
    const QString site = server ? QString::fromStdString(zel::data::MaskedSite(error.FileName()))
                                : QDir::toNativeSeparators(FromNative(error.FileName()));
    const QString details =
        QStringLiteral("The site database cannot be loaded: one of its rows breaks a rule of the lists.\n\n"
                       "%1: %2\nTable: %3\nRow ID: %4\nColumn: %5\nRule: %6\n\n"
                       "Put that row right (for example with the %7 program) or restore a backup of "
                       "the site database, then start the program again.")
            .arg(server ? QStringLiteral("Site") : QStringLiteral("File"), site, QString::fromStdString(error.Table()),
                 QString::fromStdString(error.RowID()), QString::fromStdString(error.Column()),
                 QString::fromStdString(error.Rule()), server ? QStringLiteral("psql") : QStringLiteral("sqlite3"));
    return StartupErrorText(error.Number(), details);
}

namespace {

StartupResult OpenSiteFile(const QString& path, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                           const ReadOnlyQuestion& askReadOnly)
{
    const QFileInfo file(path);
    try {
        // The library opens a thread's database only once, so a missing file is settled
        // before the first open rather than by retrying after error 53.
        if (!file.exists()) {
            if (!askCreate || !askCreate(file.fileName(), file.absolutePath()))
                return StartupResult::Quit;
            zel::data::DataSource::CreateDatabase(NativePath(path));
        }
        try {
            gDataSource.OpenDatabase(NativePath(path));
        } catch (const zel::data::SiteWriteAccessError& reason) {
            // Another program writes the file, or it cannot be written: nothing was kept of
            // the attempt, so it may be opened read-only instead.
            if (!askReadOnly)
                throw;
            if (!askReadOnly(reason))
                return StartupResult::Quit;
            gDataSource.OpenDatabase(NativePath(path), zel::data::OpenMode::ReadOnly);
        }
        LoadSiteLists();
    } catch (const zel::data::SiteLoadError& e) {
        ShowMessage(parent, LoadErrorText(e), {}, MsgIcon::Critical);
        return StartupResult::Failed;
    } catch (const zel::Error& e) {
        ShowSiteError(parent, e, NativePath(path));
        return StartupResult::Failed;
    } catch (const std::exception& e) {
        ShowStartupError(parent, UnspecifiedError, QString::fromLocal8Bit(e.what()));
        return StartupResult::Failed;
    }
    gDatabasePath = path;
    gSite = path;
    return StartupResult::Opened;
}

// A server has no file to create and no second writer to give way to: whatever fails is shown
// with the site it was (the password masked), and the start-up ends.
StartupResult OpenServerSite(const QString& site, QWidget* parent)
{
    const std::string uri = site.toStdString();
    const QString shown = QString::fromStdString(zel::data::MaskedSite(uri));
    try {
        gDataSource.OpenDatabase(uri);
        LoadSiteLists();
    } catch (const zel::data::SiteLoadError& e) {
        ShowMessage(parent, LoadErrorText(e), {}, MsgIcon::Critical);
        return StartupResult::Failed;
    } catch (const zel::Error& e) {
        ShowStartupError(parent, e.Number(),
                         QStringLiteral("The site database \"%1\" cannot be opened.\n\n%2")
                             .arg(shown, Masked(e.Description(), uri)));
        return StartupResult::Failed;
    } catch (const std::exception& e) {
        ShowStartupError(
            parent, UnspecifiedError,
            QStringLiteral("The site database \"%1\" cannot be opened.\n\n%2").arg(shown, Masked(e.what(), uri)));
        return StartupResult::Failed;
    }
    gDatabasePath.clear();
    gSite = site;
    gChangeWatcher = std::make_unique<SiteChangeWatcher>();
    return StartupResult::Opened;
}

} // namespace

QString ChosenSite(const QStringList& arguments)
{
    return ChosenSite(arguments, {});
}

QString ChosenSite(const QStringList& arguments, const QString& remembered)
{
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(QFile::encodeName(arguments.at(i)).toStdString());
    const char* environment = std::getenv(zel::data::SiteEnvironmentVariable);
    if (!remembered.isEmpty() && !zel::data::SiteOption(args) && (environment == nullptr || *environment == '\0'))
        return remembered;
    return FromNative(zel::data::ChooseSite(args, environment));
}

StartupResult OpenSite(const QString& site, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                       const ReadOnlyQuestion& askReadOnly)
{
    if (zel::data::IsServerSite(site.toStdString()))
        return OpenServerSite(site, parent);
    return OpenSiteFile(QFileInfo(site).absoluteFilePath(), parent, askCreate, askReadOnly);
}

StartupResult OpenSiteDatabase(const QString& folder, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                               const ReadOnlyQuestion& askReadOnly)
{
    return OpenSite(QDir(folder).absoluteFilePath(QString::fromLatin1(SiteDatabaseFileName)), parent, askCreate,
                    askReadOnly);
}

QString DatabasePath()
{
    return gDatabasePath;
}

QString ShownSite()
{
    if (!IsServerSiteOpen())
        return QDir::toNativeSeparators(gSite);
    return QString::fromStdString(zel::data::MaskedSite(gSite.toStdString()));
}

bool IsServerSiteOpen()
{
    return zel::data::IsServerSite(gSite.toStdString());
}

QString SiteEngineText()
{
    if (gSite.isEmpty())
        return QStringLiteral("(none)");
    QString text = IsServerSiteOpen() ? QStringLiteral("PostgreSQL server") : QStringLiteral("SQLite file");
    try {
        if (auto store = gDataSource.GetConnection(); store && store->IsOpen())
            text += QStringLiteral(" (%1)").arg(QString::fromStdString(store->EngineVersion()));
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch): the version is only shown
    }
    return text;
}

void CloseSiteDatabase()
{
    gChangeWatcher.reset();
    try {
        auto connection = gDataSource.GetConnection();
        if (connection && connection->IsOpen())
            gDataSource.CloseDatabase();
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch): the program is ending
    }
}

void ReleaseSiteDatabase()
{
    gChangeWatcher.reset();
    try {
        gDataSource.ReleaseDatabase();
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch): the site is left either way
    }
    gDatabasePath.clear();
    gSite.clear();
}

SiteChangeWatcher* ChangeWatcher()
{
    return gChangeWatcher.get();
}

void SetBackupFileChooser(BackupFileChooser chooser)
{
    gBackupChooser = std::move(chooser);
}

void BackUpSiteDatabase(QWidget* parent)
{
    const QString path = gBackupChooser ? gBackupChooser(parent, SuggestedBackupPath())
                                        : ChooseBackupWithDialog(parent, SuggestedBackupPath());
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    try {
        try {
            gDataSource.BackupDatabase(NativePath(path));
        } catch (const zel::Error& e) {
            if (e.Number() != zel::data::errc::FileAlreadyExists)
                throw;
            if (ShowMessage(parent,
                            QStringLiteral("The file \"%1\" already exists.\n\nReplace it with a new backup of the "
                                           "site database?")
                                .arg(shown),
                            QString::fromLatin1(BackupTitle), MsgIcon::Exclamation, MsgButtons::YesNo,
                            MsgResult::No) != MsgResult::Yes)
                return;
            gDataSource.BackupDatabase(NativePath(path), true);
        }
    } catch (const zel::Error& e) {
        ShowBackupError(parent, e);
        return;
    }
    ShowMessage(parent, QStringLiteral("The site database was backed up to \"%1\".").arg(shown),
                QString::fromLatin1(BackupTitle), MsgIcon::Information);
}

void InstallMessagePump()
{
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
}

int Main()
{
    InstallMessagePump();

    auto askCreate = [](const QString& fileName, const QString& folder) {
        // Asked over the window when another site is being opened from it.
        return MissingDatabaseDialog::Ask(fileName, folder, QApplication::activeWindow());
    };
    auto askReadOnly = [](const zel::data::SiteWriteAccessError& reason) { return SiteAccessDialog::Ask(reason); };
    RecentSites recent;
    QString site;
    try {
        site = ChosenSite(QCoreApplication::arguments(), recent.Last());
    } catch (const zel::Error& e) {
        ShowStartupError(nullptr, e.Number(), QString::fromStdString(e.Description()));
        return 2;
    }
    SiteSession session(recent, askCreate, askReadOnly);
    switch (session.Start(site)) {
    case StartupResult::Opened:
        break;
    case StartupResult::Quit:
        return 1;
    case StartupResult::Failed:
        return 2;
    }
    QObject::connect(&session, &SiteSession::Ended, qApp, [](int status) { QCoreApplication::exit(status); });
    return QApplication::exec();
}

} // namespace zel::ui
