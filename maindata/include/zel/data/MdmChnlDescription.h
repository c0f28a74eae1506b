#pragma once

#include "zel/data/ChannelDescriptionBase.h"

#include <cstdint>
#include <string>

namespace zel::data {

// A clock reached through a modem. Stored only: no live channel is made from it.
class MdmChnlDescription : public ChannelDescriptionBase {
public:
    const std::string& PhoneNumber() const noexcept { return mPhoneNumber; }
    void SetPhoneNumber(const std::string& phoneNumber);
    std::int32_t ComPort() const noexcept { return mComPort; }
    // 1 to 8; otherwise error 5 "Invalid port number" and nothing is stored.
    void SetComPort(std::int32_t port);
    std::int32_t BitRate() const noexcept { return mBitRate; }
    // 1 and above; otherwise error 5 "Invalid bit rate." and nothing is stored.
    void SetBitRate(std::int32_t bitRate);

    ChannelTypeEnum ChannelType() const override { return ModemChannel; }
    // {Name: Site B, Type: Modem, Phone Number: 555 0142, ComPort: 2, Bit Rate: 9600}
    std::string ToString() const override;

private:
    friend class ChannelDescriptionList;
    MdmChnlDescription() = default;

    const char* TypeWord() const override { return "Modem"; }
    void WriteOwnFields(std::vector<Field>& fields) const override;
    void LoadOwnFields(const Record& row) override;

    std::string mPhoneNumber;
    std::int32_t mComPort = 1;
    std::int32_t mBitRate = 9600;
};

} // namespace zel::data
