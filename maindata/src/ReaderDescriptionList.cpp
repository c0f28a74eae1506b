#include "zel/data/ReaderDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
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

std::shared_ptr<ReaderDescription> ReaderDescriptionList::Add(std::uint8_t readerID, const std::string& name,
                                                              const std::shared_ptr<IChannelDescription>& channel)
{
    if (!channel)
        detail::Raise(errc::ObjectNotSet, "Object variable or With block variable not set (no channel description)");
    // A second clock of one name would keep the file from loading: refuse it before any row.
    if (!name.empty() && Contains(name))
        detail::Raise(errc::InvalidArgument, "Reader '" + name + "' already exists.");
    auto clock = ReaderDescriptionDB().Create(readerID, name, channel->DatabaseID());
    clock->SetParentList(weak_from_this());
    mItems.Add(clock, name);
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
    mItems.Remove(name);
    mDeleted.push_back(clock);
    clock->MarkDeleted();
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
    detail::SaveAll(
        mDeleted, mItems, [](const auto& clock) { clock->SaveChanges(); },
        [](const auto& clock) { return !clock->IsDeleted() && (clock->IsNew() || clock->IsDirty()); });
}

bool ReaderDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mItems, mDeleted);
}

std::vector<std::shared_ptr<ReaderDescription>> ReaderDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void ReaderDescriptionList::RenameKey(const std::string& oldKey, const std::string& newKey)
{
    if (mItems.Contains(newKey))
        detail::Raise(errc::InvalidArgument, "Reader '" + newKey + "' already exists.");
    if (!mItems.Contains(oldKey))
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
