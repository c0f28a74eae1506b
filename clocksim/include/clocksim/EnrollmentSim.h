#pragma once

#include "clocksim/ClockOptions.h"
#include "clocksim/ClockTypes.h"

#include <array>
#include <cstdint>

namespace zel::sim {

// The hand reader of one clock while it enrolls or verifies a person: a small state machine
// stepped by status polls and paced by the time source (see EnrollmentOptions).
class EnrollmentSim {
public:
    enum class Phase { Idle, Enrolling, Verifying, Complete, TimedOut };

    struct Status {
        std::int32_t Activity = 0;
        std::array<std::int32_t, 4> Leds{};
        bool Complete = false;
        bool TimedOut = false;
    };

    // The template a person's hand gives, the same at every read.
    static Template TemplateOf(std::uint32_t person);

    // Starts a phase (Enrolling or Verifying) for the person at time nowMs.
    void Start(Phase phase, std::uint32_t person, const EnrollmentOptions& options, std::int64_t nowMs);
    // One status poll: moves on by at most one step, then tells the status.
    Status Poll(std::int64_t nowMs);
    // The status as it stands, without moving on.
    Status Current() const;
    void Abort();

    Phase CurrentPhase() const { return mPhase; }
    // Completed hand reads of the current phase.
    int ReadsDone() const { return mStep / 2; }
    std::uint32_t Person() const { return mPerson; }
    // The template of the last completed read; zero before any.
    const Template& LastTemplate() const { return mLastTemplate; }
    // The phase that ran last (Enrolling or Verifying), kept after it finished.
    Phase LastPhase() const { return mLastPhase; }

    // Status record of 96 bytes: activity at 0, four LED words at 4, complete at 40, timed out at 44.
    static Bytes ToRecord(const Status& s);

private:
    int ReadsOfPhase() const;

    Phase mPhase = Phase::Idle;
    Phase mLastPhase = Phase::Idle;
    EnrollmentOptions mOptions;
    std::uint32_t mPerson = 0;
    int mStep = 0; // 0 waiting; odd = hand down for read (step+1)/2; even > 0 = hand up after read step/2
    std::int64_t mStartMs = 0;
    std::int64_t mLastStepMs = 0;
    Template mLastTemplate{};
};

} // namespace zel::sim
