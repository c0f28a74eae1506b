#include "VendorChannel.h"

#include "zel/link/Requester.h"
#include "zel/link/SerialTransport.h"
#include "zel/link/Status.h"
#include "zel/link/Timing.h"

namespace zel::vendor {

using link::Result;
using link::ToInt;

VendorChannel::VendorChannel(Kind kind, std::string device)
    : mKind(kind), mDevice(std::move(device)), mNextSequence(link::Requester::InitialSequence()),
      mBaseTimeout(link::BaseTimeoutFromEnvironment())
{
}

std::shared_ptr<VendorChannel> VendorChannel::MakeSerial(std::string device)
{
    return std::shared_ptr<VendorChannel>(new VendorChannel(Kind::Serial, std::move(device)));
}

std::shared_ptr<VendorChannel> VendorChannel::MakeTcp(std::unique_ptr<link::Transport> transport)
{
    auto channel = std::shared_ptr<VendorChannel>(new VendorChannel(Kind::Tcp, {}));
    channel->mTransport = std::move(transport);
    return channel;
}

std::shared_ptr<link::Transport> VendorChannel::CurrentTransport() const
{
    std::lock_guard lock(mTransportMutex);
    return mTransport;
}

std::int32_t VendorChannel::OpenSerial(std::int32_t bitRate)
{
    if (mKind != Kind::Serial) {
        return ToInt(Result::InvalidChannel);
    }
    if (bitRate <= 0 || !link::SerialTransport::IsSupportedBitRate(static_cast<std::uint32_t>(bitRate))) {
        return ToInt(Result::DataError);
    }
    std::lock_guard exchange(mExchangeMutex);
    if (mClosed) {
        return ToInt(Result::InvalidChannel);
    }
    std::shared_ptr<link::Transport> old;
    {
        std::lock_guard lock(mTransportMutex);
        old = std::move(mTransport);
    }
    if (old) {
        old->Close();
    }
    mBaseTimeout = link::BaseTimeoutFromEnvironment();
    std::shared_ptr<link::Transport> opened = link::SerialTransport::Open(mDevice, static_cast<std::uint32_t>(bitRate));
    if (!opened) {
        return ToInt(Result::NoConnection);
    }
    std::lock_guard lock(mTransportMutex);
    mTransport = std::move(opened);
    return ToInt(Result::Ok);
}

std::int32_t VendorChannel::ExchangeLocked(link::Command command, std::span<const std::uint8_t> request,
                                           std::span<std::uint8_t> response, std::size_t* received)
{
    const auto transport = CurrentTransport();
    if (mClosed || !transport || !transport->IsOpen()) {
        return ToInt(Result::NoConnection);
    }
    link::Requester requester(*transport, mNextSequence);
    requester.SetBaseTimeout(mBaseTimeout);
    const std::int32_t result = requester.Exchange(mReaderId, command, request, response, received);
    mNextSequence = requester.NextSequence();
    if (requester.LinkLost()) {
        // The peer hung up or the device failed: later commands report no connection.
        transport->Close();
    }
    return result;
}

std::int32_t VendorChannel::Exchange(link::Command command, std::span<const std::uint8_t> request,
                                     std::span<std::uint8_t> response, std::size_t* received)
{
    std::lock_guard exchange(mExchangeMutex);
    return ExchangeLocked(command, request, response, received);
}

std::int32_t VendorChannel::Select(std::int32_t readerId, std::span<std::uint8_t> status)
{
    if (readerId < 0 || readerId > 255) {
        return ToInt(Result::DataError);
    }
    std::lock_guard exchange(mExchangeMutex);
    mReaderId = static_cast<std::uint8_t>(readerId);
    return ExchangeLocked(link::Command::Status, {}, status);
}

std::int32_t VendorChannel::Abort()
{
    if (const auto busy = CurrentTransport()) {
        busy->Cancel(); // a pending exchange on another thread ends with 12 and frees the lock
    }
    std::lock_guard exchange(mExchangeMutex);
    if (const auto transport = CurrentTransport()) {
        transport->ResetCancel();
    }
    return ExchangeLocked(link::Command::Abort, {}, {});
}

void VendorChannel::Close()
{
    if (const auto busy = CurrentTransport()) {
        busy->Cancel();
    }
    std::lock_guard exchange(mExchangeMutex);
    mClosed = true;
    std::shared_ptr<link::Transport> transport;
    {
        std::lock_guard lock(mTransportMutex);
        transport = std::move(mTransport);
    }
    if (transport) {
        transport->Close();
    }
}

} // namespace zel::vendor
