#pragma once
// One channel of the vendor library: a serial port or a TCP connection, the clock selected on it
// and the lock that keeps one exchange at a time on it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "zel/link/Command.h"
#include "zel/link/Transport.h"

namespace zel::vendor {

class VendorChannel {
public:
    enum class Kind { Serial, Tcp };

    // A serial channel that is installed but not open yet.
    static std::shared_ptr<VendorChannel> MakeSerial(std::string device);
    // A TCP channel over a connected transport.
    static std::shared_ptr<VendorChannel> MakeTcp(std::unique_ptr<link::Transport> transport);

    Kind ChannelKind() const noexcept { return mKind; }
    const std::string& Device() const noexcept { return mDevice; }

    // Opens (or reopens) the serial device at `bitRate`. Result code.
    std::int32_t OpenSerial(std::int32_t bitRate);

    // Selects the clock for the following commands and polls its status into `status` (96 bytes).
    std::int32_t Select(std::int32_t readerId, std::span<std::uint8_t> status);

    // One exchange with the selected clock. Result code. `received` as in link::Requester.
    std::int32_t Exchange(link::Command command, std::span<const std::uint8_t> request,
                          std::span<std::uint8_t> response, std::size_t* received = nullptr);

    // Cancels a pending exchange (it ends with 12) and tells the selected clock to abort.
    std::int32_t Abort();

    // Cancels a pending exchange and closes the link; the channel is dead afterwards.
    void Close();

private:
    VendorChannel(Kind kind, std::string device);

    std::int32_t ExchangeLocked(link::Command command, std::span<const std::uint8_t> request,
                                std::span<std::uint8_t> response, std::size_t* received = nullptr);
    std::shared_ptr<link::Transport> CurrentTransport() const;

    const Kind mKind;
    const std::string mDevice;

    std::mutex mExchangeMutex;          // one exchange at a time; held for its whole duration
    mutable std::mutex mTransportMutex; // guards the pointer only, so Abort can reach a busy link
    std::shared_ptr<link::Transport> mTransport;
    std::uint8_t mReaderId = 0;
    // The sequence number of the channel's next request (see zel/link/Requester.h). It runs on
    // over every exchange on the channel, also across a reopened serial port, so no request
    // takes the late answer of an earlier one.
    std::uint8_t mNextSequence;
    std::chrono::milliseconds mBaseTimeout;
    bool mClosed = false;
};

} // namespace zel::vendor
