#include "modMain.h"

#include "MessageBox.h"
#include "MissingDatabaseDialog.h"
#include "SiteAccessDialog.h"
#include "pages/frmMain.h"
#include "zel/Error.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/SiteErrors.h"
#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <exception>
#include <memory>
#include <string>

namespace zel::ui {
namespace {

// Module state: the data source held for the life of the program and the file it opened.
zel::data::DataSource gDataSource;
QString gDatabasePath;
BackupFileChooser gBackupChooser;

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
    const QString details =
        QStringLiteral("The site database cannot be loaded: one of its rows breaks a rule of the lists.\n\n"
                       "File: %1\nTable: %2\nRow ID: %3\nColumn: %4\nRule: %5\n\n"
                       "Put that row right (for example with the sqlite3 program) or restore a backup of "
                       "the site database, then start the program again.")
            .arg(QDir::toNativeSeparators(FromNative(error.FileName())), QString::fromStdString(error.Table()),
                 QString::fromStdString(error.RowID()), QString::fromStdString(error.Column()),
                 QString::fromStdString(error.Rule()));
    return StartupErrorText(error.Number(), details);
}

StartupResult OpenSiteDatabase(const QString& folder, QWidget* parent, const CreateDatabaseQuestion& askCreate,
                               const ReadOnlyQuestion& askReadOnly)
{
    const QString fileName = QString::fromLatin1(SiteDatabaseFileName);
    const QString path = QDir(folder).absoluteFilePath(fileName);
    try {
        // The library opens a thread's database only once, so a missing file is settled
        // before the first open rather than by retrying after error 53.
        if (!QFileInfo::exists(path)) {
            if (!askCreate || !askCreate(fileName, QDir(folder).absolutePath()))
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
        ShowStartupError(parent, e.Number(), QString::fromStdString(e.Description()));
        return StartupResult::Failed;
    } catch (const std::exception& e) {
        ShowStartupError(parent, UnspecifiedError, QString::fromLocal8Bit(e.what()));
        return StartupResult::Failed;
    }
    gDatabasePath = path;
    return StartupResult::Opened;
}

QString DatabasePath()
{
    return gDatabasePath;
}

void CloseSiteDatabase()
{
    try {
        auto connection = gDataSource.GetConnection();
        if (connection && connection->IsOpen())
            gDataSource.CloseDatabase();
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch): the program is ending
    }
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
        return MissingDatabaseDialog::Ask(fileName, folder);
    };
    auto askReadOnly = [](const zel::data::SiteWriteAccessError& reason) { return SiteAccessDialog::Ask(reason); };
    switch (OpenSiteDatabase(QDir::currentPath(), nullptr, askCreate, askReadOnly)) {
    case StartupResult::Opened:
        break;
    case StartupResult::Quit:
        return 1;
    case StartupResult::Failed:
        return 2;
    }

    std::unique_ptr<frmMain> mainWindow;
    try {
        mainWindow = std::make_unique<frmMain>();
    } catch (const zel::Error& e) {
        ShowStartupError(nullptr, e.Number(), QString::fromStdString(e.Description()));
        return 2;
    } catch (const std::exception& e) {
        ShowStartupError(nullptr, UnspecifiedError, QString::fromLocal8Bit(e.what()));
        return 2;
    }
    mainWindow->show();
    const int status = QApplication::exec();
    mainWindow.reset();
    // Every change is in zel.mdb itself once the program has ended: a copy of that one file
    // is a complete backup.
    CloseSiteDatabase();
    return status;
}

} // namespace zel::ui
