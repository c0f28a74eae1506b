#pragma once

#include <chrono>
#include <cstdint>

namespace zel::sim {

// Where the emulator takes the time from: milliseconds since 1970-01-01 UTC.
// The emulated clocks run their own time from it, enrollments pace their hand reads by it and
// punches are generated on it. Tests put a ManualTimeSource in its place and move it forward.
class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual std::int64_t NowMs() const = 0;
};

// The host's real time.
class SystemTimeSource final : public TimeSource {
public:
    std::int64_t NowMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    }
};

} // namespace zel::sim
