#include "workflows/Synchronizer.h"

#include "pages/UserTransfer.h"

#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"

#include <exception>

namespace zel::ui {
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
    mBeginSynchornize.Raise();
    mClearDestinationClocks = ClearDestinationClocks;
    std::vector<ChannelGroup> sourceGroups = GroupByChannel(ToVector(Source));
    if (mAbort) {
        CheckAbort();
        return;
    }

    // Source phase: collect the users of every source clock; the first clock to give an ID wins.
    ClockUsers collected("Synchronizer");
    for (const auto& group : sourceGroups) {
        bool go = RunGroup(SourceMode, group, [&](const auto& reader, const auto&) { ReadSource(reader, collected); });
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
    std::vector<ChannelGroup> destinationGroups = GroupByChannel(ToVector(Destination));

    if (mAbort) {
        CheckAbort();
        return;
    }
    for (const auto& group : destinationGroups) {
        if (mAbort)
            break;
        bool go = RunGroup(DestinationMode, group,
                           [&](const auto& reader, const auto& clock) { WriteDestination(reader, clock, enrolled); });
        if (!go)
            break;
    }
    if (mAbort) {
        CheckAbort();
        return;
    }
    mEndSynchronize.Raise();
}

bool Synchronizer::RunGroup(int mode, const ChannelGroup& group, const ReaderWork& work)
{
    const bool source = mode == SourceMode;
    std::shared_ptr<zel::support::Channel> channel;
    ChannelGuard guard(channel);
    bool first = true;
    bool aborted = false;
    for (const auto& clock : group.Clocks) {
        if (CheckAbort()) {
            aborted = true;
            break;
        }
        if (first) {
            first = false;
            mEstablishingConnection.Raise(mode, group.ChannelID);
            try {
                channel = mMakeChannel(group.ChannelID);
                if (channel)
                    channel->Connect();
            } catch (const std::exception&) {
                if (!source)
                    throw;
                channel.reset(); // a source channel that cannot be made counts as not connected
            }
            if (!channel || !channel->IsConnected()) {
                mConnectionFailed.Raise(mode, group.ChannelID);
                return true;
            }
            mConnected.Raise(mode, group.ChannelID);
        }

        mConnectingToReader.Raise(mode, clock);
        std::shared_ptr<zel::support::IReader> reader;
        try {
            reader = channel->GetReader(clock->ReaderID());
        } catch (const std::exception&) {
            if (!source)
                throw;
        }
        if (CheckAbort()) {
            aborted = true;
            break;
        }
        if (!reader) {
            mReaderNotFound.Raise(mode, clock);
            continue;
        }
        mReaderFound.Raise(mode, clock);
        work(reader, clock);
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

void Synchronizer::ReadSource(const std::shared_ptr<zel::support::IReader>& reader, ClockUsers& collected)
{
    std::shared_ptr<zel::support::UserList> clockUsers;
    try {
        clockUsers = reader->GetUserList();
    } catch (const std::exception&) {
        return; // a source clock that fails counts as one that gave nothing
    }
    if (!clockUsers)
        return;
    for (const auto& user : *clockUsers) {
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
                                    const std::vector<UserPtr>& enrolled)
{
    if (mClearDestinationClocks)
        reader->RemoveAllUsers();
    for (const auto& user : enrolled) {
        mSendingUser.Raise(DestinationMode, user);
        reader->SendUser(MakeExtendedUser(*user));
        zel::support::PumpMessages();
    }
    mReaderUploadComplete.Raise(DestinationMode, clock);
}

} // namespace zel::ui
