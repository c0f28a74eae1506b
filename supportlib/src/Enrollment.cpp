#include "zel/support/Enrollment.h"

#include "zel/support/Channel.h"
#include "zel/support/MessagePump.h"

#include <algorithm>

namespace zel::support {
namespace {

constexpr std::size_t kActivity = 0;
constexpr std::size_t kLeds = 4;
constexpr std::size_t kComplete = 40;
constexpr std::size_t kTimedOut = 44;
constexpr const char* kAbortedMessage = "   Enrollment       Aborted";

} // namespace

UserRecord Enrollment::Run(Channel& channel, std::shared_ptr<IEnrollmentStatus> callback)
{
    mCallback = std::move(callback);
    mReaderID = channel.SelectedReader();
    UserRecord record{};
    if (mCallback)
        mCallback->BeginEnrollment();
    channel.EnrollUser();

    auto end = RunPhase(channel, false);
    if (end == PhaseEnd::Aborted)
        return record;
    if (end == PhaseEnd::Complete) {
        auto last = channel.GetLastTemplate();
        channel.VerifyOnExternalData(0, last.data() + layout::kLastTemplate);
        end = RunPhase(channel, true);
        if (end == PhaseEnd::Aborted)
            return record;
        if (end == PhaseEnd::Complete) {
            last = channel.GetLastTemplate();
            std::copy_n(last.begin() + layout::kLastTemplate, ZEL_TEMPLATE_SIZE,
                        record.begin() + layout::kUserTemplate);
        }
    }
    if (end == PhaseEnd::TimedOut) {
        mIsTimedOut = true;
        if (mCallback)
            mCallback->Timeout();
    }
    if (mCallback)
        mCallback->EndEnrollment();
    return record;
}

Enrollment::PhaseEnd Enrollment::RunPhase(Channel& channel, bool verification)
{
    StatusRecord status{};
    while (GetInt32LE(status.data() + kComplete) == 0 && GetInt32LE(status.data() + kTimedOut) == 0) {
        if (mIsAborted) {
            if (verification && mCallback)
                mCallback->Aborted();
            channel.AbortCommand();
            channel.DisplayMessage(kAbortedMessage, false, "", DisplayDurationEnum::Seconds3_0);
            if (!verification && mCallback)
                mCallback->Aborted();
            return PhaseEnd::Aborted;
        }
        auto started = std::chrono::steady_clock::now();
        status = channel.SendStatusCRC();
        Report(status);
        PumpMessages();
        // What ran meanwhile may have addressed another clock of the channel.
        if (mReaderID >= 0 && channel.SelectedReader() != mReaderID)
            channel.SetHandReader(mReaderID);
        if (GetInt32LE(status.data() + kComplete) == 0 && GetInt32LE(status.data() + kTimedOut) == 0) {
            // Do not flood a clock whose library answers at once.
            auto elapsed =
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
            if (elapsed < kMinPollInterval)
                PollSleep(kMinPollInterval - elapsed);
        }
    }
    return GetInt32LE(status.data() + kComplete) != 0 ? PhaseEnd::Complete : PhaseEnd::TimedOut;
}

void Enrollment::Report(const StatusRecord& status)
{
    bool active = GetInt32LE(status.data() + kActivity) != 0;
    if (active != mLastActivity) {
        if (mLastActivity && !active)
            ++mReadCount;
        mLastActivity = active;
    }
    if (!mCallback)
        return;
    EnrollmentStatusType update;
    update.ReadCount = mReadCount;
    update.Led1 = GetInt32LE(status.data() + kLeds);
    update.Led2 = GetInt32LE(status.data() + kLeds + 4);
    update.Led3 = GetInt32LE(status.data() + kLeds + 8);
    update.Led4 = GetInt32LE(status.data() + kLeds + 12);
    mCallback->Update(update);
}

} // namespace zel::support
