#include "clocksim/EnrollmentSim.h"

#include <algorithm>

namespace zel::sim {
namespace {

void PutInt32(Bytes& b, std::size_t at, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

} // namespace

Template EnrollmentSim::TemplateOf(std::uint32_t person)
{
    // A small mixing function: different people give clearly different hands.
    Template t{};
    std::uint32_t x = person * 2654435761u + 0x9E3779B9u;
    for (auto& b : t) {
        x ^= x >> 15;
        x *= 0x2C1B3C6Du;
        x ^= x >> 12;
        x += 0x6D2B79F5u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return t;
}

void EnrollmentSim::Start(Phase phase, std::uint32_t person, const EnrollmentOptions& options, std::int64_t nowMs)
{
    mPhase = phase;
    mLastPhase = phase;
    mPerson = person;
    mOptions = options;
    mStep = 0;
    mStartMs = nowMs;
    mLastStepMs = nowMs;
}

int EnrollmentSim::ReadsOfPhase() const
{
    const int reads = mPhase == Phase::Verifying ? mOptions.VerifyReads : mOptions.ReadsNeeded;
    return std::max(reads, 1);
}

EnrollmentSim::Status EnrollmentSim::Poll(std::int64_t nowMs)
{
    if (mPhase != Phase::Enrolling && mPhase != Phase::Verifying)
        return Current();

    if (mOptions.NoPerson) {
        if (nowMs - mStartMs >= mOptions.IdleTimeoutMs)
            mPhase = Phase::TimedOut;
        return Current();
    }

    const std::int64_t stepMs = std::max(mOptions.ReadTimeMs, 0) / 2;
    if (nowMs - mLastStepMs < stepMs)
        return Current();
    mLastStepMs = nowMs;

    const int reads = ReadsOfPhase();
    if (mStep < 2 * reads) {
        ++mStep;
        if (mStep % 2 == 0)
            mLastTemplate = TemplateOf(mPerson);
        return Current();
    }
    const bool timeOut = (mPhase == Phase::Enrolling && mOptions.Timeout == TimeoutPhase::Enrollment) ||
                         (mPhase == Phase::Verifying && mOptions.Timeout == TimeoutPhase::Verification);
    mPhase = timeOut ? Phase::TimedOut : Phase::Complete;
    return Current();
}

EnrollmentSim::Status EnrollmentSim::Current() const
{
    Status s;
    switch (mPhase) {
    case Phase::Idle:
    case Phase::Complete:
        // An idle reader has finished its last command.
        s.Complete = true;
        break;
    case Phase::TimedOut:
        s.TimedOut = true;
        break;
    case Phase::Enrolling:
    case Phase::Verifying:
        if (mStep % 2 == 1) {
            s.Activity = 1;
            s.Leds = {1, 1, 1, 1};
        }
        break;
    }
    return s;
}

void EnrollmentSim::Abort()
{
    mPhase = Phase::Idle;
    mStep = 0;
}

Bytes EnrollmentSim::ToRecord(const Status& s)
{
    Bytes b(StatusRecordSize, 0);
    PutInt32(b, 0, s.Activity);
    for (std::size_t i = 0; i < 4; ++i)
        PutInt32(b, 4 + 4 * i, s.Leds[i]);
    PutInt32(b, 40, s.Complete ? 1 : 0);
    PutInt32(b, 44, s.TimedOut ? 1 : 0);
    return b;
}

} // namespace zel::sim
