#include "pages/frmMain.h"

#include "ProgramResources.h"
#include "ReadOnlySite.h"
#include "RosterFiles.h"
#include "editors/ChannelListEditor.h"
#include "editors/ListContainer.h"
#include "editors/ReaderListEditor.h"
#include "editors/UserListEditor.h"
#include "frmOpenSite.h"
#include "layout/Anchor.h"
#include "modMain.h"
#include "pages/AddRemoveUsers.h"
#include "pages/ConnectionCenter.h"
#include "pages/EventsPage.h"
#include "pages/ManageClock.h"
#include "pages/SynchronizeUI.h"
#include "pages/frmAbout.h"
#include "pages/frmActivity.h"
#include "pages/frmRetention.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QStatusBar>

#include <array>
#include <exception>

namespace zel::ui {
namespace {

struct PageInfo {
    const char* Key;
    const char* Caption;
    const char* Title;
    const char* Icon;
    const char* Banner;
};

// In navigation order: item n shows page n.
constexpr std::array<PageInfo, 5> Pages{{
    {"Lists", "Manage Lists", "Manage User, Clock, and Channel Lists", ":/icons/lists.svg", ":/banners/lists.svg"},
    {"ReaderSetup", "Manage Clock", "Manage Clock", ":/icons/clock.svg", ":/banners/clock.svg"},
    {"AddRemove", "Add/Remove Users", "Add/Remove Users", ":/icons/addremove.svg", ":/banners/addremove.svg"},
    {"Synchronize", "Synchronize Users", "Synchronize Users", ":/icons/sync.svg", ":/banners/sync.svg"},
    {"Events", "Events", "Events Collected from the Clocks", ":/icons/events.svg", ":/banners/events.svg"},
}};

constexpr int ListBarWidth = 116;
constexpr int BannerHeight = 52;
constexpr QSize BannerPictureSize{160, 48};
constexpr QSize DefaultWindowSize{1024, 700};
constexpr int StartHintMargin = 24;

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), mListBarImages("frmMain")
{
    InitProgramResources();
    setObjectName(QStringLiteral("frmMain"));
    // Opened read-only (another program writes the site database, or it cannot be written):
    // the lists show, and every change is refused with the reason.
    // A server site is named in the title, so that windows on several sites can be told apart.
    QString title = zel::data::DataSource().IsReadOnly() ? QStringLiteral("ZEL Maintenance (read-only)")
                                                         : QStringLiteral("ZEL Maintenance");
    if (IsServerSiteOpen())
        title += QStringLiteral(" - ") + ShownSite();
    setWindowTitle(title);
    setWindowIcon(ProgramIcon());
    BuildControls();
    BuildMenus();
    if (const QString readOnly = ReadOnlyNotice(); !readOnly.isEmpty()) {
        auto* notice = new QLabel(readOnly, this);
        notice->setObjectName(QStringLiteral("lblReadOnly"));
        notice->setToolTip(readOnly);
        statusBar()->setObjectName(QStringLiteral("stbStatus"));
        statusBar()->addWidget(notice, 1);
    }
    resize(DefaultWindowSize);
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::BuildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("fraClient"));
    setCentralWidget(client);

    mListBar = new QListWidget(client);
    mListBar->setObjectName(QStringLiteral("ListBar"));
    mListBar->setViewMode(QListView::IconMode);
    mListBar->setFlow(QListView::TopToBottom);
    mListBar->setMovement(QListView::Static);
    mListBar->setWrapping(false);
    mListBar->setResizeMode(QListView::Adjust);
    mListBar->setIconSize(QSize(40, 40));
    mListBar->setGridSize(QSize(ListBarWidth - 8, 84));
    mListBar->setSpacing(2);
    mListBar->setWordWrap(true);
    mListBar->setFixedWidth(ListBarWidth);
    mListBar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mListBar->setStyleSheet(QStringLiteral("QListWidget#ListBar { background: #5b6f84; color: white; border: none; }"
                                           "QListWidget#ListBar::item { border-radius: 4px; }"
                                           "QListWidget#ListBar::item:selected { background: #3d5670; }"
                                           "QListWidget#ListBar::item:hover { background: #6d839a; }"));

