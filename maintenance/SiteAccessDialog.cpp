#include "SiteAccessDialog.h"

#include "zel/data/SiteErrors.h"

#include <QDir>

namespace zel::ui {

SiteAccessDialog::SiteAccessDialog(const zel::data::SiteWriteAccessError& reason, QWidget* parent)
    : SiteQuestionDialog(QStringLiteral("frmSiteAccess"), QStyle::SP_MessageBoxWarning, MessageText(reason),
                         tr("Open &Read-Only"), QStringLiteral("cmdReadOnly"), 420, parent)
{
}

QString SiteAccessDialog::MessageText(const zel::data::SiteWriteAccessError& reason)
{
    using Reason = zel::data::SiteWriteAccessError::Reason;
    const QString file = QDir::toNativeSeparators(QString::fromStdString(reason.FileName()));
    QString text;
    if (reason.Why() == Reason::InUse) {
        const auto& writer = reason.Writer();
        text = tr("The site database \"%1\" is open for writing in another program:\n\n").arg(file);
        if (writer.Pid == 0) {
            text += tr("    (the program did not say which)\n");
        } else {
            text += tr("    Program: %1\n    Process ID: %2\n    Host: %3\n    Since: %4\n")
                        .arg(QString::fromStdString(writer.Program.empty() ? std::string("?") : writer.Program))
                        .arg(writer.Pid)
                        .arg(QString::fromStdString(writer.Host), QString::fromStdString(writer.Since));
        }
        text += tr("\nOnly one program at a time may change the site database.");
    } else {
        text = tr("The site database \"%1\" cannot be opened for writing: %2.")
                   .arg(file, QString::fromStdString(reason.Detail()));
    }
    text += tr("\n\nOpen it read-only? The lists can be looked at, but no change can be saved. "
               "Or quit.");
    return text;
}

bool SiteAccessDialog::Ask(const zel::data::SiteWriteAccessError& reason, QWidget* parent)
{
    SiteAccessDialog dialog(reason, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zel::ui
