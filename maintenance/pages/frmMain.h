#pragma once

#include "zel/KeyedCollection.h"

#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace zel::ui {

class Anchor;
class ListContainer;
class ManageClock;
class AddRemoveUsers;
class SynchronizeUI;
class EventsPage;

// The main window: a navigation bar of five items down the left side, a banner with the page's
// title and picture, and the five pages below the banner, of which at most one is visible.
// Until a page is chosen, lblStartHint says where to begin (on an empty site: Manage Lists). On a
// site opened read-only the status bar (lblReadOnly) says so, with the reason.
// It owns no data; the pages reach the site database themselves.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // What a click on navigation item `index` (1 to 5) does: banner title and picture of that
    // page, and that page the only one visible. Other numbers are ignored.
    void ListBar_ItemClick(int index);

    // The banner title of a page key ("Lists", "ReaderSetup", "AddRemove", "Synchronize", "Events").
    QString PageTitle(const QString& key) const;
    // Banner picture `index` (1 to 5, in page order).
    QPixmap BannerImage(int index) const;
    // The anchored layout; nullptr until the window has been shown the first time.
    const Anchor* Anchors() const { return mAnchor.get(); }

    // The sites offered under File, "Recent Sites", newest first.
    void SetRecentSites(const QStringList& sites);
    // Whether a list editor is adding or editing an entry that is not saved.
    bool HasPendingEdits() const;

signals:
    // File, "Open Site...", "New Site..." (`create`: the site is to be made first) or a recent site:
    // the program is to leave this site for that one (SiteSession).
    void SiteRequested(const QString& site, bool create);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    // The start page's text: where to begin, for the site as it is.
    static QString StartHint();
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void PlaceControls();
    void mnuFileOpenSite_Click(bool create);
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();

    QListWidget* mListBar = nullptr;
    zel::KeyedCollection<QIcon> mListBarImages;
    std::vector<QPixmap> mBannerImages;
    QWidget* mPageArea = nullptr; // what the banner and pages are placed in
    QWidget* mPicBanner = nullptr;
    QLabel* mImgBanner = nullptr;
    QLabel* mLblBanner = nullptr;
    QLabel* mStartHint = nullptr;
    ListContainer* mListContainer1 = nullptr;
    ManageClock* mManageClock1 = nullptr;
    AddRemoveUsers* mAddRemoveUsers1 = nullptr;
    SynchronizeUI* mSynchronizeUI1 = nullptr;
    EventsPage* mEvents1 = nullptr;
    QMenu* mRecentSites = nullptr;

    zel::KeyedCollection<QString> mPageTitles{"frmMain"};
    std::unique_ptr<Anchor> mAnchor;
    bool mAnchorsSet = false;
};

} // namespace zel::ui
