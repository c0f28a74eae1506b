#pragma once
// Client side of the protocol: one request, one response, on one Transport.
#include <chrono>
#include <cstdint>
#include <span>

#include "zel/link/Command.h"
#include "zel/link/FrameDecoder.h"
#include "zel/link/Status.h"
#include "zel/link/Timing.h"
#include "zel/link/Transport.h"

namespace zel::link {

class Requester {
public:
    explicit Requester(Transport& transport);

    // Sends `request` to clock `readerId` and waits for its response, at most the exchange
    // time-out (Timing.h) for the link's bit rate and BaseTimeout. Stale input is dropped first;
    // frames for another clock or another command are skipped. On success exactly
    // `response.size()` data bytes were copied (must equal the command's ResponseSize).
    // Returns a result code 0..12:
    //   0 done; status codes of the clock as ResultFromStatus; 4 no answer in time;
    //   5 bad CRC; 6 more data than the command answers; 7 less (or a response without status);
    //   3 the link is closed; 11 the link failed or the peer hung up; 12 cancelled.
    std::int32_t Exchange(std::uint8_t readerId, Command command, std::span<const std::uint8_t> request,
                          std::span<std::uint8_t> response);

    void SetBaseTimeout(std::chrono::milliseconds base) noexcept { mBaseTimeout = base; }
    std::chrono::milliseconds BaseTimeout() const noexcept { return mBaseTimeout; }

    // Whether the last exchange found the link dead (peer hung up or device failed).
    bool LinkLost() const noexcept { return mLinkLost; }

private:
    Transport& mTransport;
    FrameDecoder mDecoder;
    std::chrono::milliseconds mBaseTimeout = kDefaultBaseTimeout;
    bool mLinkLost = false;
};

} // namespace zel::link
