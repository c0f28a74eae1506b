#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace zel::ui {

// The About box: program title, version, description and a warning; System Info shows the
// versions and files the program runs with.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // "Version 0.9.19": each number without leading zeros.
    static QString VersionLine(int major, int minor, int revision);
    // The version line of this build.
    static QString ProgramVersionLine();

    // Versions and paths that matter when something goes wrong: program, Qt, SQLite, the clock
    // maker's library file, the site database (a file, or a server's URI with its password masked)
    // and its engine, one "Name: value" per line.
    static QString SystemInfoText();

    // Shows the system information in a dialog, or "System Information Is Unavailable At This
    // Time" when it cannot be gathered.
    void StartSysInfo();

private:
    QLabel* mPicIcon = nullptr;
    QLabel* mLblTitle = nullptr;
    QLabel* mLblVersion = nullptr;
    QLabel* mLblDescription = nullptr;
    QLabel* mLblDisclaimer = nullptr;
    QPushButton* mCmdOK = nullptr;
    QPushButton* mCmdSysInfo = nullptr;
};

} // namespace zel::ui
