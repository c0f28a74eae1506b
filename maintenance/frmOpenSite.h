#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zel::ui {

// File, "Open Site..." and "New Site...": a site database file (chosen with Browse..., or typed)
// or a PostgreSQL server's connection URI typed in a field. The password does not belong in the
// URI: libpq reads it from ~/.pgpass, a service file or PGPASSWORD (the dialog says so), and the
// program never keeps one. OK is enabled once the chosen kind has a text.
class frmOpenSite : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Open, New };

    frmOpenSite(Purpose purpose, const QString& folder, QWidget* parent = nullptr);

    // The site chosen: the file's absolute path, or the URI as typed (trimmed).
    QString Site() const;

private:
    void Browse();
    void UpdateEnabling();

    Purpose mPurpose;
    QString mFolder;
    QRadioButton* mOptFile;
    QRadioButton* mOptServer;
    QLineEdit* mFile;
    QLineEdit* mUri;
    QPushButton* mBrowse;
    QPushButton* mOK;
};

// Asks for a site (the dialog above, or what SetSiteChooser installed); `folder` is where a file
// is looked for first. The empty text when cancelled.
using SiteChooser = std::function<QString(QWidget* parent, frmOpenSite::Purpose purpose)>;
QString ChooseSite(QWidget* parent, frmOpenSite::Purpose purpose, const QString& folder);
// Replaces the dialog (tests); an empty chooser restores it.
void SetSiteChooser(SiteChooser chooser);

} // namespace zel::ui
