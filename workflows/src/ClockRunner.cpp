#include "zel/workflows/ClockRunner.h"

#include "zel/workflows/CommandReport.h"
#include "zel/workflows/ParallelGroups.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/Channel.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"

#include <exception>

namespace zel::workflows {

namespace {

ClockResult Outcome(const ClockRunner::ReaderPtr& clock, ClockOutcome outcome, std::string detail, long number = 0)
{
    ClockResult result;
    result.Clock = clock;
    if (clock) {
        result.ClockName = clock->Name();
        result.ClockID = clock->DatabaseID();
    }
    result.Outcome = outcome;
    result.Detail = std::move(detail);
    result.ErrorNumber = number;
    return result;
}

// The way back to the calling thread of the group the current worker thread serves (none on the
// calling thread itself).
thread_local ParallelGroups::Lane* tLane = nullptr;

} // namespace

ClockRunner::ClockRunner(ChannelMaker makeChannel)
    : mMakeChannel(makeChannel ? std::move(makeChannel) : DefaultChannelMaker())
{
}

std::vector<ClockResult> ClockRunner::Run(const std::vector<ReaderPtr>& clocks, const Work& work)
{
    const std::vector<ChannelGroup> groups = GroupByChannel(clocks);
    mGroupOf = GroupChannelIDs(groups);
    std::vector<ClockResult> results;
    if (mMaxChannels == 0) {
        for (const ChannelGroup& group : groups)
            RunGroup(group, work, results, false, nullptr, {});
        return results;
    }
    GroupChannels made = MakeGroupChannels(groups, mMakeChannel);
    std::vector<std::vector<ClockResult>> perGroup(groups.size());
    ParallelGroups parallel(mMaxChannels);
    parallel.Run(
        groups.size(),
        [&](std::size_t index, ParallelGroups::Lane& lane) {
            tLane = &lane;
            try {
                RunGroup(groups[index], work, perGroup[index], true, made.Channels[index], made.Why[index]);
            } catch (...) {
                tLane = nullptr;
                throw;
            }
            tLane = nullptr;
        },
        [this] {
            zel::support::PumpMessages();
            if (mIdle)
                mIdle();
        });
    for (auto& group : perGroup)
        for (auto& result : group)
            results.push_back(std::move(result));
    return results;
}

std::shared_ptr<zel::support::Channel> ClockRunner::MakeChannel(const ChannelGroup& group, std::string& why) const
{
    GroupChannels made = MakeGroupChannels({group}, mMakeChannel);
    why = std::move(made.Why.front());
    return made.Channels.front();
}

void ClockRunner::RunGroup(const ChannelGroup& group, const Work& work, std::vector<ClockResult>& results, bool made,
                           std::shared_ptr<zel::support::Channel> channel, std::string channelError)
{
    // Every clock of the group from `from` on, when the command ends before they are reached.
    auto passOver = [&](std::size_t from) {
        for (std::size_t i = from; i < group.Clocks.size(); ++i) {
            if (mStopped)
                Finish(results, Outcome(group.Clocks[i], ClockOutcome::NotReached,
                                        "Not reached: an error on another clock ended the command."));
            else
                Finish(results,
                       Outcome(group.Clocks[i], ClockOutcome::Cancelled, "Cancelled before the clock was reached."));
        }
    };
    auto ending = [&] { return mCancel || mStopped; };
    if (ending()) {
        passOver(0);
        return;
    }

    Report(group.Clocks.front(), "connecting");
    if (!made)
        channel = MakeChannel(group, channelError);
    if (!channel) {
        for (const auto& clock : group.Clocks)
            Finish(results, Outcome(clock, ClockOutcome::NoChannel, channelError));
        return;
    }
    // Disconnects however the group ends.
    struct Disconnector {
        zel::support::Channel& Line;
        ~Disconnector()
        {
            try {
                Line.Disconnect();
            } catch (...) {
                // closing a link that has failed already
            }
        }
    } closeAtEnd{*channel};
    try {
        channel->Connect();
    } catch (const zel::Error& error) {
        for (const auto& clock : group.Clocks)
            Finish(results, Outcome(clock, ClockOutcome::NotConnected, error.Description(), error.Number()));
        return;
    }
    if (!channel->IsConnected()) {
        for (const auto& clock : group.Clocks)
            Finish(results, Outcome(clock, ClockOutcome::NotConnected, NotConnectedReason(*channel)));
        return;
    }

    for (std::size_t i = 0; i < group.Clocks.size(); ++i) {
        const ReaderPtr& clock = group.Clocks[i];
        if (ending()) {
            passOver(i);
            break;
        }
        Report(clock, "working");
        std::shared_ptr<zel::support::IReader> reader;
        try {
            reader = channel->GetReader(clock->ReaderID());
        } catch (const zel::Error& error) {
            Finish(results, Outcome(clock, ClockOutcome::NotAnswering, error.Description(), error.Number()));
            continue;
        }
        if (!reader) {
            Finish(results, Outcome(clock, ClockOutcome::NotAnswering, "The clock did not answer."));
            continue;
        }
        ClockResult result = Outcome(clock, ClockOutcome::Done, {});
        // The error's text, then what the work noted before it raised.
        auto fail = [&result](std::string text) {
            result.Outcome = ClockOutcome::Failed;
            result.Detail = result.Detail.empty() ? std::move(text) : text + "; " + result.Detail;
        };
        try {
            work(*reader, *channel, clock, result);
        } catch (const zel::Error& error) {
            result.ErrorNumber = error.Number();
            fail(error.Description());
        } catch (const std::exception& error) {
            fail(error.what());
        }
        if (result.Outcome == ClockOutcome::Failed && mStopAtError)
            mStopped = true;
        Finish(results, std::move(result));
    }
}

std::int32_t ClockRunner::GroupChannelID(const ReaderPtr& clock) const
{
    if (!clock)
        return 0;
    const auto found = mGroupOf.find(clock->DatabaseID());
    return found != mGroupOf.end() ? found->second : clock->ChannelDescriptionID();
}

void ClockRunner::Report(const ReaderPtr& clock, const std::string& stage) const
{
    if (!mProgress)
        return;
    if (tLane)
        tLane->Post([this, clock, stage] { mProgress(clock, stage); });
    else
        mProgress(clock, stage);
}

void ClockRunner::Tell(const ReaderPtr& clock, const std::string& stage) const
{
    Report(clock, stage);
}

void ClockRunner::Post(std::function<void()> call) const
{
    if (tLane)
        tLane->Post(std::move(call));
    else
        call();
}

void ClockRunner::Call(std::function<void()> call) const
{
    if (tLane)
        tLane->Call(std::move(call));
    else
        call();
}

void ClockRunner::Finish(std::vector<ClockResult>& results, ClockResult result) const
{
    results.push_back(std::move(result));
    if (!mFinished)
        return;
    if (tLane)
        tLane->Post([this, copy = results.back()] { mFinished(copy); });
    else
        mFinished(results.back());
}

} // namespace zel::workflows
