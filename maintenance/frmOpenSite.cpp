#include "frmOpenSite.h"

#include "zel/data/SiteName.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zel::ui {
namespace {

SiteChooser& InstalledChooser()
{
    static SiteChooser chooser; // the tests' replacement of the dialog, when set
    return chooser;
}

} // namespace

frmOpenSite::frmOpenSite(Purpose purpose, const QString& folder, QWidget* parent)
    : QDialog(parent), mPurpose(purpose), mFolder(folder)
{
    const bool opening = purpose == Purpose::Open;
    setObjectName(QStringLiteral("frmOpenSite"));
    setWindowTitle(opening ? tr("Open Site") : tr("New Site"));

    auto* intro = new QLabel(opening ? tr("Open the site database in a file, or on a PostgreSQL server.")
                                     : tr("Make a new, empty site database in a file, or in an empty database "
                                          "on a PostgreSQL server."),
                             this);
    intro->setObjectName(QStringLiteral("lblIntro"));
    intro->setWordWrap(true);
    mOptFile = new QRadioButton(tr("Site database &file:"), this);
    mOptFile->setObjectName(QStringLiteral("optFile"));
    mOptFile->setChecked(true);
    mFile = new QLineEdit(this);
    mFile->setObjectName(QStringLiteral("txtFile"));
    mBrowse = new QPushButton(tr("&Browse..."), this);
    mBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    mOptServer = new QRadioButton(tr("PostgreSQL &server (connection URI):"), this);
    mOptServer->setObjectName(QStringLiteral("optServer"));
    mUri = new QLineEdit(this);
    mUri->setObjectName(QStringLiteral("txtURI"));
    mUri->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/zel"));
    auto* password = new QLabel(tr("Leave the password out of the URI: libpq reads it from ~/.pgpass, a service "
                                   "file (?service=NAME) or PGPASSWORD. The program never keeps a password."),
                                this);
    password->setObjectName(QStringLiteral("lblPassword"));
    password->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    mOK = buttons->button(QDialogButtonBox::Ok);
    mOK->setObjectName(QStringLiteral("cmdOK"));
    mOK->setText(opening ? tr("&Open") : tr("C&reate"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(mBrowse, &QPushButton::clicked, this, &frmOpenSite::Browse);
    for (auto* option : {mOptFile, mOptServer})
        connect(option, &QRadioButton::toggled, this, &frmOpenSite::UpdateEnabling);
    for (auto* field : {mFile, mUri})
        connect(field, &QLineEdit::textChanged, this, &frmOpenSite::UpdateEnabling);

    auto* grid = new QGridLayout;
    grid->addWidget(mOptFile, 0, 0, 1, 2);
    grid->addWidget(mFile, 1, 0);
    grid->addWidget(mBrowse, 1, 1);
    grid->addWidget(mOptServer, 2, 0, 1, 2);
    grid->addWidget(mUri, 3, 0, 1, 2);
    grid->addWidget(password, 4, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
    UpdateEnabling();
}

QString frmOpenSite::Site() const
{
    if (mOptServer->isChecked())
        return mUri->text().trimmed();
    const QString file = mFile->text().trimmed();
    return file.isEmpty() ? QString() : QDir(mFolder).absoluteFilePath(file);
}

void frmOpenSite::Browse()
{
    QFileDialog dialog(this, windowTitle());
    dialog.setObjectName(QStringLiteral("dlgSiteFile"));
    const bool opening = mPurpose == Purpose::Open;
    dialog.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // A new site never replaces a file: the creation refuses an existing one itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    dialog.setNameFilters({tr("Site Databases (*.mdb)"), tr("All Files (*)")});
    dialog.setDirectory(mFolder);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        mFile->setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
        mOptFile->setChecked(true);
    }
}

void frmOpenSite::UpdateEnabling()
{
    const bool file = mOptFile->isChecked();
    mFile->setEnabled(file);
    mBrowse->setEnabled(file);
    mUri->setEnabled(!file);
    const QString uri = mUri->text().trimmed();
    mOK->setEnabled(file ? !mFile->text().trimmed().isEmpty() : zel::data::IsServerSite(uri.toStdString()));
}

QString ChooseSite(QWidget* parent, frmOpenSite::Purpose purpose, const QString& folder)
{
    if (const auto& chooser = InstalledChooser())
        return chooser(parent, purpose);
    frmOpenSite dialog(purpose, folder, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Site() : QString();
}

void SetSiteChooser(SiteChooser chooser)
{
    InstalledChooser() = std::move(chooser);
}

} // namespace zel::ui
