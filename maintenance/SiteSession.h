#pragma once

#include "modMain.h"

#include <QObject>
#include <QString>

#include <memory>

namespace zel::ui {

class frmMain;
class RecentSites;

// The program's work on one site at a time: the open site and the main window on it.
// Start opens the site the program was given and shows the window. SwitchTo (File, "Open
// Site...", "New Site...", a recent site) leaves the open site as leaving the program does (the
// list editors' unsaved entry asked about first, the live clock connection ended, the window and
// its pages gone, the site closed and its writer lock given up) and opens the other one with every
// start-up check (a missing file, a file that cannot be written or that another program writes,
// rows that cannot be loaded). When the other one cannot be opened (or the user does not want it
// so), the site left is opened again, with the same checks; when that fails too, the program has
// no site and ends (Ended). Every site opened is remembered (RecentSites, newest first) and named
// in the window's title.
class SiteSession : public QObject {
    Q_OBJECT
public:
    SiteSession(RecentSites& recent, CreateDatabaseQuestion askCreate, ReadOnlyQuestion askReadOnly);
    ~SiteSession() override;

    // Opens `site` and shows the main window on it. Anything but Opened leaves no window.
    StartupResult Start(const QString& site);

    // Opens `site` in place of the open one; with `create`, a new, empty site database is made
    // there first (a file that exists, or a server database with the tables, is refused with a
    // message and nothing else happens). False when the open site stays (kept for an unsaved
    // entry, or opened again after the other one failed) or when no site is open at all any more.
    bool SwitchTo(const QString& site, bool create = false);

    frmMain* Window() const { return mWindow.get(); }
    // The site open now, as given to Start or SwitchTo (empty when none is).
    QString Site() const { return mSite; }

signals:
    // No site could be opened again after a switch failed: the program ends with this status.
    void Ended(int status);

private:
    StartupResult Open(const QString& site);
    bool MakeWindow();
    void Leave();
    bool HasUnsavedEntry() const;

    RecentSites& mRecent;
    CreateDatabaseQuestion mAskCreate;
    ReadOnlyQuestion mAskReadOnly;
    std::unique_ptr<frmMain> mWindow;
    QString mSite;
};

} // namespace zel::ui
