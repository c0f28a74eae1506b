#include "zel/support/DirectConnector.h"

#include "zel/link/SerialTransport.h"
#include "zel/support/VendorLibrary.h"

namespace zel::support {
namespace {

// zelOpenDirectChannel's answer for a bit rate the line does not offer.
constexpr std::int32_t kBadBitRate = 1;

} // namespace

void DirectConnector::Init(std::int32_t commPort, std::int32_t bitRate)
{
    mCommPort = commPort;
    mBitRate = bitRate;
}

std::int32_t DirectConnector::Connect()
{
    mFailure.clear();
    std::int32_t handle = ZEL_VENDOR_CALL(zelInstallChannel, mCommPort - 1);
    if (handle == 0) {
        mFailure = "COM" + std::to_string(mCommPort) + " is not a serial port number of this machine";
        return 0;
    }
    if (const std::int32_t code = ZEL_VENDOR_CALL(zelOpenDirectChannel, handle, mBitRate); code != 0) {
        // The port was installed but could not be opened: give it back.
        ZEL_VENDOR_CALL(zelCloseChannel, handle);
        mFailure = Explain(code);
        return 0;
    }
    return handle;
}

std::string DirectConnector::Explain(std::int32_t code) const
{
    const std::string port = "COM" + std::to_string(mCommPort);
    if (code == kBadBitRate)
        return port + " does not offer " + std::to_string(mBitRate) + " bit/s";
    // The clock library tells only that the device did not open; the device tells why.
    const std::string device = zel::link::SerialTransport::DeviceForPort(mCommPort - 1);
    const std::string why = zel::link::SerialTransport::WhyNotOpen(device);
    return port + " (" + device + ")" + (why.empty() ? std::string(" could not be opened") : ": " + why);
}

void DirectConnector::Disconnect(std::int32_t channelHandle)
{
    ZEL_VENDOR_CALL(zelCloseChannel, channelHandle);
}

} // namespace zel::support
