#include "SiteChangeWatcher.h"

#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

#include <QSocketNotifier>

#include <exception>

namespace zel::ui {

namespace {

// How often changes that arrived during other work are looked for.
constexpr int CatchUpMilliseconds = 1000;

thread_local bool tTaking = false;

int CurrentDescriptor()
{
    auto connection = zel::data::DataSource().GetConnection();
    return connection && connection->IsOpen() ? connection->ChangeDescriptor() : -1;
}

} // namespace

SiteChangeWatcher::SiteChangeWatcher(QObject* parent) : QObject(parent)
{
    mTimer.setInterval(CatchUpMilliseconds);
    connect(&mTimer, &QTimer::timeout, this, [this] { TakeChanges(); });
    Watch();
    mTimer.start();
}

SiteChangeWatcher::~SiteChangeWatcher() = default;

bool SiteChangeWatcher::IsTaking()
{
    return tTaking;
}

void SiteChangeWatcher::Watch()
{
    const int descriptor = CurrentDescriptor();
    if (descriptor == mDescriptor && (mNotifier != nullptr) == (descriptor >= 0))
        return;
    mNotifier.reset();
    mDescriptor = descriptor;
    if (descriptor < 0)
        return; // no feed, or the connection is lost until the next command makes it again
    mNotifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    connect(mNotifier.get(), &QSocketNotifier::activated, this, [this] { TakeChanges(); });
}

int SiteChangeWatcher::TakeChanges()
{
    // A view's handler may run the event loop: the changes it brings wait for this pass.
    if (mTaking)
        return 0;
    mTaking = true;
    tTaking = true;
    int taken = 0;
    try {
        taken = zel::data::DataSource().ApplyStoredChanges();
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch): the next command reports it
    }
    tTaking = false;
    mTaking = false;
    // A connection that was lost has no descriptor (a readable one would fire again and again),
    // and one made again has a new one.
    Watch();
    if (taken > 0)
        emit ChangesTaken(taken);
    return taken;
}

} // namespace zel::ui
