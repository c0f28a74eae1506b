#include "zel/workflows/Synchronizer.h"

#include "zel/workflows/UserTransfer.h"

#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"

#include <exception>

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
    mClearDestinationClocks = ClearDestinationClocks;
    mReport = CommandReport("Synchronize");
    mErrorTold = false;
    const auto sources = ToVector(Source);
    const auto destinations = ToVector(Destination);
    for (const auto& clock : sources)
        if (clock)
            mReport.Plan(clock->Name(), clock->DatabaseID(), ClockReport::Task::Read);
    for (const auto& clock : destinations)
        if (clock)
            mReport.Plan(clock->Name(), clock->DatabaseID(), ClockReport::Task::Send);
    try {
        Run(sources, destinations);
    } catch (const std::exception& error) {
        mReport.End(CommandReport::Ending::Error, mErrorTold ? std::string() : ReportedErrorText(error));
        throw;
    } catch (...) {
        mReport.End(CommandReport::Ending::Error, mErrorTold ? std::string() : "The synchronization failed.");
        throw;
    }
}

void Synchronizer::Run(const std::vector<ReaderPtr>& sources, const std::vector<ReaderPtr>& destinations)
{
    mBeginSynchornize.Raise();
    std::vector<ChannelGroup> sourceGroups = GroupByChannel(sources);
    if (mAbort) {
        CheckAbort();
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }

    // Source phase: collect the users of every source clock; the first clock to give an ID wins.
    ClockUsers collected("Synchronizer");
    for (const auto& group : sourceGroups) {
        bool go = RunGroup(SourceMode, group,
                           [&](const auto& reader, const auto&, int& count) { ReadSource(reader, collected, count); });
        if (!go || mAbort)
            break;
    }

    // Import, also after an abort: what was read is kept.
    auto users = zel::data::DataSource().GetUserDescriptionList();
    Import(collected, *users);

    std::vector<UserPtr> enrolled;
    for (const auto& user : *users)
        if (user->Enrolled())
            enrolled.push_back(user);
    std::vector<ChannelGroup> destinationGroups = GroupByChannel(destinations);

    if (mAbort) {
        CheckAbort();
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }
    for (const auto& group : destinationGroups) {
        if (mAbort)
            break;
        bool go = RunGroup(DestinationMode, group, [&](const auto& reader, const auto& clock, int& count) {
            WriteDestination(reader, clock, enrolled, count);
        });
        if (!go)
            break;
    }
    if (mAbort) {
        CheckAbort();
        mReport.End(CommandReport::Ending::Cancelled);
        return;
    }
    mReport.End(CommandReport::Ending::Completed);
    mEndSynchronize.Raise();
}

bool Synchronizer::RunGroup(int mode, const ChannelGroup& group, const ReaderWork& work)
{
    const bool source = mode == SourceMode;
    const auto task = source ? ClockReport::Task::Read : ClockReport::Task::Send;
    auto rowOf = [&](const ReaderPtr& clock) { return mReport.Find(clock->DatabaseID(), task); };
    std::shared_ptr<zel::support::Channel> channel;
    ChannelGuard guard(channel);
    bool first = true;
    bool aborted = false;
    for (const auto& clock : group.Clocks) {
        if (CheckAbort()) {
            aborted = true; // this clock and the rest stay unreached: cancelled
            break;
        }
        if (first) {
            first = false;
            mEstablishingConnection.Raise(mode, group.ChannelID);
            std::string why;
            try {
                channel = mMakeChannel(group.ChannelID);
                if (channel)
                    channel->Connect();
                else
                    why = NoChannelReason(group.ChannelID);
            } catch (const std::exception& error) {
                channel.reset(); // a channel that cannot be made counts as not connected
                why = ReportedErrorText(error);
            }
            if (!channel || !channel->IsConnected()) {
                for (const auto& member : group.Clocks)
                    mReport.SetNotConnected(rowOf(member), why);
                mConnectionFailed.Raise(mode, group.ChannelID);
                return true;
            }
            mConnected.Raise(mode, group.ChannelID);
        }

        const std::size_t row = rowOf(clock);
        mConnectingToReader.Raise(mode, clock);
        std::shared_ptr<zel::support::IReader> reader;
        std::string lookupError;
        try {
            reader = channel->GetReader(clock->ReaderID());
        } catch (const std::exception& error) {
            if (!source) {
                mReport.SetFailed(row, ReportedErrorText(error));
                mErrorTold = true;
                throw;
            }
            lookupError = ReportedErrorText(error); // a source clock that fails gives nothing
        }
        if (CheckAbort()) {
            aborted = true;
            break;
        }
        if (!reader) {
            if (lookupError.empty())
                mReport.SetNotAnswering(row);
            else
                mReport.SetFailed(row, lookupError);
            mReaderNotFound.Raise(mode, clock);
            continue;
        }
        mReaderFound.Raise(mode, clock);
        int count = 0;
        try {
            work(reader, clock, count);
            mReport.SetDone(row, count);
        } catch (const std::exception& error) {
            mReport.SetFailed(row, ReportedErrorText(error), count);
            if (!source) {
                mErrorTold = true;
                throw;
            }
            // A source clock that fails gives nothing more; the phase goes on.
        }
    }
    if (channel && channel->IsConnected()) {
        channel->Disconnect();
        mDisconnecting.Raise(mode, group.ChannelID);
    }
    return !aborted;
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

void Synchronizer::ReadSource(const std::shared_ptr<zel::support::IReader>& reader, ClockUsers& collected, int& count)
{
    std::shared_ptr<zel::support::UserList> clockUsers = reader->GetUserList();
    if (!clockUsers)
        return;
    for (const auto& user : *clockUsers) {
        ++count;
        const std::string id = user->ID();
        if (!id.empty() && !collected.Contains(id))
            collected.Add(user, id);
    }
}

void Synchronizer::Import(const ClockUsers& collected, zel::data::UserDescriptionList& users)
{
    for (const auto& clockUser : collected)
        ImportClockUser(users, *clockUser);
}

void Synchronizer::WriteDestination(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                                    const std::vector<UserPtr>& enrolled, int& count)
{
    if (mClearDestinationClocks)
        reader->RemoveAllUsers();
    for (const auto& user : enrolled) {
        mSendingUser.Raise(DestinationMode, user);
        reader->SendUser(MakeExtendedUser(*user));
        ++count;
        zel::support::PumpMessages();
    }
    mReaderUploadComplete.Raise(DestinationMode, clock);
}

} // namespace zel::workflows
