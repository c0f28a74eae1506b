#include "zel/link/Frame.h"

#include <algorithm>

#include "zel/link/Crc16.h"

namespace zel::link {

std::size_t EncodeFrame(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence,
                        std::span<const std::uint8_t> payload, std::span<std::uint8_t> out) noexcept
{
    if (payload.size() > kMaxPayload || out.size() < FrameSize(payload.size())) {
        return 0;
    }
    out[0] = kStartByte;
    out[1] = readerId;
    out[2] = command;
    out[3] = sequence;
    out[4] = static_cast<std::uint8_t>(payload.size() & 0xFF);
    out[5] = static_cast<std::uint8_t>(payload.size() >> 8);
    std::copy(payload.begin(), payload.end(), out.begin() + kHeaderSize);
    const std::size_t crcAt = kHeaderSize + payload.size();
    const std::uint16_t crc = Crc16(out.subspan(1, crcAt - 1));
    out[crcAt] = static_cast<std::uint8_t>(crc & 0xFF);
    out[crcAt + 1] = static_cast<std::uint8_t>(crc >> 8);
    return crcAt + kCrcSize;
}

std::vector<std::uint8_t> EncodeFrame(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence,
                                      std::span<const std::uint8_t> payload)
{
    if (payload.size() > kMaxPayload) {
        return {};
    }
    std::vector<std::uint8_t> out(FrameSize(payload.size()));
    EncodeFrame(readerId, command, sequence, payload, out);
    return out;
}

std::vector<std::uint8_t> EncodeFrame(const Frame& frame)
{
    return EncodeFrame(frame.ReaderId, frame.Command, frame.Sequence, frame.Payload);
}

std::vector<std::uint8_t> EncodeRequest(std::uint8_t readerId, Command command, std::uint8_t sequence,
                                        std::span<const std::uint8_t> payload)
{
    return EncodeFrame(readerId, RequestCode(command), sequence, payload);
}

namespace {

std::vector<std::uint8_t> EncodeStatusAndData(std::uint8_t readerId, std::uint8_t code, std::uint8_t sequence,
                                              std::uint8_t status, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> payload;
    payload.reserve(1 + data.size());
    payload.push_back(status);
    payload.insert(payload.end(), data.begin(), data.end());
    return EncodeFrame(readerId, code, sequence, payload);
}

} // namespace

std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, std::uint8_t sequence,
                                         std::uint8_t status, std::span<const std::uint8_t> data)
{
    return EncodeStatusAndData(readerId, ResponseCode(command), sequence, status, data);
}

std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, std::uint8_t sequence, Status status,
                                         std::span<const std::uint8_t> data)
{
    return EncodeResponse(readerId, command, sequence, static_cast<std::uint8_t>(status), data);
}

std::vector<std::uint8_t> EncodeResponseTo(const Frame& request, std::uint8_t status,
                                           std::span<const std::uint8_t> data)
{
    return EncodeStatusAndData(request.ReaderId, static_cast<std::uint8_t>(request.Command | kResponseBit),
                               request.Sequence, status, data);
}

std::vector<std::uint8_t> EncodeResponseTo(const Frame& request, Status status, std::span<const std::uint8_t> data)
{
    return EncodeResponseTo(request, static_cast<std::uint8_t>(status), data);
}

} // namespace zel::link
