#pragma once

#include "zel/support/IEnrollmentStatus.h"
#include "zel/support/Records.h"

#include <chrono>
#include <memory>

namespace zel::support {

class Channel;

// Drives one enrollment on a clock the reader has already selected: the hand reads, then a
// verification read, polling the clock's status and reporting progress to the callback (which
// may be null). Between polls it lets the caller's messages run; when they addressed another clock
// of the channel, it selects its own clock again before the next command. Used by User::Enroll;
// not meant to be used directly.
class Enrollment {
public:
    // Two polls are at least this far apart: a clock library that answers at once is not
    // asked again before the rest of this interval has passed (PollSleep).
    static constexpr std::chrono::microseconds kMinPollInterval{5000};

    // Returns a UserRecord that is zero except for the template (bytes 5..13), which is set
    // only when both phases completed. Vendor failures raise out of Run.
    UserRecord Run(Channel& channel, std::shared_ptr<IEnrollmentStatus> callback);
    // Asks the running enrollment to stop at its next poll.
    void Abort() { mIsAborted = true; }
    bool IsAborted() const { return mIsAborted; }
    bool IsTimedOut() const { return mIsTimedOut; }
    std::int32_t ReadCount() const { return mReadCount; }

private:
    enum class PhaseEnd { Complete, TimedOut, Aborted };
    PhaseEnd RunPhase(Channel& channel, bool verification);
    void Report(const StatusRecord& status);

    std::shared_ptr<IEnrollmentStatus> mCallback;
    std::int32_t mReaderID = -1; // the clock selected when Run began
    bool mIsAborted = false;
    bool mIsTimedOut = false;
    std::int32_t mReadCount = 0;
    bool mLastActivity = false;
};

} // namespace zel::support
