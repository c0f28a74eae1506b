#include "zel/workflows/Synchronizer.h"

#include "zel/workflows/AuditTrail.h"

#include "zel/workflows/UserTransfer.h"

#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"
#include "zel/support/UserReplacement.h"
#include "zel/support/UserWrites.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace zel::workflows {
namespace {

// Disconnects a group's channel when the group ends by an error.
class ChannelGuard {
public:
    explicit ChannelGuard(std::shared_ptr<zel::support::Channel>& channel) : mChannel(channel) {}
    ChannelGuard(const ChannelGuard&) = delete;
    ChannelGuard& operator=(const ChannelGuard&) = delete;
    ~ChannelGuard()
    {
        if (mChannel && mChannel->IsConnected()) {
            try {
                mChannel->Disconnect();
            } catch (...) {
                // the group ends with the error that brought us here
            }
        }
    }

private:
    std::shared_ptr<zel::support::Channel>& mChannel;
};

std::vector<std::shared_ptr<zel::data::ReaderDescription>> ToVector(const Synchronizer::ReaderCollection& clocks)
{
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> result;
    result.reserve(static_cast<std::size_t>(clocks.Count()));
    for (const auto& clock : clocks)
        result.push_back(clock);
    return result;
}

} // namespace

Synchronizer::Synchronizer(ChannelMaker makeChannel) : mMakeChannel(std::move(makeChannel))
{
    if (!mMakeChannel)
        mMakeChannel = DefaultChannelMaker();
}

void Synchronizer::Execute(const ReaderCollection& Source, const ReaderCollection& Destination,
                           bool ClearDestinationClocks)
{
    mReport = CommandReport("Synchronize");
    // What is read is stored in the site database: a site that cannot be written refuses the
    // whole synchronization before any clock is read (error 3027 with the reason).
    if (auto site = zel::data::DataSource().GetConnection())
        site->CheckWritable();
    mClearDestinationClocks = ClearDestinationClocks;
    mErrorTold = false;
    mAbortedRaised = false;
    mStopped = false;
    mError = nullptr;
    const auto sources = ToVector(Source);
    const auto destinations = ToVector(Destination);
    for (const auto& clock : sources)
        if (clock)
            mReport.Plan(clock->Name(), clock->DatabaseID(), ClockTask::Read);
    for (const auto& clock : destinations)
        if (clock)
            mReport.Plan(clock->Name(), clock->DatabaseID(), ClockTask::Send);
    mAuditFailure.clear();
    const auto log = [&] {
        mAuditFailure =
            AuditTrail().Record("sync", mReport, {}, mClearDestinationClocks ? "destination clocks cleared first" : "");
    };
    try {
        Run(sources, destinations);
    } catch (const std::exception& error) {
        mReport.End(CommandReport::Ending::Error, mErrorTold ? std::string() : ReportedErrorText(error));
        log();
        throw;
    } catch (...) {
        mReport.End(CommandReport::Ending::Error, mErrorTold ? std::string() : "The synchronization failed.");
        log();
        throw;
    }
    log();
}

void Synchronizer::Run(const std::vector<ReaderPtr>& sources, const std::vector<ReaderPtr>& destinations)
{
    mBeginSynchornize.Raise();
    const std::vector<ChannelGroup> sourceGroups = GroupByChannel(sources);
    if (CheckAbort()) {
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }

    // Source phase: collect the users of every source clock; the first clock (in the order of
    // the groups, then of the clocks) to give an ID wins.
    std::vector<std::vector<ClockUserList>> read(sourceGroups.size());
    for (std::size_t i = 0; i < sourceGroups.size(); ++i)
        read[i].resize(sourceGroups[i].Clocks.size());
    RunPhase(SourceMode, sourceGroups,
             [&](const auto& reader, const ReaderPtr& clock, std::size_t group, Tally& tally, ParallelGroups::Lane&) {
                 const auto& clocks = sourceGroups[group].Clocks;
                 const auto at =
                     static_cast<std::size_t>(std::find(clocks.begin(), clocks.end(), clock) - clocks.begin());
                 ReadSource(reader, read[group][at], tally.Count);
             });
    ClockUsers collected("Synchronizer");
    for (const auto& group : read)
        for (const auto& clockUsers : group)
            for (const auto& user : clockUsers) {
                const std::string id = user->ID();
                if (!id.empty() && !collected.Contains(id))
                    collected.Add(user, id);
            }

    // Import, also after an abort: what was read is kept.
    auto users = zel::data::DataSource().GetUserDescriptionList();
    Import(collected, *users);

    // The users to send, built here: the worker threads never touch the site database.
    std::vector<Outgoing> outgoing;
    for (const auto& user : *users) {
        if (!HasTemplate(*user))
            continue; // not enrolled, or marked so without a template: a clock could verify nobody
        Outgoing next;
        next.User = user;
        try {
            next.ClockUser = MakeExtendedUser(*user);
        } catch (...) {
            next.Error = std::current_exception(); // raised when the user's turn comes
        }
        outgoing.push_back(std::move(next));
    }
    const std::vector<ChannelGroup> destinationGroups = GroupByChannel(destinations);

    if (CheckAbort()) {
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }
    RunPhase(DestinationMode, destinationGroups,
             [&](const auto& reader, const ReaderPtr& clock, std::size_t, Tally& tally, ParallelGroups::Lane& lane) {
                 WriteDestination(reader, clock, outgoing, tally, lane);
             });
    if (CheckAbort()) {
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }
    mReport.End(CommandReport::Ending::Completed);
    mEndSynchronize.Raise();
}

