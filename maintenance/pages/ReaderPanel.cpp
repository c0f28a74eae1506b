#include "pages/ReaderPanel.h"

#include "layout/Anchor.h"
#include "pages/ConnectionCenter.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/IReader.h"

namespace zel::ui {

ReaderPanel::ReaderPanel(QWidget* parent) : QWidget(parent), mAnchor(std::make_unique<Anchor>()) {}

ReaderPanel::~ReaderPanel() = default;

void ReaderPanel::Initialize(ConnectionCenter* cc)
{
    QObject::disconnect(mConnectedLink);
    QObject::disconnect(mDisconnectedLink);
    QObject::disconnect(mBusyLink);
    mConnection = cc;
    if (mConnection) {
        mConnectedLink = connect(mConnection, &ConnectionCenter::Connected, this, &ReaderPanel::mConnection_Connected);
        mDisconnectedLink =
            connect(mConnection, &ConnectionCenter::Disconnected, this, &ReaderPanel::mConnection_Disconnected);
        mBusyLink = connect(mConnection, &ConnectionCenter::BusyChanged, this, &ReaderPanel::mConnection_BusyChanged);
    }
    if (mConnection && mConnection->IsConnected())
        mConnection_Connected(mConnection->Reader());
    else
        mConnection_Disconnected();
    mConnection_BusyChanged(mConnection && mConnection->IsBusy());
}

void ReaderPanel::mConnection_Connected(std::shared_ptr<zel::support::IReader> r)
{
    mReader = std::move(r);
    ReaderConnected();
}

void ReaderPanel::mConnection_Disconnected()
{
    mReader.reset();
    ReaderDisconnected();
}

void ReaderPanel::mConnection_BusyChanged(bool busy)
{
    ConnectionBusyChanged(busy);
}

void ReaderPanel::ConnectionBusyChanged(bool busy)
{
    setEnabled(!busy);
}

zel::support::IReader& ReaderPanel::RequireReader(const char* source) const
{
    if (!mReader)
        throw zel::Error(zel::errc::InvalidArgument, source, "Reader is not initialized.");
    return *mReader;
}

void ReaderPanel::ReadAgain()
{
    if (mReader)
        ReaderConnected();
}

std::string ReaderPanel::ClockZone() const
{
    const auto clock = mConnection ? mConnection->ConnectedClock() : nullptr;
    return clock ? clock->TimeZone() : std::string();
}

void ReaderPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

} // namespace zel::ui
