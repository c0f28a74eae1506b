#pragma once

#include "zel/support/IConnector.h"

#include <string>

namespace zel::support {

// A serial line. Made by ChannelFactory::CreateDirectChannel. Holds the port number, the bit rate
// and why the last Connect failed. The clock library opens a line exclusively, so a line that
// another channel or program holds does not connect (ConnectFailure says so).
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
    // "COM1 (/dev/ttyS0): the serial port /dev/ttyS0 is in use by another channel or program",
    // "COM1 does not offer 12345 bit/s", ...; empty after a Connect that worked.
    std::string ConnectFailure() const override { return mFailure; }

private:
    // Why zelOpenDirectChannel answered `code`.
    std::string Explain(std::int32_t code) const;

    std::int32_t mCommPort = 0;
    std::int32_t mBitRate = 0;
    std::string mFailure;
};

} // namespace zel::support
