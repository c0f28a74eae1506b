#include "zel/link/Frame.h"

#include <algorithm>

#include "zel/link/Crc16.h"

namespace zel::link {

std::size_t EncodeFrame(std::uint8_t readerId, std::uint8_t command, std::span<const std::uint8_t> payload,
                        std::span<std::uint8_t> out) noexcept
{
    if (payload.size() > kMaxPayload || out.size() < FrameSize(payload.size())) {
        return 0;
    }
    out[0] = kStartByte;
    out[1] = readerId;
    out[2] = command;
    out[3] = static_cast<std::uint8_t>(payload.size() & 0xFF);
    out[4] = static_cast<std::uint8_t>(payload.size() >> 8);
    std::copy(payload.begin(), payload.end(), out.begin() + kHeaderSize);
    const std::size_t crcAt = kHeaderSize + payload.size();
    const std::uint16_t crc = Crc16(out.subspan(1, crcAt - 1));
    out[crcAt] = static_cast<std::uint8_t>(crc & 0xFF);
    out[crcAt + 1] = static_cast<std::uint8_t>(crc >> 8);
    return crcAt + kCrcSize;
}

std::vector<std::uint8_t> EncodeFrame(std::uint8_t readerId, std::uint8_t command,
                                      std::span<const std::uint8_t> payload)
{
    if (payload.size() > kMaxPayload) {
        return {};
    }
    std::vector<std::uint8_t> out(FrameSize(payload.size()));
    EncodeFrame(readerId, command, payload, out);
    return out;
}

std::vector<std::uint8_t> EncodeRequest(std::uint8_t readerId, Command command, std::span<const std::uint8_t> payload)
{
    return EncodeFrame(readerId, RequestCode(command), payload);
}

std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, std::uint8_t status,
                                         std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> payload;
    payload.reserve(1 + data.size());
    payload.push_back(status);
    payload.insert(payload.end(), data.begin(), data.end());
    return EncodeFrame(readerId, ResponseCode(command), payload);
}

std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, Status status,
                                         std::span<const std::uint8_t> data)
{
    return EncodeResponse(readerId, command, static_cast<std::uint8_t>(status), data);
}

} // namespace zel::link
