#include "zel/data/ReaderDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionDB.h"

namespace zel::data {

ReaderDescriptionList::ReaderDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<ReaderDescriptionList> ReaderDescriptionList::Load()
{
    std::shared_ptr<ReaderDescriptionList> list(new ReaderDescriptionList());
    auto rows = ReaderDescriptionDB().GetList();
    for (const auto& clock : rows) {
        clock->SetParentList(list);
        list->mItems.Add(clock, clock->Name());
    }
    return list;
}

using ClockPtr = std::shared_ptr<ReaderDescription>;

detail::TrackingOps<ClockPtr> ReaderDescriptionList::Ops()
{
    detail::TrackingOps<ClockPtr> ops;
    ops.IsNew = [](const ClockPtr& clock) { return clock->mIsNew; };
    ops.IsDirty = [](const ClockPtr& clock) { return clock->mIsDirty; };
    ops.IsDeleted = [](const ClockPtr& clock) { return clock->mIsDeleted; };
    ops.Key = [](const ClockPtr& clock) { return clock->mName; };
    ops.StoredKey = [](const ClockPtr& clock) { return clock->mStoredName; };
    ops.WriteDelete = [](const ClockPtr& clock) { ReaderDescriptionDB().Delete(clock->mDatabaseID); };
    ops.WriteInsert = [](const ClockPtr& clock) { return ReaderDescriptionDB().Insert(*clock); };
    ops.WriteUpdate = [](const ClockPtr& clock) { ReaderDescriptionDB().Update(*clock); };
    ops.ParkKey = [](const ClockPtr& clock) {
        detail::RequireStore().Update(schema::Readers, clock->mDatabaseID,
                                      {{schema::Name, detail::FromText(detail::ParkedKey(clock->mDatabaseID))}});
    };
    ops.AppliedDelete = [](const ClockPtr& clock) { clock->MarkNew(); };
    ops.AppliedInsert = [](const ClockPtr& clock, std::int32_t id) {
        clock->mDatabaseID = id;
        clock->mStoredName = clock->mName;
        clock->MarkClean();
    };
    ops.AppliedUpdate = [](const ClockPtr& clock) {
        clock->mStoredName = clock->mName;
        clock->MarkClean();
    };
    ops.Notify = [](const ClockPtr& clock) { clock->NotifyChanged(); };
    return ops;
}

std::shared_ptr<ReaderDescription> ReaderDescriptionList::Add(std::uint8_t readerID, const std::string& name,
                                                              const std::shared_ptr<IChannelDescription>& channel)
{
    if (!channel)
        detail::Raise(errc::ObjectNotSet, "Object variable or With block variable not set (no channel description)");
    // A second clock of one name would keep the file from loading: refuse it before any row.
    if (!name.empty() && Contains(name))
        detail::Raise(errc::InvalidArgument, "Reader '" + name + "' already exists.");
    std::shared_ptr<ReaderDescription> clock;
    auto ops = Ops();
    if (detail::KeyHeldByPendingRow(mDeleted, detail::Snapshot(mItems), name, ops)) {
        detail::SaveList(mDeleted, detail::Snapshot(mItems), ops,
                         [&] { clock = ReaderDescriptionDB().Create(readerID, name, channel->DatabaseID()); });
    } else {
        clock = ReaderDescriptionDB().Create(readerID, name, channel->DatabaseID());
    }
    clock->SetParentList(weak_from_this());
    mItems.Add(clock, name);
    mItemAdded.Raise(clock);
    NotifyListChanged();
    return clock;
}

ReaderGroupCollection ReaderDescriptionList::GetReaderGroups() const
{
    ReaderGroupCollection groups(ErrorSource);
    std::shared_ptr<ChannelDescriptionList> channels;
    try {
        channels = DataSource().GetChannelDescriptionList();
    } catch (...) {
        return groups;
    }
    for (const auto& clock : mItems) {
        try {
            auto channel = channels->GetByDatabaseID(clock->ChannelDescriptionID());
            if (!channel)
                continue;
            auto* found = groups.Find(channel->Name());
            std::shared_ptr<ReaderGroup> group;
            if (found != nullptr) {
                group = *found;
            } else {
                group.reset(new ReaderGroup());
                group->SetChannel(channel);
                groups.Add(group, channel->Name());
            }
            group->AddReader(clock);
        } catch (...) {
            // A clock that cannot be grouped is left out.
        }
    }
    return groups;
}

bool ReaderDescriptionList::Contains(const std::string& name) const
{
    return mItems.Contains(name);
}

void ReaderDescriptionList::Remove(const std::string& name)
{
    auto clock = mItems.Item(name);
    detail::RefuseIfReadOnly();
    mItems.Remove(name);
    mDeleted.push_back(clock);
    clock->MarkDeleted();
    mItemRemoved.Raise(clock);
    NotifyListChanged();
}

std::shared_ptr<ReaderDescription> ReaderDescriptionList::Item(int position) const
{
    return mItems.Item(position);
}

std::shared_ptr<ReaderDescription> ReaderDescriptionList::Item(const std::string& name) const
{
    return mItems.Item(name);
}

std::shared_ptr<ReaderDescription> ReaderDescriptionList::GetByDatabaseID(std::int32_t id) const
{
    return detail::FindByDatabaseID(mItems, id);
}

void ReaderDescriptionList::Save()
{
    detail::SaveList(mDeleted, detail::Snapshot(mItems), Ops());
}

bool ReaderDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mItems, mDeleted);
}

std::vector<std::shared_ptr<ReaderDescription>> ReaderDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void ReaderDescriptionList::RenameKey(const std::string& oldKey, const std::string& newKey,
                                      const ReaderDescription* self)
{
    if (mItems.Contains(newKey))
        detail::Raise(errc::InvalidArgument, "Reader '" + newKey + "' already exists.");
    if (!detail::HoldsUnder(mItems, oldKey, self))
        detail::Raise(errc::InvalidArgument, "Reader '" + oldKey + "' does not exist.");
    detail::MoveToEnd(mItems, oldKey, newKey);
}

void ReaderDescriptionList::NotifyListChanged()
{
    mListChanged.Raise();
}

void ReaderDescriptionList::NotifyItemChanged(const std::shared_ptr<ReaderDescription>& sender)
{
    mListItemChanged.Raise(sender);
}

} // namespace zel::data
