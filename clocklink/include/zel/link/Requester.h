#pragma once
// Client side of the protocol: one request, one response, on one Transport.
//
// Every request carries a sequence number (Frame.h) and only the response that echoes it, from
// the addressed clock and for the command sent, answers the exchange. A late answer to an earlier
// request (one that timed out or was cancelled) is skipped like line noise, also when it carries
// the same reader ID and command code. The number moves on by one with every request sent, so a
// request retried after a time-out has a number of its own and waits for its own answer.
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
    // The first request gets the number `firstSequence`.
    Requester(Transport& transport, std::uint8_t firstSequence);
    // The first request gets a random number (InitialSequence).
    explicit Requester(Transport& transport);

    // Sends `request` to clock `readerId` and waits for its response, at most the exchange
    // time-out (Timing.h) for the link's bit rate and BaseTimeout. Input already waiting is
    // dropped first (only what is there: a peer that keeps sending cannot hold the exchange); frames
    // for another clock, another command or another request (sequence number) are skipped. The
    // time-out holds also while bytes keep arriving. On success exactly `response.size()` data
    // bytes were copied (must equal the command's ResponseSize); for a command whose answer varies
    // in length (CommandInfo::ResponseUnit) `response` holds the most and `received`, when given,
    // tells how many bytes came.
    // Returns a result code 0..12:
    //   0 done; status codes of the clock as ResultFromStatus; 4 no answer in time;
    //   5 bad CRC; 6 more data than the command answers; 7 less (or a response without status);
    //   3 the link is closed; 11 the link failed or the peer hung up; 12 cancelled.
    std::int32_t Exchange(std::uint8_t readerId, Command command, std::span<const std::uint8_t> request,
                          std::span<std::uint8_t> response, std::size_t* received = nullptr);

    void SetBaseTimeout(std::chrono::milliseconds base) noexcept { mBaseTimeout = base; }
    std::chrono::milliseconds BaseTimeout() const noexcept { return mBaseTimeout; }

    // The number the next request will carry. Each exchange that sends its request moves it on by
    // one (255 is followed by 0). An owner that makes a new Requester per exchange carries the
    // number from one to the next (the vendor library does, per channel).
    std::uint8_t NextSequence() const noexcept { return mNextSequence; }
    void SetNextSequence(std::uint8_t sequence) noexcept { mNextSequence = sequence; }

    // A random first number for a new link, so that a host that starts again (a new process, a
    // reopened serial port) does not repeat the numbers a late answer of its last session carries.
    static std::uint8_t InitialSequence() noexcept;

    // Whether the last exchange found the link dead (peer hung up or device failed).
    bool LinkLost() const noexcept { return mLinkLost; }

private:
    Transport& mTransport;
    FrameDecoder mDecoder;
    std::chrono::milliseconds mBaseTimeout = kDefaultBaseTimeout;
    std::uint8_t mNextSequence = 0;
    bool mLinkLost = false;
};

} // namespace zel::link