void Synchronizer::RunPhase(int mode, const std::vector<ChannelGroup>& groups, const ReaderWork& work)
{
    mGroupOf = GroupChannelIDs(groups); // one line of the running window per group
    GroupChannels made = MakeGroupChannels(groups, mMakeChannel);
    ParallelGroups parallel(mMaxChannels);
    parallel.Run(
        groups.size(),
        [&](std::size_t index, ParallelGroups::Lane& lane) {
            RunGroup(mode, groups[index], index, made.Channels[index], made.Why[index], work, lane);
        },
        [] { zel::support::PumpMessages(); });
    std::exception_ptr error;
    {
        std::lock_guard lock(mErrorLock);
        error = std::exchange(mError, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void Synchronizer::RunGroup(int mode, const ChannelGroup& group, std::size_t index,
                            std::shared_ptr<zel::support::Channel> channel, const std::string& why,
                            const ReaderWork& work, ParallelGroups::Lane& lane)
{
    const bool source = mode == SourceMode;
    const auto task = source ? ClockTask::Read : ClockTask::Send;
    const std::int32_t channelID = group.ChannelID;
    ChannelGuard guard(channel);
    bool first = true;
    for (const auto& clock : group.Clocks) {
        if (Checkpoint(lane))
            break; // this clock and the rest stay unreached: cancelled (or not reached after an error)
        if (first) {
            first = false;
            lane.Post([this, mode, channelID] { mEstablishingConnection.Raise(mode, channelID); });
            TellStep(lane, mode, clock, "Connecting");
            std::string failure = why;
            if (channel) {
                try {
                    channel->Connect();
                } catch (const std::exception& error) {
                    failure = ReportedErrorText(error);
                }
            }
            if (channel && !channel->IsConnected() && failure.empty())
                failure = NotConnectedReason(*channel);
            if (!channel || !channel->IsConnected()) {
                lane.Post([this, mode, channelID, task, failure, clocks = group.Clocks] {
                    for (const auto& member : clocks)
                        mReport.SetNotConnected(mReport.Find(member->DatabaseID(), task), failure);
                    mConnectionFailed.Raise(mode, channelID);
                });
                TellStep(lane, mode, clock,
                         failure.empty() ? "channel not connected" : "channel not connected: " + failure);
                channel.reset();
                return;
            }
            lane.Post([this, mode, channelID] { mConnected.Raise(mode, channelID); });
        }

        const std::int32_t clockID = clock->DatabaseID();
        lane.Post([this, mode, clock] { mConnectingToReader.Raise(mode, clock); });
        std::shared_ptr<zel::support::IReader> reader;
        std::string lookupError;
        try {
            reader = channel->GetReader(clock->ReaderID());
        } catch (const std::exception& error) {
            if (!source) {
                lane.Post([this, clockID, task, text = ReportedErrorText(error)] {
                    mReport.SetFailed(mReport.Find(clockID, task), text);
                    mErrorTold = true;
                });
                Stop(std::current_exception());
                return;
            }
            lookupError = ReportedErrorText(error); // a source clock that fails gives nothing
        }
        if (Checkpoint(lane))
            break;
        if (!reader) {
            lane.Post([this, mode, clock, clockID, task, lookupError] {
                const std::size_t row = mReport.Find(clockID, task);
                if (lookupError.empty())
                    mReport.SetNotAnswering(row);
                else
                    mReport.SetFailed(row, lookupError);
                mReaderNotFound.Raise(mode, clock);
            });
            TellStep(lane, mode, clock, lookupError.empty() ? "clock not answering" : "failed");
            continue;
        }
        lane.Post([this, mode, clock] { mReaderFound.Raise(mode, clock); });
        TellStep(lane, mode, clock, source ? "Reading users" : "Sending users");
        Tally tally;
        try {
            work(reader, clock, index, tally, lane);
            lane.Post([this, clockID, task, tally] {
                const std::size_t row = mReport.Find(clockID, task);
                mReport.SetDone(row, tally.Count);
                if (tally.Writes)
                    mReport.SetWrites(row, *tally.Writes);
            });
            TellStep(lane, mode, clock,
                     std::to_string(tally.Count) + (tally.Count == 1 ? " user " : " users ") +
                         (source ? "read" : "sent"),
                     tally.Count, tally.Count);
        } catch (const std::exception& error) {
            const bool ends = !source;
            lane.Post([this, clockID, task, tally, ends, text = ReportedErrorText(error)] {
                const std::size_t row = mReport.Find(clockID, task);
                mReport.SetFailed(row, text, tally.Count);
                if (tally.Writes)
                    mReport.SetWrites(row, *tally.Writes);
                if (ends)
                    mErrorTold = true;
            });
            TellStep(lane, mode, clock, "failed: " + ReportedErrorText(error), tally.Count);
            if (ends) {
                Stop(std::current_exception());
                return;
            }
            // A source clock that fails gives nothing more; the phase goes on.
        }
    }
    if (channel && channel->IsConnected()) {
        channel->Disconnect();
        lane.Post([this, mode, channelID] { mDisconnecting.Raise(mode, channelID); });
    }
}

void Synchronizer::TellStep(ParallelGroups::Lane& lane, int mode, const ReaderPtr& clock, std::string text, int done,
                            int total, UserPtr user)
{
    // The site's objects are read on the calling thread only.
    lane.Post([this, mode, clock, text = std::move(text), done, total, user = std::move(user)] {
        ChannelStep step;
        const auto group = mGroupOf.find(clock->DatabaseID());
        step.ChannelID = group != mGroupOf.end() ? group->second : clock->ChannelDescriptionID();
        step.Clock = clock;
        step.Text = user ? text + user->UserID() + " - " + user->Name() : text;
        step.Done = done;
        step.Total = total;
        mChannelProgress.Raise(mode, step);
    });
}

bool Synchronizer::CheckAbort()
{
    zel::support::PumpMessages();
    if (!mAbort)
        return false;
    if (!mAbortedRaised) {
        mAbortedRaised = true;
        mAborted.Raise();
    }
    return true;
}

bool Synchronizer::Checkpoint(ParallelGroups::Lane& lane)
{
    bool stop = false;
    lane.Call([&] { stop = CheckAbort(); });
    return stop || mStopped;
}

void Synchronizer::Stop(std::exception_ptr error)
{
    {
        std::lock_guard lock(mErrorLock);
        if (!mError)
            mError = std::move(error);
    }
    mStopped = true;
}

void Synchronizer::ReadSource(const std::shared_ptr<zel::support::IReader>& reader, ClockUserList& collected,
                              int& count)
{
    // A clock that holds no users gives its empty list at the cost of one short exchange, not
    // of a whole data bank.
    if (reader->UserCount() == 0)
        return;
    std::shared_ptr<zel::support::UserList> clockUsers = reader->GetUserList();
    if (!clockUsers)
        return;
    for (const auto& user : *clockUsers) {
        ++count;
        collected.push_back(user);
    }
}

void Synchronizer::Import(const ClockUsers& collected, zel::data::UserDescriptionList& users)
{
    for (const auto& clockUser : collected)
        ImportClockUser(users, *clockUser, false);
    users.Save(); // one commit for the changed users
}

void Synchronizer::WriteDestination(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                                    const std::vector<Outgoing>& outgoing, Tally& tally, ParallelGroups::Lane& lane)
{
    if (mClearDestinationClocks) {
        ReplaceUsers(reader, clock, outgoing, tally, lane);
        lane.Post([this, clock] { mReaderUploadComplete.Raise(DestinationMode, clock); });
        return;
    }
    // All users after one selection of the clock; SendingUser is told before each, and a user that
    // could not be built fails at its turn (the users before it stay sent).
    zel::support::VisitorList users;
    users.reserve(outgoing.size());
    for (const auto& next : outgoing)
        users.push_back(next.ClockUser);
    const int total = static_cast<int>(users.size());
    // What reached the clock: the users before the one at hand (sent, or whose answer was lost).
    auto tell = [&](bool uncertain) {
        zel::support::UserWrites writes;
        writes.Wanted = total;
        writes.Planned = true;
        writes.OneByOne = tally.Count;
        for (std::size_t k = static_cast<std::size_t>(tally.Count); k < outgoing.size(); ++k)
            writes.Lacking.push_back(outgoing[k].User ? outgoing[k].User->UserID() : std::string());
        if (uncertain && !writes.Lacking.empty())
            writes.Uncertain.push_back(writes.Lacking.front());
        tally.Writes = std::move(writes);
    };
    try {
        tally.Count = static_cast<int>(reader->SendUsers(users, [&](std::size_t k) {
            tally.Count = static_cast<int>(k); // the users sent so far, for the report if this one fails
            lane.Post([this, user = outgoing[k].User] { mSendingUser.Raise(DestinationMode, user); });
            if (outgoing[k].User)
                TellStep(lane, DestinationMode, clock, "Sending user: ", tally.Count, total, outgoing[k].User);
            if (outgoing[k].Error)
                std::rethrow_exception(outgoing[k].Error);
            return true;
        }));
    } catch (const std::exception& error) {
        tell(zel::support::MayHaveBeenCarriedOut(error));
        throw;
    }
    tell(false);
    lane.Post([this, clock] { mReaderUploadComplete.Raise(DestinationMode, clock); });
}

void Synchronizer::ReplaceUsers(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                                const std::vector<Outgoing>& outgoing, Tally& tally, ParallelGroups::Lane& lane)
{
    // A user that could not be built fails the clock before it is touched: nothing written.
    tally.Writes = zel::support::UserWrites{};
    tally.Writes->Wanted = static_cast<int>(outgoing.size());
    zel::support::VisitorList users;
    users.reserve(outgoing.size());
    for (const auto& next : outgoing) {
        if (next.Error)
            std::rethrow_exception(next.Error);
        users.push_back(next.ClockUser);
    }
    zel::support::UserReplacement replacement(*reader);
    const int total = static_cast<int>(outgoing.size());
    int written = 0;
    replacement.SetStep([&](const zel::support::UserReplacement::Step& step) {
        using Kind = zel::support::UserReplacement::Step::Kind;
        switch (step.What) {
        case Kind::Read:
            TellStep(lane, DestinationMode, clock,
                     "Reading the clock's users (bank " + std::to_string(step.Index + 1) + " of " +
                         std::to_string(step.Total) + ")");
            break;
        case Kind::Clear:
            TellStep(lane, DestinationMode, clock, "Clearing the clock: it holds no user that stays");
            break;
        case Kind::Remove:
            TellStep(lane, DestinationMode, clock, "Removing user " + step.UserID);
            break;
        case Kind::Bank:
        case Kind::Record:
            for (std::size_t k : step.Users)
                lane.Post([this, user = outgoing[k].User] { mSendingUser.Raise(DestinationMode, user); });
            if (step.What == Kind::Bank)
                TellStep(lane, DestinationMode, clock,
                         "Writing " + std::to_string(step.Users.size()) + " users in a data bank", written, total);
            else if (outgoing[step.Users.front()].User)
                TellStep(lane, DestinationMode, clock, "Sending user: ", written, total,
                         outgoing[step.Users.front()].User);
            written += static_cast<int>(step.Users.size());
            break;
        }
        return true; // an abort lets the clock at hand finish
    });
    try {
        replacement.Run(users);
    } catch (...) {
        tally.Writes = replacement.Writes();
        tally.Count = tally.Writes->Written();
        throw;
    }
    tally.Writes = replacement.Writes();
    tally.Count = tally.Writes->Written();
}

} // namespace zel::workflows
