#include "zel/support/EthernetConnector.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/link/Ipv4Address.h"
#include "zel/support/VendorLibrary.h"
#include "zel/support/ZelErrors.h"

namespace zel::support {
namespace {

[[noreturn]] void RaiseInvalidAddress()
{
    throw zel::Error(kZelErrorBase, "Zel.EthernetConnection", "Invalid IP Address or Format");
}

} // namespace

EthernetConnector::EthernetConnector()
{
    // A missing clock library raises here, before the channel exists.
    mSocketsReady = ZEL_VENDOR_CALL(zelStartupWsock) == 0;
}

EthernetConnector::~EthernetConnector()
{
    if (!mSocketsReady)
        return;
    try {
        mSocketsReady = ZEL_VENDOR_CALL(zelCleanupWsock) != 0;
    } catch (...) {
        // Nothing sensible to do while the object goes away.
    }
}

void EthernetConnector::ValidateIPAddress(const std::string& text)
{
    // The clock library reads the address by the same rule, so what passes here is dialled.
    if (!zel::link::Ipv4Address::Parse(text))
        RaiseInvalidAddress();
}

void EthernetConnector::Init(const std::string& ipAddress, std::int32_t ipPort)
{
    ValidateIPAddress(ipAddress);
    mIPAddress = ipAddress;
    mIPPort = ipPort;
}

std::int32_t EthernetConnector::Connect()
{
    if (!mSocketsReady)
        return 0;
    auto ansi = zel::Utf8ToAnsi(mIPAddress);
    mChannelHandle = ZEL_VENDOR_CALL(zelInitWsock, ansi.c_str(), mIPPort);
    return mChannelHandle;
}

void EthernetConnector::Disconnect(std::int32_t channelHandle)
{
    if (channelHandle != 0)
        ZEL_VENDOR_CALL(zelCloseWsock, channelHandle);
}

} // namespace zel::support