    mPageArea = new QWidget(client);
    mPageArea->setObjectName(QStringLiteral("fraPages"));
    mPageArea->installEventFilter(this);

    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mListBar);
    layout->addWidget(mPageArea, 1);

    mPicBanner = new QWidget(mPageArea);
    mPicBanner->setObjectName(QStringLiteral("picBanner"));
    mPicBanner->setAttribute(Qt::WA_StyledBackground);
    mPicBanner->setStyleSheet(
        QStringLiteral("QWidget#picBanner { background: white; border-bottom: 1px solid #9aa7b4; }"));

    mLblBanner = new QLabel(QStringLiteral("ZEL Maintenance"), mPicBanner);
    mLblBanner->setObjectName(QStringLiteral("lblBanner"));
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    font.setBold(true);
    mLblBanner->setFont(font);
    mLblBanner->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    mImgBanner = new QLabel(mPicBanner);
    mImgBanner->setObjectName(QStringLiteral("imgBanner"));
    mImgBanner->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    mStartHint = new QLabel(StartHint(), mPageArea);
    mStartHint->setObjectName(QStringLiteral("lblStartHint"));
    mStartHint->setWordWrap(true);
    mStartHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mStartHint->setContentsMargins(StartHintMargin, StartHintMargin, StartHintMargin, StartHintMargin);

    mListContainer1 = new ListContainer(mPageArea);
    mListContainer1->setObjectName(QStringLiteral("ListContainer1"));
    mManageClock1 = new ManageClock(mPageArea);
    mManageClock1->setObjectName(QStringLiteral("ManageClock1"));
    mAddRemoveUsers1 = new AddRemoveUsers(mPageArea);
    mAddRemoveUsers1->setObjectName(QStringLiteral("AddRemoveUsers1"));
    mSynchronizeUI1 = new SynchronizeUI(mPageArea);
    mSynchronizeUI1->setObjectName(QStringLiteral("SynchronizeUI1"));
    mEvents1 = new EventsPage(mPageArea);
    mEvents1->setObjectName(QStringLiteral("Events1"));
    for (QWidget* page :
         std::initializer_list<QWidget*>{mListContainer1, mManageClock1, mAddRemoveUsers1, mSynchronizeUI1, mEvents1})
        page->hide();

    // The window is never smaller than its largest page's minimum below the banner: its controls
    // would slide over each other (the pages are placed by the anchors, not by a layout).
    QSize pages;
    for (QWidget* page :
         std::initializer_list<QWidget*>{mListContainer1, mManageClock1, mAddRemoveUsers1, mSynchronizeUI1, mEvents1})
        pages = pages.expandedTo(page->minimumSize()).expandedTo(page->minimumSizeHint());
    mPageArea->setMinimumSize(pages.width(), BannerHeight + pages.height());

    // A first placement for the design size; the anchors take over once the window is shown.
    mPageArea->resize(DefaultWindowSize.width() - ListBarWidth, DefaultWindowSize.height());
    PlaceControls();

    for (const PageInfo& page : Pages) {
        mListBarImages.Add(QIcon(QString::fromLatin1(page.Icon)), page.Key);
        mBannerImages.push_back(QIcon(QString::fromLatin1(page.Banner)).pixmap(BannerPictureSize));
    }
    // An enrollment on the Manage Clock page polls the clock while the interface runs: the other
    // pages (clock lists, Add/Remove Users, Synchronize) must not start their work inside it, and
    // no modal box (Help, About) may hold the polling up until it is closed.
    connect(mManageClock1->ConnectionCenter1(), &ConnectionCenter::BusyChanged, mListBar, [this](bool busy) {
        mListBar->setEnabled(!busy);
        if (auto* about = findChild<QAction*>(QStringLiteral("mnuHelpAbout")))
            about->setEnabled(!busy);
    });
    connect(mListBar, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ListBar_ItemClick(mListBar->row(item) + 1); });
    connect(mListBar, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ListBar_ItemClick(mListBar->row(item) + 1); });
}

