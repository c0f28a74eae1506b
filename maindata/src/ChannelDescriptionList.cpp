#include "zel/data/ChannelDescriptionList.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "SiteEditAudit.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/Record.h"

namespace zel::data {

namespace {

std::string AlreadyExists(const std::string& name)
{
    return "The channel name '" + name + "' already exists.";
}

using BasePtr = std::shared_ptr<ChannelDescriptionBase>;

} // namespace

ChannelDescriptionList::ChannelDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<ChannelDescriptionList> ChannelDescriptionList::Load()
{
    std::shared_ptr<ChannelDescriptionList> list(new ChannelDescriptionList());
    auto store = detail::CurrentStore();
    if (!store)
        return list;
    store->ReadAll(schema::Channels, [&](const Record& row) {
        std::shared_ptr<ChannelDescriptionBase> channel;
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
        channel->SetParentList(list);
        if (const auto* holder = list->mItems.AddUnlessHeld(channel, FoldCase(channel->mName)))
            detail::RaiseDuplicateKey(schema::Channels, std::to_string(channel->mDatabaseID), schema::Name,
                                      channel->mName, std::to_string((*holder)->DatabaseID()));
        list->mTracking.Enter(*channel);
        list->mTracking.AppendID(channel.get());
    });
    list->mTracking.SortIDs();
    return list;
}

std::shared_ptr<IChannelDescription> ChannelDescriptionList::Add(ChannelTypeEnum channelType, const std::string& name)
{
    if (Contains(name))
        detail::Raise(errc::InvalidArgument, AlreadyExists(name));
    std::shared_ptr<ChannelDescriptionBase> channel;
    switch (channelType) {
    case ModemChannel:
        channel.reset(new MdmChnlDescription());
        break;
    case DirectChannel:
        channel.reset(new DirChnlDescription());
        break;
    case EthernetChannel:
        channel.reset(new EthChnlDescription());
        break;
    default:
        detail::Raise(errc::InvalidArgument, "Invalid channel type.");
    }
    auto ops = Ops();
    if (detail::KeyHeldByPendingRow(mDeleted, mTracking, name, ops))
        detail::SaveList(mDeleted, mTracking, ops, [&] { channel->InsertNew(name); });
    else
        channel->InsertNew(name);
    channel->SetParentList(weak_from_this());
    mItems.Add(channel, FoldCase(name));
    mTracking.Enter(*channel);
    mTracking.IndexID(channel.get());
    mItemAdded.Raise(channel);
    NotifyListChanged();
    return channel;
}

bool ChannelDescriptionList::Contains(const std::string& name) const
{
    return mItems.Contains(FoldCase(name));
}

void ChannelDescriptionList::Remove(const std::string& name)
{
    auto channel = mItems.Item(FoldCase(name));
    detail::RefuseIfReadOnly();
    mItems.Remove(FoldCase(name));
    auto base = std::static_pointer_cast<ChannelDescriptionBase>(channel);
    mTracking.UnindexID(base.get(), base->mDatabaseID);
    detail::ListTracking<ChannelDescriptionBase>::Leave(*base);
    mDeleted.push_back(base);
    base->MarkDeleted();
    mItemRemoved.Raise(channel);
    NotifyListChanged();
}

std::shared_ptr<IChannelDescription> ChannelDescriptionList::Item(int position) const
{
    return mItems.Item(position);
}

std::shared_ptr<IChannelDescription> ChannelDescriptionList::Item(const std::string& name) const
{
    return mItems.Item(FoldCase(name));
}

std::shared_ptr<IChannelDescription> ChannelDescriptionList::GetByDatabaseID(std::int32_t id) const
{
    ChannelDescriptionBase* channel = mTracking.FindID(id);
    return channel != nullptr ? std::static_pointer_cast<IChannelDescription>(channel->shared_from_this()) : nullptr;
}

void ChannelDescriptionList::Save()
{
    detail::SaveList(mDeleted, mTracking, Ops());
}

bool ChannelDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mDeleted, mTracking);
}

