#pragma once

#include "zel/data/ChannelDescriptionBase.h"

#include <cstdint>
#include <string>

namespace zel::data {

// A clock reached over a direct serial line.
class DirChnlDescription : public ChannelDescriptionBase {
public:
    std::int32_t ComPort() const noexcept { return mComPort; }
    // 1 to 8; otherwise error 5 "Invalid port number" and nothing is stored.
    void SetComPort(std::int32_t port);
    std::int32_t BitRate() const noexcept { return mBitRate; }
    // 1 and above; otherwise error 5 "Invalid bit rate." and nothing is stored.
    void SetBitRate(std::int32_t bitRate);

    ChannelTypeEnum ChannelType() const override { return DirectChannel; }
    // {Name: Line 1, Type: Direct, ComPort: 1, Bit Rate: 9600}
    std::string ToString() const override;

private:
    friend class ChannelDescriptionList;
    DirChnlDescription() = default;

    const char* TypeWord() const override { return "Direct"; }
    void WriteOwnFields(std::vector<Field>& fields) const override;
    void LoadOwnFields(const Record& row) override;

    std::int32_t mComPort = 1;
    std::int32_t mBitRate = 9600;
};

} // namespace zel::data
