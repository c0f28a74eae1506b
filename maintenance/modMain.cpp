#include "modMain.h"

#include "MessageBox.h"
#include "MissingDatabaseDialog.h"
#include "pages/frmMain.h"
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <exception>
#include <memory>
#include <string>

namespace zel::ui {
namespace {

// Module state: the data source held for the life of the program and the file it opened.
zel::data::DataSource gDataSource;
QString gDatabasePath;

// The E_FAIL number, for failures that carry no number of their own.
constexpr long UnspecifiedError = -2147467259L;

void ShowStartupError(QWidget* parent, long number, const QString& description)
{
    ShowMessage(parent, StartupErrorText(number, description), {}, MsgIcon::Critical);
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
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
            zel::data::DataSource::CreateDatabase(NativePath(path));
        }
        gDataSource.OpenDatabase(NativePath(path));
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

void InstallMessagePump()
{
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
}

int Main()
{
    InstallMessagePump();

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
