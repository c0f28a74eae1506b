#include "pages/ManageClock.h"

#include "layout/Anchor.h"
#include "pages/ConnectionCenter.h"
#include "pages/EnrollmentStation.h"
#include "pages/ManageClockUsers.h"
#include "pages/ReaderSetup.h"

#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 640;
constexpr int DesignHeight = 480;
constexpr int Margin = 6;

} // namespace

ManageClock::ManageClock(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ManageClock"));
    resize(DesignWidth, DesignHeight);

    mConnectionCenter = new ConnectionCenter(this);
    mConnectionCenter->setObjectName(QStringLiteral("ConnectionCenter1"));
    mConnectionCenter->setGeometry(Margin, Margin, DesignWidth - 2 * Margin, mConnectionCenter->height());

    mTabs = new QTabWidget(this);
    mTabs->setObjectName(QStringLiteral("tabClockManagers"));
    const int tabsTop = mConnectionCenter->geometry().bottom() + 1 + Margin;
    mTabs->setGeometry(Margin, tabsTop, DesignWidth - 2 * Margin, DesignHeight - tabsTop - Margin);

    mReaderSetup = new ReaderSetup;
    mReaderSetup->setObjectName(QStringLiteral("ReaderSetup1"));
    mClockUsers = new ManageClockUsers;
    mClockUsers->setObjectName(QStringLiteral("ManageClockUsers1"));
    mEnrollmentStation = new EnrollmentStation;
    mEnrollmentStation->setObjectName(QStringLiteral("EnrollmentStation1"));

    struct TabPage {
        const char* key;
        const char* caption;
        QWidget* page;
    };
    for (const TabPage& tab :
         {TabPage{"ReaderSetup", "Clock Setup", mReaderSetup}, TabPage{"ManageUsers", "Clock Users", mClockUsers},
          TabPage{"EnrollUsers", "Enroll Users", mEnrollmentStation}}) {
        const int index = mTabs->addTab(tab.page, QString::fromLatin1(tab.caption));
        mTabs->tabBar()->setTabData(index, QString::fromLatin1(tab.key));
    }

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mConnectionCenter, AnchorLeft | AnchorRight);
    mAnchor->Add(mTabs, AnchorAll);

    // As small as the tabs' pages allow (their minimum sizes) below the connection center.
    const QSize tabs = mTabs->minimumSizeHint();
    setMinimumSize(std::max(tabs.width(), mConnectionCenter->minimumWidth()) + 2 * Margin,
                   tabsTop + tabs.height() + Margin);

    mReaderSetup->Initialize(mConnectionCenter);
    mClockUsers->Initialize(mConnectionCenter);
    mEnrollmentStation->Initialize(mConnectionCenter);
}

ManageClock::~ManageClock() = default;

int ManageClock::TabIndex(const QString& key) const
{
    for (int i = 0; i < mTabs->count(); ++i) {
        if (mTabs->tabBar()->tabData(i).toString() == key)
            return i;
    }
    return -1;
}

void ManageClock::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Shown by the program (not restored from an icon): fetch the clock list again.
    if (!event->spontaneous())
        mConnectionCenter->Initialize();
}

void ManageClock::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

} // namespace zel::ui
