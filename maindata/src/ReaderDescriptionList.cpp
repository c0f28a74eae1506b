#include "zel/data/ReaderDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "SiteEditAudit.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionDB.h"
#include "zel/data/Record.h"

namespace zel::data {

ReaderDescriptionList::ReaderDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<ReaderDescriptionList> ReaderDescriptionList::Load()
{
    std::shared_ptr<ReaderDescriptionList> list(new ReaderDescriptionList());
    auto store = detail::CurrentStore();
    if (!store || !store->IsOpen())
        return list;
    // One pass over the rows builds the list; a second row of one name is reported at that row.
    store->ReadAll(schema::Readers, [&](const Record& row) {
        std::shared_ptr<ReaderDescription> clock(new ReaderDescription());
        detail::LoadRow(schema::Readers, row, [&] { clock->LoadFromRecord(row); });
        if (const auto* holder = list->mItems.AddUnlessHeld(clock, clock->mName))
            detail::RaiseDuplicateKey(schema::Readers, std::to_string(clock->mDatabaseID), schema::Name, clock->mName,
                                      std::to_string((*holder)->mDatabaseID));
        clock->SetParentList(list);
        list->mTracking.Enter(*clock);
        list->mTracking.AppendID(clock.get());
    });
    list->mTracking.SortIDs();
    return list;
}

using ClockPtr = std::shared_ptr<ReaderDescription>;

std::shared_ptr<ReaderDescription> ReaderDescriptionList::CreateRow(std::uint8_t readerID, const std::string& name,
                                                                    std::int32_t channelID)
{
    std::shared_ptr<ReaderDescription> clock;
    detail::AuditedWrite([&] { clock = ReaderDescriptionDB().Create(readerID, name, channelID); },
                         [&] { return detail::ClockEdit("clock-add", *clock, {}); });
    return clock;
}

detail::TrackingOps<ClockPtr> ReaderDescriptionList::Ops()
{
    detail::TrackingOps<ClockPtr> ops;
    ops.IsNew = [](const ClockPtr& clock) { return clock->mIsNew; };
    ops.IsDirty = [](const ClockPtr& clock) { return clock->mIsDirty; };
    ops.IsDeleted = [](const ClockPtr& clock) { return clock->mIsDeleted; };
    ops.Key = [](const ClockPtr& clock) { return clock->mName; };
    ops.StoredKey = [](const ClockPtr& clock) { return clock->mStoredName; };
    // Each write appends its row to the audit trail in the same transaction.
    ops.WriteDelete = [](const ClockPtr& clock) {
        detail::AuditedWrite([&] { ReaderDescriptionDB().Delete(clock->mDatabaseID); },
                             [&] { return detail::ClockEdit("clock-remove", *clock, clock->mStoredName); });
    };
    ops.WriteInsert = [](const ClockPtr& clock) {
        std::int32_t id = 0;
        detail::AuditedWrite([&] { id = ReaderDescriptionDB().Insert(*clock); },
                             [&] {
                                 auto entry = detail::ClockEdit("clock-add", *clock, {});
                                 entry.ClockID = id;
                                 return entry;
                             });
        return id;
    };
    ops.WriteUpdate = [](const ClockPtr& clock) {
        detail::AuditedWrite([&] { ReaderDescriptionDB().Update(*clock); },
                             [&] { return detail::ClockEdit("clock-change", *clock, clock->mStoredName); });
    };
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
    if (detail::KeyHeldByPendingRow(mDeleted, mTracking, name, ops)) {
        detail::SaveList(mDeleted, mTracking, ops, [&] { clock = CreateRow(readerID, name, channel->DatabaseID()); });
    } else {
        clock = CreateRow(readerID, name, channel->DatabaseID());
    }
    clock->SetParentList(weak_from_this());
    mItems.Add(clock, name);
    mTracking.Enter(*clock);
    mTracking.IndexID(clock.get());
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
    mTracking.UnindexID(clock.get(), clock->mDatabaseID);
    detail::ListTracking<ReaderDescription>::Leave(*clock);
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
    ReaderDescription* clock = mTracking.FindID(id);
    return clock != nullptr ? clock->shared_from_this() : nullptr;
}

void ReaderDescriptionList::Save()
{
    detail::SaveList(mDeleted, mTracking, Ops());
}

bool ReaderDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mDeleted, mTracking);
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
    auto clock = detail::MoveToEnd(mItems, oldKey, newKey);
    mTracking.Enter(*clock);
}

void ReaderDescriptionList::QueueForSave(const std::shared_ptr<ReaderDescription>& clock)
{
    mTracking.Queue(clock);
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