std::vector<std::shared_ptr<IChannelDescription>> ChannelDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void ChannelDescriptionList::RenameKey(const std::string& oldName, const std::string& newName,
                                       const ChannelDescriptionBase* self)
{
    if (newName.empty())
        detail::Raise(errc::InvalidArgument, "Channel name cannot be empty.");
    if (Contains(newName))
        detail::Raise(errc::InvalidArgument, AlreadyExists(newName));
    const std::shared_ptr<IChannelDescription>* held = mItems.Find(FoldCase(oldName));
    if (held == nullptr || held->get() != static_cast<const IChannelDescription*>(self))
        detail::Raise(errc::InvalidArgument, "The channel name '" + oldName + "' does not exist.");
    auto moved = detail::MoveToEnd(mItems, FoldCase(oldName), FoldCase(newName));
    mTracking.Enter(*std::static_pointer_cast<ChannelDescriptionBase>(moved));
}

void ChannelDescriptionList::QueueForSave(const std::shared_ptr<ChannelDescriptionBase>& channel)
{
    mTracking.Queue(channel);
}

detail::TrackingOps<BasePtr> ChannelDescriptionList::Ops()
{
    detail::TrackingOps<BasePtr> ops;
    ops.IsNew = [](const BasePtr& channel) { return channel->mIsNew; };
    ops.IsDirty = [](const BasePtr& channel) { return channel->mIsDirty; };
    ops.IsDeleted = [](const BasePtr& channel) { return channel->mIsDeleted; };
    ops.Key = [](const BasePtr& channel) { return channel->mName; };
    ops.StoredKey = [](const BasePtr& channel) { return channel->mStoredName; };
    // Each write appends its row to the audit trail in the same transaction (an insert: see
    // ChannelDescriptionBase::WriteInsert).
    ops.WriteDelete = [](const BasePtr& channel) {
        detail::AuditedWrite([&] { detail::RequireStore().Delete(schema::Channels, channel->mDatabaseID); },
                             [&] { return detail::ChannelEdit("channel-remove", *channel, channel->mStoredName); });
    };
    ops.WriteInsert = [](const BasePtr& channel) { return channel->WriteInsert(); };
    ops.WriteUpdate = [](const BasePtr& channel) {
        detail::AuditedWrite(
            [&] {
                if (detail::RequireStore().Update(schema::Channels, channel->mDatabaseID, channel->WriteFields()) == 0)
                    detail::Raise(errc::NoCurrentRecord,
                                  "Either BOF or EOF is True, or the current record has been deleted. "
                                  "Requested operation requires a current record.");
            },
            [&] { return detail::ChannelEdit("channel-change", *channel, channel->mStoredName); });
    };
    ops.ParkKey = [](const BasePtr& channel) {
        detail::RequireStore().Update(schema::Channels, channel->mDatabaseID,
                                      {{schema::Name, detail::FromText(detail::ParkedKey(channel->mDatabaseID))}});
    };
    ops.AppliedDelete = [](const BasePtr& channel) { channel->MarkNew(); };
    ops.AppliedInsert = [](const BasePtr& channel, std::int32_t id) {
        channel->mDatabaseID = id;
        channel->mStoredName = channel->mName;
        channel->MarkClean();
    };
    ops.AppliedUpdate = [](const BasePtr& channel) {
        // A channel that an event handler removed meanwhile stays removed.
        bool deleted = channel->mIsDeleted;
        channel->mStoredName = channel->mName;
        channel->MarkClean();
        channel->mIsDeleted = deleted;
    };
    ops.Notify = [](const BasePtr& channel) {
        if (auto list = channel->mParentList.lock())
            list->NotifyItemChanged(channel);
    };
    return ops;
}

void ChannelDescriptionList::NotifyListChanged()
{
    mListChanged.Raise();
}

void ChannelDescriptionList::NotifyItemChanged(const std::shared_ptr<IChannelDescription>& sender)
{
    mListItemChanged.Raise(sender);
}

} // namespace zel::data
