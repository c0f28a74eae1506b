#include "zel/link/Timing.h"

#include <cstdlib>
#include <cstring>

#include "zel/link/Frame.h"

namespace zel::link {

std::chrono::microseconds WireTime(std::size_t bytes, std::uint32_t bitRate) noexcept
{
    if (bitRate == 0) {
        return std::chrono::microseconds{0};
    }
    const auto bits = static_cast<std::uint64_t>(bytes) * kBitsPerByte;
    return std::chrono::microseconds{static_cast<std::int64_t>((bits * 1'000'000ULL + bitRate - 1) / bitRate)};
}

std::chrono::milliseconds ExchangeTimeout(std::size_t requestPayload, std::size_t responsePayload,
                                          std::uint32_t bitRate, std::chrono::milliseconds base) noexcept
{
    const std::uint32_t rate = bitRate == 0 ? kNominalTcpBitRate : bitRate;
    const auto wire = WireTime(FrameSize(requestPayload) + FrameSize(responsePayload), rate);
    return base + std::chrono::ceil<std::chrono::milliseconds>(2 * wire);
}

int PollMilliseconds(std::chrono::steady_clock::time_point deadline) noexcept
{
    using Clock = std::chrono::steady_clock;
    if (deadline == Clock::time_point::max()) {
        return -1;
    }
    const auto now = Clock::now();
    if (deadline <= now) {
        return 0;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return left > 3'600'000 ? 3'600'000 : static_cast<int>(left);
}

std::chrono::milliseconds BaseTimeoutFromEnvironment() noexcept
{
    const char* text = std::getenv("ZEL_TIMEOUT_MS");
    if (text == nullptr || *text == '\0' || std::strlen(text) > 9) {
        return kDefaultBaseTimeout;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > 3'600'000) {
        return kDefaultBaseTimeout;
    }
    return std::chrono::milliseconds{value};
}

} // namespace zel::link
