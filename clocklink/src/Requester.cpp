#include "zel/link/Requester.h"

#include <algorithm>
#include <array>
#include <random>

#include "zel/link/Frame.h"

namespace zel::link {
namespace {

std::int32_t ResultOf(IoStatus status) noexcept
{
    switch (status) {
    case IoStatus::Ok:
        return ToInt(Result::Ok);
    case IoStatus::TimedOut:
        return ToInt(Result::Timeout);
    case IoStatus::Cancelled:
        return ToInt(Result::Cancelled);
    case IoStatus::Closed:
    case IoStatus::Error:
        break;
    }
    return ToInt(Result::SocketError);
}

} // namespace

Requester::Requester(Transport& transport, std::uint8_t firstSequence)
    : mTransport(transport), mNextSequence(firstSequence)
{
}

Requester::Requester(Transport& transport) : Requester(transport, InitialSequence()) {}

std::uint8_t Requester::InitialSequence() noexcept
{
    std::uint32_t seed = 0;
    try {
        std::random_device device;
        seed = device();
    } catch (...) {
        seed = static_cast<std::uint32_t>(Clock::now().time_since_epoch().count());
    }
    return static_cast<std::uint8_t>(seed ^ (seed >> 8) ^ (seed >> 16) ^ (seed >> 24));
}

std::int32_t Requester::Exchange(std::uint8_t readerId, Command command, std::span<const std::uint8_t> request,
                                 std::span<std::uint8_t> response, std::size_t* received)
{
    const CommandInfo& info = Describe(command);
    if (request.size() != info.RequestSize) {
        return ToInt(Result::DataError);
    }
    if (response.size() != info.ResponseSize) {
        return ToInt(Result::InvalidBuffer);
    }
    if (!mTransport.IsOpen()) {
        return ToInt(Result::NoConnection);
    }
    mLinkLost = false;
    const auto timeout = ExchangeTimeout(request.size(), 1 + response.size(), mTransport.BitRate(), mBaseTimeout);
    const Deadline deadline = Clock::now() + timeout;

    // Not needed for correctness (the sequence number tells stale answers apart), but it saves
    // decoding them. It drops only what is already there.
    mTransport.DiscardInput();
    mDecoder.Reset();
    const std::uint8_t expected = ResponseCode(command);
    const std::uint8_t sequence = mNextSequence++;
    mDecoder.SetHeaderFilter(
        [readerId, expected, sequence](std::uint8_t id, std::uint8_t code, std::uint8_t number, std::uint16_t) {
            return id == readerId && code == expected && number == sequence;
        });

    const std::vector<std::uint8_t> frame = EncodeRequest(readerId, command, sequence, request);
    const IoResult written = mTransport.Write(frame, deadline);
    if (written.Status != IoStatus::Ok) {
        mLinkLost = written.Status == IoStatus::Closed || written.Status == IoStatus::Error;
        return ResultOf(written.Status);
    }

    std::array<std::uint8_t, 4096> chunk{};
    Frame answer;
    bool badCrc = false;
    for (;;) {
        switch (mDecoder.Next(answer)) {
        case DecodeEvent::BadCrc:
            // A good answer may still follow in what has arrived (the bad one may have been a
            // false start in noise); only when none does is the exchange a CRC failure.
            badCrc = true;
            continue;
        case DecodeEvent::Frame: {
            if (answer.Payload.empty()) {
                return ToInt(Result::ParseUnderflow);
            }
            const std::uint8_t status = answer.Payload[0];
            if (status != static_cast<std::uint8_t>(Status::Ok)) {
                return ResultFromStatus(status);
            }
            const std::size_t dataSize = answer.Payload.size() - 1;
            if (const int fit = CheckResponseSize(info, dataSize); fit != 0) {
                return ToInt(fit > 0 ? Result::ParseOverflow : Result::ParseUnderflow);
            }
            std::copy(answer.Payload.begin() + 1, answer.Payload.end(), response.begin());
            if (received) {
                *received = dataSize;
            }
            return ToInt(Result::Ok);
        }
        case DecodeEvent::NeedMore:
            if (badCrc) {
                return ToInt(Result::BadCrc);
            }
            break;
        }
        // A read returns at once while bytes keep coming, so the deadline is checked here too: a
        // peer that floods the line cannot hold the exchange past its time-out.
        if (Clock::now() >= deadline) {
            return ToInt(Result::Timeout);
        }
        const IoResult read = mTransport.Read(chunk, deadline);
        if (read.Status != IoStatus::Ok) {
            mLinkLost = read.Status == IoStatus::Closed || read.Status == IoStatus::Error;
            return ResultOf(read.Status);
        }
        mDecoder.Feed(std::span<const std::uint8_t>(chunk.data(), read.Count));
    }
}

} // namespace zel::link