void frmMain::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    const auto addAction = [&](QMenu* menu, const QString& text, const char* name, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        // Their dialogs are modal, and leaving the site ends the connection: not while an
        // enrollment polls the clock.
        connect(mManageClock1->ConnectionCenter1(), &ConnectionCenter::BusyChanged, action,
                [action](bool busy) { action->setEnabled(!busy); });
        return action;
    };
    addAction(file, QStringLiteral("&Open Site..."), "mnuFileOpenSite", [this] { mnuFileOpenSite_Click(false); });
    addAction(file, QStringLiteral("&New Site..."), "mnuFileNewSite", [this] { mnuFileOpenSite_Click(true); });
    mRecentSites = file->addMenu(QStringLiteral("&Recent Sites"));
    mRecentSites->setObjectName(QStringLiteral("mnuFileRecent"));
    mRecentSites->setEnabled(false);
    connect(mManageClock1->ConnectionCenter1(), &ConnectionCenter::BusyChanged, mRecentSites,
            [this](bool busy) { mRecentSites->setEnabled(!busy && !mRecentSites->isEmpty()); });
    file->addSeparator();
    addAction(file, QStringLiteral("&Import Users from CSV..."), "mnuFileImportUsers",
              [this] { ImportUsersFromCsv(this); });
    addAction(file, QStringLiteral("&Export Users to CSV..."), "mnuFileExportUsers",
              [this] { ExportUsersToCsv(this); });
    addAction(file, QStringLiteral("&Back Up Site Database..."), "mnuFileBackup", [this] { BackUpSiteDatabase(this); });
    // Who did what to the site and its clocks; the window reads the site's log, it changes nothing.
    addAction(file, QStringLiteral("&Activity..."), "mnuFileActivity", [this] {
        auto* window = new frmActivity(this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    addAction(file, QStringLiteral("&Retention Schedule..."), "mnuFileRetention", [this] {
        frmRetention retention(this);
        retention.exec();
    });
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(about, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

// Banner across the top of the page area, the pages filling the rest.
void frmMain::PlaceControls()
{
    const int width = mPageArea->width();
    const int height = mPageArea->height();
    mPicBanner->setGeometry(0, 0, width, BannerHeight);
    mImgBanner->setGeometry(width - BannerPictureSize.width() - 4, (BannerHeight - BannerPictureSize.height()) / 2,
                            BannerPictureSize.width(), BannerPictureSize.height());
    mLblBanner->setGeometry(12, 0, width - 12 - BannerPictureSize.width() - 8, BannerHeight);
    const QRect pageRect(0, BannerHeight, width, height - BannerHeight);
    for (QWidget* page :
         std::initializer_list<QWidget*>{mListContainer1, mManageClock1, mAddRemoveUsers1, mSynchronizeUI1, mEvents1})
        page->setGeometry(pageRect);
    mStartHint->setGeometry(pageRect);
}

QString frmMain::StartHint()
{
    bool empty = false;
    try {
        zel::data::DataSource site;
        empty = site.GetChannelDescriptionList()->Count() == 0 && site.GetReaderDescriptionList()->Count() == 0;
    } catch (const std::exception&) {
        empty = false; // the pages tell what is wrong with the site
    }
    if (empty)
        return QStringLiteral("<p><b>This site database is empty.</b></p>"
                              "<p>Begin with <b>Manage Lists</b> on the left: on its Channels tab add the lines "
                              "through which the clocks are reached (an Ethernet address or a serial port), then "
                              "the clocks on the Clocks tab, then the people on the Users tab.</p>"
                              "<p>Then enroll each person's hand at a clock on <b>Manage Clock</b>.</p>");
    return QStringLiteral("<p><b>Choose a page on the left.</b></p><ul>"
                          "<li><b>Manage Lists</b>: the site's users, clocks and channels.</li>"
                          "<li><b>Manage Clock</b>: one clock's time, settings and users, and enrolling a hand.</li>"
                          "<li><b>Add/Remove Users</b>: send users to many clocks at once, or remove them.</li>"
                          "<li><b>Synchronize Users</b>: read the users of some clocks and send every enrolled "
                          "user to others.</li>"
                          "<li><b>Events</b>: the punches and refusals collected from the clocks.</li></ul>");
}

void frmMain::Form_Load()
{
    for (const PageInfo& page : Pages)
        mPageTitles.Add(QString::fromLatin1(page.Title), page.Key);

    for (const PageInfo& page : Pages) {
        auto* item = new QListWidgetItem(mListBarImages.Item(page.Key), QString::fromLatin1(page.Caption), mListBar);
        item->setData(Qt::UserRole, QString::fromLatin1(page.Key));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    // A failure reaches the start-up, which shows it: no window with unbound lists.
    mListContainer1->InitListEditors();
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

// First activation: lay the banner and pages out for the window's actual size and register
// them with the anchors, once.
void frmMain::Form_Activate()
{
    if (mAnchorsSet)
        return;
    if (centralWidget()->layout() != nullptr)
        centralWidget()->layout()->activate();
    PlaceControls();
    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mListContainer1, AnchorAll);
    mAnchor->Add(mPicBanner, AnchorLeft | AnchorRight);
    mAnchor->Add(mLblBanner, AnchorLeft | AnchorRight);
    mAnchor->Add(mManageClock1, AnchorAll);
    mAnchor->Add(mAddRemoveUsers1, AnchorAll);
    mAnchor->Add(mSynchronizeUI1, AnchorAll);
    mAnchor->Add(mEvents1, AnchorAll);
    mAnchor->Add(mImgBanner, AnchorRight);
    mAnchor->Add(mStartHint, AnchorAll);
    mAnchorsSet = true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mPageArea && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    if (mAnchor)
        mAnchor->ReAnchor();
}

void frmMain::ListBar_ItemClick(int index)
{
    if (index < 1 || index > static_cast<int>(Pages.size()))
        return;
    QListWidgetItem* item = mListBar->item(index - 1);
    const QString key = item->data(Qt::UserRole).toString();
    mLblBanner->setText(PageTitle(key));
    mImgBanner->setPixmap(BannerImage(index));
    if (mListBar->currentRow() != index - 1)
        mListBar->setCurrentRow(index - 1);

    mStartHint->hide(); // a page is chosen: the way in is found
    mListContainer1->setVisible(index == 1);
    mManageClock1->setVisible(index == 2);
    mAddRemoveUsers1->setVisible(index == 3);
    mSynchronizeUI1->setVisible(index == 4);
    mEvents1->setVisible(index == 5);
}

QString frmMain::PageTitle(const QString& key) const
{
    const QString* title = mPageTitles.Find(key.toStdString());
    return title != nullptr ? *title : QString();
}

QPixmap frmMain::BannerImage(int index) const
{
    if (index < 1 || index > static_cast<int>(mBannerImages.size()))
        return {};
    return mBannerImages[static_cast<std::size_t>(index - 1)];
}

void frmMain::SetRecentSites(const QStringList& sites)
{
    mRecentSites->clear();
    int number = 0;
    for (const QString& site : sites) {
        ++number;
        QString shown = site;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = mRecentSites->addAction(QStringLiteral("&%1 %2").arg(number).arg(shown));
        action->setObjectName(QStringLiteral("mnuFileRecent%1").arg(number));
        action->setData(site);
        connect(action, &QAction::triggered, this, [this, site] { emit SiteRequested(site, false); });
    }
    mRecentSites->setEnabled(!sites.isEmpty());
}

bool frmMain::HasPendingEdits() const
{
    return mListContainer1->UserEditor()->EditMode() != 0 || mListContainer1->ReaderEditor()->EditMode() != 0 ||
           mListContainer1->ChannelEditor()->EditMode() != 0;
}

void frmMain::mnuFileOpenSite_Click(bool create)
{
    const QString folder = DatabasePath().isEmpty() ? QDir::currentPath() : QFileInfo(DatabasePath()).absolutePath();
    const QString site = ChooseSite(this, create ? frmOpenSite::Purpose::New : frmOpenSite::Purpose::Open, folder);
    if (!site.isEmpty())
        emit SiteRequested(site, create);
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Leaving the program ends the live connection: a running enrollment is aborted on the
    // clock instead of being polled on after the window is gone.
    if (auto* connection = mManageClock1->ConnectionCenter1(); connection && connection->IsConnected())
        connection->SetIsConnected(false);
    QMainWindow::closeEvent(event);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

} // namespace zel::ui
