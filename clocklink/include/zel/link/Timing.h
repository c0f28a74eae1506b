#pragma once
// Time-out rules of the clock wire protocol.
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace zel::link {

inline constexpr std::chrono::milliseconds kDefaultBaseTimeout{1000};
// Time-outs over TCP are computed as if the clock sat behind a line of this rate.
inline constexpr std::uint32_t kNominalTcpBitRate = 9600;
inline constexpr unsigned kBitsPerByte = 10; // start bit, 8 data bits, stop bit

// Time `bytes` need on a line of `bitRate` (0 = no time).
std::chrono::microseconds WireTime(std::size_t bytes, std::uint32_t bitRate) noexcept;

// Time-out of one exchange: base + 2 x the wire time of the request and the expected response
// frames (both with their framing). A zero bit rate uses kNominalTcpBitRate.
std::chrono::milliseconds ExchangeTimeout(std::size_t requestPayload, std::size_t responsePayload,
                                          std::uint32_t bitRate, std::chrono::milliseconds base) noexcept;

// Milliseconds left until `deadline`, rounded up, for poll(): 0 when it has passed, -1 for
// time_point::max() (no deadline), at most one hour per wait.
int PollMilliseconds(std::chrono::steady_clock::time_point deadline) noexcept;

// The base time-out from the environment variable ZEL_TIMEOUT_MS (1..3600000), else
// kDefaultBaseTimeout. Read at each call.
std::chrono::milliseconds BaseTimeoutFromEnvironment() noexcept;

} // namespace zel::link
