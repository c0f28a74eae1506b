#pragma once

#include "zel/data/ChannelDescriptionBase.h"

#include <cstdint>
#include <string>

namespace zel::data {

// A clock reached over TCP. A new one starts with port 0 and is stored so until the port is set.
class EthChnlDescription : public ChannelDescriptionBase {
public:
    std::int32_t IPPort() const noexcept { return mIPPort; }
    // 1 to 65535; otherwise error 5 "Invalid port number" and nothing is stored.
    void SetIPPort(std::int32_t port);
    const std::string& IPAddress() const noexcept { return mIPAddress; }
    void SetIPAddress(const std::string& address);

    ChannelTypeEnum ChannelType() const override { return EthernetChannel; }
    // {Name: Office, Type: Ethernet, IP Address: 10.0.0.7, IP Port: 3001}
    std::string ToString() const override;

private:
    friend class ChannelDescriptionList;
    EthChnlDescription() = default;

    const char* TypeWord() const override { return "Ethernet"; }
    void WriteOwnFields(std::vector<Field>& fields) const override;
    void LoadOwnFields(const Record& row) override;

    std::int32_t mIPPort = 0;
    std::string mIPAddress;
};

} // namespace zel::data
