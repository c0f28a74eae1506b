#pragma once
// Frames of the clock wire protocol.
//
//   offset 0      start byte 0xA5
//          1      reader ID
//          2      command code (bit 7 set in responses)
//          3      sequence number: the host numbers its requests, a response echoes its request's
//          4..5   payload length n, 16-bit little-endian, 0..kMaxPayload
//          6..    payload (n bytes); a response's first payload byte is the status
//          6+n    CRC-16 (Crc16.h) over bytes 1 .. 5+n, little-endian (low byte first)
//
// Eight bytes of framing per frame; a response spends one more byte on its status. The sequence
// number lies under the CRC, so a damaged number is a damaged frame, never another request's.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "zel/link/Command.h"
#include "zel/link/Status.h"

namespace zel::link {

inline constexpr std::uint8_t kStartByte = 0xA5;
inline constexpr std::size_t kHeaderSize = 6;
inline constexpr std::size_t kCrcSize = 2;
inline constexpr std::size_t kFrameOverhead = kHeaderSize + kCrcSize;
// Largest payload a frame may declare. A header with a larger length is not a frame: the decoder
// treats its start byte as garbage. The largest legal payload is 4097 (bank number + data bank,
// status + data bank); the rest is room to report oversize frames as such.
inline constexpr std::size_t kMaxPayload = 8192;
inline constexpr std::size_t kMaxFrameSize = kFrameOverhead + kMaxPayload;

struct Frame {
    std::uint8_t ReaderId = 0;
    std::uint8_t Command = 0;  // raw code, bit 7 set for responses
    std::uint8_t Sequence = 0; // a request's number; a response carries its request's
    std::vector<std::uint8_t> Payload;

    bool operator==(const Frame&) const = default;
};

// Size of the frame that carries `payloadSize` bytes.
constexpr std::size_t FrameSize(std::size_t payloadSize) noexcept
{
    return kFrameOverhead + payloadSize;
}

// Encodes one frame into `out`. Returns the number of bytes written, or 0 when the payload is
// larger than kMaxPayload or `out` is too small.
std::size_t EncodeFrame(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence,
                        std::span<const std::uint8_t> payload, std::span<std::uint8_t> out) noexcept;

// Encodes one frame; an empty vector when the payload is larger than kMaxPayload.
std::vector<std::uint8_t> EncodeFrame(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence,
                                      std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> EncodeFrame(const Frame& frame);

std::vector<std::uint8_t> EncodeRequest(std::uint8_t readerId, Command command, std::uint8_t sequence,
                                        std::span<const std::uint8_t> payload);

// A response: payload = status byte followed by `data` (send `data` only with Status::Ok).
std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, std::uint8_t sequence, Status status,
                                         std::span<const std::uint8_t> data = {});
std::vector<std::uint8_t> EncodeResponse(std::uint8_t readerId, Command command, std::uint8_t sequence,
                                         std::uint8_t status, std::span<const std::uint8_t> data = {});

// The response to a decoded request: its reader ID, its code with bit 7 set (also for a code the
// clock does not know) and its sequence number, then the status byte and `data`.
std::vector<std::uint8_t> EncodeResponseTo(const Frame& request, Status status,
                                           std::span<const std::uint8_t> data = {});
std::vector<std::uint8_t> EncodeResponseTo(const Frame& request, std::uint8_t status,
                                           std::span<const std::uint8_t> data = {});

} // namespace zel::link
