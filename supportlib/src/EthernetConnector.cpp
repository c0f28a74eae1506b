#include "zel/support/EthernetConnector.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/support/VendorLibrary.h"
#include "zel/support/ZelErrors.h"

#include <vector>

namespace zel::support {
namespace {

[[noreturn]] void RaiseInvalidAddress()
{
    throw zel::Error(kZelErrorBase, "Zel.EthernetConnection", "Invalid IP Address or Format");
}

std::vector<std::string> SplitAtDots(const std::string& text)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        auto dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return parts;
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
    auto parts = SplitAtDots(text);
    if (parts.size() < 4)
        RaiseInvalidAddress();
    for (std::size_t i = 0; i < 4; ++i) {
        auto number = zel::Trim(parts[i]);
        if (!zel::IsAllDigits(number))
            RaiseInvalidAddress();
        auto significant = number.find_first_not_of('0');
        if (significant != std::string::npos &&
            (number.size() - significant > 3 || std::stoi(number.substr(significant)) > 255))
            RaiseInvalidAddress();
    }
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
