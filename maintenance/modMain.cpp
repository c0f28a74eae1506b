#include "modMain.h"

#include "MessageBox.h"
#include "MissingDatabaseDialog.h"
#include "pages/frmMain.h"
#include "zel/Error.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <exception>
#include <memory>

#if __has_include(<zel/data/DataSource.h>)
#include <zel/data/DataSource.h>
#define ZEL_HAVE_SITE_DATABASE 1
#endif
#if __has_include(<zel/support/MessagePump.h>)
#include <zel/support/MessagePump.h>
#define ZEL_HAVE_MESSAGE_PUMP 1
#endif

namespace zel::ui {
namespace {

// Module state: the data source held for the life of the program and the file it opened.
#ifdef ZEL_HAVE_SITE_DATABASE
zel::data::DataSource gDataSource;
#endif
QString gDatabasePath;

// The E_FAIL number, for failures that carry no number of their own.
constexpr long UnspecifiedError = -2147467259L;

void ShowStartupError(QWidget* parent, long number, const QString& description)
{
    ShowMessage(parent, StartupErrorText(number, description), {}, MsgIcon::Critical);
}

void OpenFile(const QString& path)
{
#ifdef ZEL_HAVE_SITE_DATABASE
    gDataSource.OpenDatabase(QFile::encodeName(path).toStdString());
#else
    (void)path;
    throw zel::Error(UnspecifiedError, "ZelMaintenance", "This build has no site database library.");
#endif
}

void CreateFile(const QString& path)
{
#ifdef ZEL_HAVE_SITE_DATABASE
    zel::data::DataSource::CreateDatabase(QFile::encodeName(path).toStdString());
#else
    (void)path;
    throw zel::Error(UnspecifiedError, "ZelMaintenance", "This build has no site database library.");
#endif
}

} // namespace

QString StartupErrorText(long number, const QString& description)
{
    return QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description);
}

StartupResult OpenSiteDatabase(const QString& folder, QWidget* parent, const CreateDatabaseQuestion& askCreate)
{
    const QString fileName = QString::fromLatin1(SiteDatabaseFileName);
    const QString path = QDir(folder).absoluteFilePath(fileName);
    try {
        // The library opens a thread's database only once, so a missing file is settled
        // before the first open rather than by retrying after error 53.
        if (!QFileInfo::exists(path)) {
            if (!askCreate || !askCreate(fileName, QDir(folder).absolutePath()))
                return StartupResult::Quit;
            CreateFile(path);
        }
        OpenFile(path);
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

int Main()
{
#ifdef ZEL_HAVE_MESSAGE_PUMP
    // Long clock operations (an enrollment's polling) keep the window alive through this.
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
#endif

    auto ask = [](const QString& fileName, const QString& folder) {
        return MissingDatabaseDialog::Ask(fileName, folder);
    };
    switch (OpenSiteDatabase(QDir::currentPath(), nullptr, ask)) {
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
    return QApplication::exec();
}

} // namespace zel::ui
