#include "ReadOnlySite.h"

#include "zel/Error.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"

#include <QWidget>

#include <exception>

namespace zel::ui {

QString ReadOnlyNotice()
{
    try {
        zel::data::DataSource site;
        if (!site.IsReadOnly())
            return {};
        QString reason = QString::fromStdString(site.ReadOnlyReason());
        if (reason.isEmpty())
            reason = QStringLiteral("it was opened so");
        return QStringLiteral("The site database is open read-only, because %1: nothing in it can be changed "
                              "(error %2).")
            .arg(reason)
            .arg(zel::data::errc::ReadOnlyDatabase);
    } catch (const std::exception&) {
        return {}; // no site open: the commands tell that themselves
    }
}

void LockForReadOnly(std::initializer_list<QWidget*> controls, const QString& notice)
{
    if (notice.isEmpty())
        return;
    for (QWidget* control : controls) {
        control->setEnabled(false);
        control->setToolTip(notice);
    }
}

QString ErrorMessageText(const zel::Error& error)
{
    QString text = QString::fromStdString(error.Description());
    if (error.Number() == zel::data::errc::ReadOnlyDatabase)
        text += QStringLiteral(" (error %1)").arg(error.Number());
    return text;
}

} // namespace zel::ui
