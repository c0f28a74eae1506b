#include "zel/workflows/ClockRunner.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/Channel.h"
#include "zel/support/IReader.h"

#include <exception>

namespace zel::workflows {

namespace {

ClockResult Outcome(const ClockRunner::ReaderPtr& clock, ClockOutcome outcome, std::string detail, long number = 0)
{
    ClockResult result;
    result.Clock = clock;
    result.Outcome = outcome;
    result.Detail = std::move(detail);
    result.ErrorNumber = number;
    return result;
}

} // namespace

ClockRunner::ClockRunner(ChannelMaker makeChannel)
    : mMakeChannel(makeChannel ? std::move(makeChannel) : DefaultChannelMaker())
{
}

std::vector<ClockResult> ClockRunner::Run(const std::vector<ReaderPtr>& clocks, const Work& work)
{
    std::vector<ClockResult> results;
    for (const ChannelGroup& group : GroupByChannel(clocks))
        RunGroup(group, work, results);
    return results;
}

void ClockRunner::RunGroup(const ChannelGroup& group, const Work& work, std::vector<ClockResult>& results)
{
    auto cancelRest = [&](std::size_t from) {
        for (std::size_t i = from; i < group.Clocks.size(); ++i)
            Finish(results,
                   Outcome(group.Clocks[i], ClockOutcome::Cancelled, "Cancelled before the clock was reached."));
    };
    if (mCancel) {
        cancelRest(0);
        return;
    }

    Report(group.Clocks.front(), "connecting");
    std::shared_ptr<zel::support::Channel> channel;
    std::string channelError = "The clock's channel cannot be used (a modem channel, or no channel).";
    try {
        channel = mMakeChannel(group.ChannelID);
    } catch (const zel::Error& error) {
        channelError = "The clock's channel cannot be used: " + error.Description();
    }
    if (!channel) {
        for (const auto& clock : group.Clocks)
            Finish(results, Outcome(clock, ClockOutcome::NoChannel, channelError));
        return;
    }
    channel->Connect();
    if (!channel->IsConnected()) {
        for (const auto& clock : group.Clocks)
            Finish(results, Outcome(clock, ClockOutcome::NotConnected, "The channel did not connect."));
        return;
    }

    for (std::size_t i = 0; i < group.Clocks.size(); ++i) {
        const ReaderPtr& clock = group.Clocks[i];
        if (mCancel) {
            cancelRest(i);
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
        try {
            work(*reader, *channel, clock, result);
        } catch (const zel::Error& error) {
            result.Outcome = ClockOutcome::Failed;
            result.ErrorNumber = error.Number();
            result.Detail = error.Description();
        } catch (const std::exception& error) {
            result.Outcome = ClockOutcome::Failed;
            result.Detail = error.what();
        }
        Finish(results, std::move(result));
    }
    channel->Disconnect();
}

void ClockRunner::Report(const ReaderPtr& clock, const std::string& stage) const
{
    if (mProgress)
        mProgress(clock, stage);
}

void ClockRunner::Finish(std::vector<ClockResult>& results, ClockResult result) const
{
    results.push_back(std::move(result));
    if (mFinished)
        mFinished(results.back());
}

} // namespace zel::workflows
