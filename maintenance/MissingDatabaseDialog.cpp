#include "MissingDatabaseDialog.h"

#include <QDir>

namespace zel::ui {

MissingDatabaseDialog::MissingDatabaseDialog(const QString& fileName, const QString& folder, QWidget* parent)
    : SiteQuestionDialog(QStringLiteral("frmMissingDatabase"), QStyle::SP_MessageBoxQuestion,
                         MessageText(fileName, folder), tr("&Create"), QStringLiteral("cmdCreate"), 380, parent)
{
}

QString MissingDatabaseDialog::MessageText(const QString& fileName, const QString& folder)
{
    return tr("The site database file \"%1\" was not found in the folder \"%2\".\n\n"
              "Create a new, empty site database there? It will hold the site's users, clocks and "
              "channels.")
        .arg(fileName, QDir::toNativeSeparators(folder));
}

bool MissingDatabaseDialog::Ask(const QString& fileName, const QString& folder, QWidget* parent)
{
    MissingDatabaseDialog dialog(fileName, folder, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zel::ui
