// The lists' side of a site that several programs change at once: ChangeOps says what taking in
// another program's change (ApplyStoredChange) and reading an entry again (Reload) mean for the
// entries of each list; StoredChanges.h holds the steps they share.
#include "StoredChanges.h"

#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>
#include <exception>

namespace zel::data {

namespace {

using UserPtr = std::shared_ptr<UserDescription>;
using ClockPtr = std::shared_ptr<ReaderDescription>;
using BasePtr = std::shared_ptr<ChannelDescriptionBase>;

template <typename Elem>
std::shared_ptr<Elem> RemovedWithID(const std::deque<std::shared_ptr<Elem>>& deleted, std::int32_t id)
{
    for (const auto& removed : deleted)
        if (!removed->IsNew() && removed->DatabaseID() == id)
            return removed;
    return nullptr;
}

template <typename Elem> void Forget(std::deque<std::shared_ptr<Elem>>& deleted, const Elem* entry)
{
    deleted.erase(
        std::remove_if(deleted.begin(), deleted.end(), [&](const auto& removed) { return removed.get() == entry; }),
        deleted.end());
}

} // namespace

int DataSource::ApplyStoredChanges()
{
    auto& state = detail::DatabaseState::Current();
    if (!state.Connection || !state.Connection->IsOpen())
        return 0;
    int applied = 0;
    std::exception_ptr first;
    for (const auto& change : state.Connection->TakeChanges()) {
        try {
            bool done = false;
            if (change.Table == schema::Users && state.UserList)
                done = state.UserList->ApplyStoredChange(change);
            else if (change.Table == schema::Readers && state.ReaderList)
                done = state.ReaderList->ApplyStoredChange(change);
            else if (change.Table == schema::Channels && state.ChannelList)
                done = state.ChannelList->ApplyStoredChange(change);
            if (done)
                ++applied;
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    }
    if (first)
        std::rethrow_exception(first);
    return applied;
}

// Users ------------------------------------------------------------------------------------------

detail::EntryOps<UserPtr> UserDescriptionList::ChangeOps()
{
    detail::EntryOps<UserPtr> ops;
    ops.Table = schema::Users;
    ops.Find = [this](std::int32_t id) { return GetByDatabaseID(id); };
    ops.RemovedHere = [this](std::int32_t id) { return RemovedWithID(mDeleted, id); };
    ops.HasLocalEdits = [](const UserPtr& user) { return user->mIsDirty || user->mIsNew; };
    ops.ForgetRemoval = [this](const UserPtr& user) { Forget(mDeleted, user.get()); };
    ops.Make = [this](const Record& row) {
        UserPtr user(new UserDescription());
        detail::LoadRow(schema::Users, row, [&] { user->LoadFromRecord(row, weak_from_this()); });
        return user;
    };
    ops.Refresh = [this](const UserPtr& user, const UserPtr& fresh, const Record& row) {
        if (fresh->mUserID != user->mUserID) {
            const UserPtr* holder = mItems.Find(fresh->mUserID);
            if (holder != nullptr && holder->get() != user.get())
                return false;
            detail::MoveToEnd(mItems, user->mUserID, fresh->mUserID);
            mTracking.Enter(*user);
            mLongestUserID = std::max(mLongestUserID, fresh->mUserID.size());
        }
        NameChanging(*user, fresh->mName);
        user->LoadFromRecord(row, weak_from_this());
        user->mIsDeleted = false;
        detail::ListTracking<UserDescription>::Dequeue(*user);
        user->NotifyChanged();
        return true;
    };
    ops.Revive = [this](const UserPtr& user, const UserPtr&, const Record& row) {
        user->LoadFromRecord(row, weak_from_this());
        user->mIsDeleted = false;
        return user;
    };
    ops.Join = [this](const UserPtr& user) {
        if (mItems.AddUnlessHeld(user, user->mUserID) != nullptr)
            return false;
        Append(user);
        mItemAdded.Raise(user);
        NotifyListChanged();
        return true;
    };
    ops.Leave = [this](const UserPtr& user) {
        mItems.Remove(user->mUserID);
        mTracking.UnindexID(user.get(), user->mDatabaseID);
        if (mNamesIndexed)
            UnindexName(user.get());
        detail::ListTracking<UserDescription>::Leave(*user);
        detail::ListTracking<UserDescription>::Dequeue(*user);
        user->MarkDeleted();
        mItemRemoved.Raise(user);
        NotifyListChanged();
    };
    return ops;
}

bool UserDescriptionList::Reload(std::int32_t databaseID)
{
    auto ops = ChangeOps();
    auto entry = ops.Find(databaseID);
    if (!entry)
        entry = ops.RemovedHere(databaseID);
    return entry && detail::ReloadEntry(ops, entry, databaseID, entry->IsNew());
}

bool UserDescriptionList::ApplyStoredChange(const StoredChange& change)
{
    return detail::ApplyChange(ChangeOps(), change);
}

bool UserDescriptionList::Reload(const std::shared_ptr<UserDescription>& user)
{
    return user && detail::ReloadEntry(ChangeOps(), user, user->mDatabaseID, user->mIsNew);
}

// Clocks -----------------------------------------------------------------------------------------

detail::EntryOps<ClockPtr> ReaderDescriptionList::ChangeOps()
{
    detail::EntryOps<ClockPtr> ops;
    ops.Table = schema::Readers;
    ops.Find = [this](std::int32_t id) { return GetByDatabaseID(id); };
    ops.RemovedHere = [this](std::int32_t id) { return RemovedWithID(mDeleted, id); };
    ops.HasLocalEdits = [](const ClockPtr& clock) { return clock->mIsDirty || clock->mIsNew; };
    ops.ForgetRemoval = [this](const ClockPtr& clock) { Forget(mDeleted, clock.get()); };
    ops.Make = [this](const Record& row) {
        ClockPtr clock(new ReaderDescription());
        detail::LoadRow(schema::Readers, row, [&] { clock->LoadFromRecord(row); });
        clock->SetParentList(weak_from_this());
        return clock;
    };
    ops.Refresh = [this](const ClockPtr& clock, const ClockPtr& fresh, const Record& row) {
        if (fresh->mName != clock->mName) {
            const ClockPtr* holder = mItems.Find(fresh->mName);
            if (holder != nullptr && holder->get() != clock.get())
                return false;
            detail::MoveToEnd(mItems, clock->mName, fresh->mName);
            mTracking.Enter(*clock);
        }
        clock->LoadFromRecord(row);
        clock->mIsDeleted = false;
        detail::ListTracking<ReaderDescription>::Dequeue(*clock);
        clock->NotifyChanged();
        return true;
    };
    ops.Revive = [](const ClockPtr& clock, const ClockPtr&, const Record& row) {
        clock->LoadFromRecord(row);
        clock->mIsDeleted = false;
        return clock;
    };
    ops.Join = [this](const ClockPtr& clock) {
        if (mItems.AddUnlessHeld(clock, clock->mName) != nullptr)
            return false;
        mTracking.Enter(*clock);
        mTracking.IndexID(clock.get());
        mItemAdded.Raise(clock);
        NotifyListChanged();
        return true;
    };
    ops.Leave = [this](const ClockPtr& clock) {
        mItems.Remove(clock->mName);
        mTracking.UnindexID(clock.get(), clock->mDatabaseID);
        detail::ListTracking<ReaderDescription>::Leave(*clock);
        detail::ListTracking<ReaderDescription>::Dequeue(*clock);
        clock->MarkDeleted();
        mItemRemoved.Raise(clock);
        NotifyListChanged();
    };
    return ops;
}

bool ReaderDescriptionList::Reload(std::int32_t databaseID)
{
    auto ops = ChangeOps();
    auto entry = ops.Find(databaseID);
    if (!entry)
        entry = ops.RemovedHere(databaseID);
    return entry && detail::ReloadEntry(ops, entry, databaseID, entry->IsNew());
}

bool ReaderDescriptionList::ApplyStoredChange(const StoredChange& change)
{
    return detail::ApplyChange(ChangeOps(), change);
}

bool ReaderDescriptionList::Reload(const std::shared_ptr<ReaderDescription>& clock)
{
    return clock && detail::ReloadEntry(ChangeOps(), clock, clock->mDatabaseID, clock->mIsNew);
}

// Channels ---------------------------------------------------------------------------------------

detail::EntryOps<BasePtr> ChannelDescriptionList::ChangeOps()
{
    detail::EntryOps<BasePtr> ops;
    ops.Table = schema::Channels;
    ops.Find = [this](std::int32_t id) {
        ChannelDescriptionBase* channel = mTracking.FindID(id);
        return channel != nullptr ? channel->shared_from_this() : nullptr;
    };
    ops.RemovedHere = [this](std::int32_t id) { return RemovedWithID(mDeleted, id); };
    ops.HasLocalEdits = [](const BasePtr& channel) { return channel->mIsDirty || channel->mIsNew; };
    ops.ForgetRemoval = [this](const BasePtr& channel) { Forget(mDeleted, channel.get()); };
    ops.Make = [this](const Record& row) {
        BasePtr channel;
        detail::LoadRow(schema::Channels, row, [&] {
            std::string word = detail::ReadText(row, schema::Type);
            std::string type = FoldCase(word);
            if (type == "direct")
                channel.reset(new DirChnlDescription());
            else if (type == "ethernet")
                channel.reset(new EthChnlDescription());
            else if (type == "modem")
                channel.reset(new MdmChnlDescription());
            else
                detail::RaiseBadValue(schema::Channels, row, schema::Type,
                                      "the channel type '" + word + "' is none of Direct, Modem and Ethernet");
            channel->LoadFromRecord(row);
        });
        channel->SetParentList(weak_from_this());
        return channel;
    };
    // A channel whose row now holds another kind is replaced by one of that kind.
    ops.Refresh = [this](const BasePtr& channel, const BasePtr& fresh, const Record& row) {
        const std::string oldKey = FoldCase(channel->mName);
        const std::string newKey = FoldCase(fresh->mName);
        const std::shared_ptr<IChannelDescription>* holder = mItems.Find(newKey);
        if (holder != nullptr && holder->get() != static_cast<IChannelDescription*>(channel.get()))
            return false;
        if (fresh->ChannelType() != channel->ChannelType()) {
            auto leave = ChangeOps().Leave;
            leave(channel);
            return ChangeOps().Join(fresh);
        }
        if (fresh->mName != channel->mName) {
            detail::MoveToEnd(mItems, oldKey, newKey);
            mTracking.Enter(*channel);
        }
        channel->LoadFromRecord(row);
        detail::ListTracking<ChannelDescriptionBase>::Dequeue(*channel);
        NotifyItemChanged(channel);
        return true;
    };
    ops.Revive = [](const BasePtr& channel, const BasePtr& fresh, const Record& row) {
        if (fresh->ChannelType() != channel->ChannelType())
            return fresh;
        channel->LoadFromRecord(row);
        return channel;
    };
    ops.Join = [this](const BasePtr& channel) {
        if (mItems.AddUnlessHeld(channel, FoldCase(channel->mName)) != nullptr)
            return false;
        mTracking.Enter(*channel);
        mTracking.IndexID(channel.get());
        mItemAdded.Raise(channel);
        NotifyListChanged();
        return true;
    };
    ops.Leave = [this](const BasePtr& channel) {
        mItems.Remove(FoldCase(channel->mName));
        mTracking.UnindexID(channel.get(), channel->mDatabaseID);
        detail::ListTracking<ChannelDescriptionBase>::Leave(*channel);
        detail::ListTracking<ChannelDescriptionBase>::Dequeue(*channel);
        channel->MarkDeleted();
        mItemRemoved.Raise(channel);
        NotifyListChanged();
    };
    return ops;
}

bool ChannelDescriptionList::Reload(std::int32_t databaseID)
{
    auto ops = ChangeOps();
    auto entry = ops.Find(databaseID);
    if (!entry)
        entry = ops.RemovedHere(databaseID);
    return entry && detail::ReloadEntry(ops, entry, databaseID, entry->IsNew());
}

bool ChannelDescriptionList::ApplyStoredChange(const StoredChange& change)
{
    return detail::ApplyChange(ChangeOps(), change);
}

bool ChannelDescriptionList::Reload(const std::shared_ptr<IChannelDescription>& channel)
{
    auto base = std::dynamic_pointer_cast<ChannelDescriptionBase>(channel);
    return base && detail::ReloadEntry(ChangeOps(), base, base->mDatabaseID, base->mIsNew);
}

} // namespace zel::data
