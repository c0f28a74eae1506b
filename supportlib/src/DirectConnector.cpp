#include "zel/support/DirectConnector.h"

#include "zel/support/VendorLibrary.h"

namespace zel::support {

void DirectConnector::Init(std::int32_t commPort, std::int32_t bitRate)
{
    mCommPort = commPort;
    mBitRate = bitRate;
}

std::int32_t DirectConnector::Connect()
{
    std::int32_t handle = ZEL_VENDOR_CALL(zelInstallChannel, mCommPort - 1);
    if (handle == 0)
        return 0;
    if (ZEL_VENDOR_CALL(zelOpenDirectChannel, handle, mBitRate) != 0) {
        // The port was installed but could not be opened: give it back.
        ZEL_VENDOR_CALL(zelCloseChannel, handle);
        return 0;
    }
    return handle;
}

void DirectConnector::Disconnect(std::int32_t channelHandle)
{
    ZEL_VENDOR_CALL(zelCloseChannel, channelHandle);
}

} // namespace zel::support
