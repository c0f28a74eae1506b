#include "RosterFiles.h"

#include "MessageBox.h"
#include "frmImportUsers.h"
#include "modMain.h"
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/CsvDocument.h"
#include "zel/workflows/RosterExport.h"
#include "zel/workflows/RosterPlan.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>

#include <exception>
#include <memory>

namespace zel::ui {
namespace {

constexpr const char* ImportTitle = "Import Users from CSV";
constexpr const char* ExportTitle = "Export Users to CSV";

RosterFileChooser& InstalledChooser()
{
    static RosterFileChooser chooser; // the tests' replacement of the file dialogs, when set
    return chooser;
}

QString SiteFolder()
{
    return DatabasePath().isEmpty() ? QDir::currentPath() : QFileInfo(DatabasePath()).absolutePath();
}

QString ChooseFile(QWidget* parent, bool save, const QString& suggested)
{
    if (const auto& chooser = InstalledChooser())
        return chooser(parent, save, suggested);
    QFileDialog dialog(parent, QString::fromLatin1(save ? ExportTitle : ImportTitle));
    dialog.setObjectName(QStringLiteral("dlgRosterFile"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters({QObject::tr("CSV Files (*.csv *.txt)"), QObject::tr("All Files (*)")});
    dialog.setDirectory(QFileInfo(suggested).absolutePath());
    if (save)
        dialog.selectFile(QFileInfo(suggested).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

QString ErrorText(const zel::Error& error)
{
    return QStringLiteral("%1\n\n(error %2)").arg(QString::fromStdString(error.Description())).arg(error.Number());
}

QString Number(std::size_t count)
{
    return QLocale().toString(static_cast<qulonglong>(count));
}

} // namespace

void SetRosterFileChooser(RosterFileChooser chooser)
{
    InstalledChooser() = std::move(chooser);
}

void ImportUsersFromCsv(QWidget* parent)
{
    zel::data::DataSource data;
    if (data.IsReadOnly()) {
        ShowMessage(parent,
                    QStringLiteral("Users cannot be imported: the site database is open read-only, because %1.")
                        .arg(QString::fromStdString(data.ReadOnlyReason())),
                    QString::fromLatin1(ImportTitle), MsgIcon::Exclamation);
        return;
    }
    const QString path = ChooseFile(parent, false, SiteFolder() + QStringLiteral("/users.csv"));
    if (path.isEmpty())
        return;
    std::shared_ptr<zel::workflows::RosterPlan> plan;
    std::shared_ptr<zel::data::UserDescriptionList> users;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        users = data.GetUserDescriptionList();
        const auto file = zel::workflows::CsvDocument::Read(QFile::encodeName(path).toStdString());
        plan = std::make_shared<zel::workflows::RosterPlan>(zel::workflows::PlanRoster(file, *users));
    } catch (const zel::Error& error) {
        failure = ErrorText(error);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        ShowMessage(parent, QStringLiteral("The file cannot be imported; nothing was written.\n\n%1").arg(failure),
                    QString::fromLatin1(ImportTitle), MsgIcon::Critical);
        return;
    }
    frmImportUsers preview(plan, users, parent);
    if (preview.exec() != QDialog::Accepted)
        return;
    const auto& applied = preview.Applied();
    ShowMessage(parent,
                QStringLiteral("The users of \"%1\" were imported: %2 added, %3 changed, %4 removed.")
                    .arg(QDir::toNativeSeparators(path), Number(applied.Added), Number(applied.Changed),
                         Number(applied.Removed)),
                QString::fromLatin1(ImportTitle), MsgIcon::Information);
}

void ExportUsersToCsv(QWidget* parent)
{
    const QString path = ChooseFile(parent, true, SiteFolder() + QStringLiteral("/users.csv"));
    if (path.isEmpty())
        return;
    std::size_t written = 0;
    try {
        written = zel::workflows::ExportRoster(QFile::encodeName(path).toStdString(),
                                               *zel::data::DataSource().GetUserDescriptionList());
    } catch (const zel::Error& error) {
        ShowMessage(parent, QStringLiteral("The users could not be exported.\n\n%1").arg(ErrorText(error)),
                    QString::fromLatin1(ExportTitle), MsgIcon::Critical);
        return;
    }
    ShowMessage(
        parent,
        QStringLiteral("%1 users were exported to \"%2\".").arg(Number(written), QDir::toNativeSeparators(path)),
        QString::fromLatin1(ExportTitle), MsgIcon::Information);
}

} // namespace zel::ui
