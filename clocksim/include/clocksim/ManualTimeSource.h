#pragma once

#include "clocksim/TimeSource.h"

#include <atomic>

namespace zel::sim {

// A time source that only moves when told to; safe to move from a test thread while the
// emulator's thread reads it.
class ManualTimeSource final : public TimeSource {
public:
    explicit ManualTimeSource(std::int64_t startMs = 1'078'000'000'000) : mNowMs(startMs) {}

    std::int64_t NowMs() const override { return mNowMs.load(); }
    void SetNowMs(std::int64_t ms) { mNowMs.store(ms); }
    void AdvanceMs(std::int64_t ms) { mNowMs.fetch_add(ms); }

private:
    std::atomic<std::int64_t> mNowMs;
};

} // namespace zel::sim
