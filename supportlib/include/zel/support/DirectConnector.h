#pragma once

#include "zel/support/IConnector.h"

namespace zel::support {

// A serial line. Made by ChannelFactory::CreateDirectChannel.
class DirectConnector : public IConnector {
public:
    DirectConnector() = default;
    void Init(std::int32_t commPort, std::int32_t bitRate);

    std::int32_t CommPort() const { return mCommPort; } // 1-based
    std::int32_t BitRate() const { return mBitRate; }

    // zelInstallChannel(CommPort - 1), then zelOpenDirectChannel(h, BitRate). A port that was
    // installed but failed to open is closed again.
    std::int32_t Connect() override;
    // zelCloseChannel(h), also for h = 0.
    void Disconnect(std::int32_t channelHandle) override;

private:
    std::int32_t mCommPort = 0;
    std::int32_t mBitRate = 0;
};

} // namespace zel::support
