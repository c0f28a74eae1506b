#include "zel/data/ChannelDescriptionList.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/Record.h"

namespace zel::data {

namespace {

// Every item of the list is one of the library's own kinds.
ChannelDescriptionBase& Base(const std::shared_ptr<IChannelDescription>& channel)
{
    return static_cast<ChannelDescriptionBase&>(*channel);
}

std::string AlreadyExists(const std::string& name)
{
    return "The channel name '" + name + "' already exists.";
}

} // namespace

ChannelDescriptionList::ChannelDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<ChannelDescriptionList> ChannelDescriptionList::Load()
{
    std::shared_ptr<ChannelDescriptionList> list(new ChannelDescriptionList());
    auto store = detail::CurrentStore();
    if (!store)
        return list;
    store->ReadAll(schema::Channels, [&](const Record& row) {
        std::string type = FoldCase(detail::ToText(row.Value(schema::Type)));
        std::shared_ptr<ChannelDescriptionBase> channel;
        if (type == "direct")
            channel.reset(new DirChnlDescription());
        else if (type == "ethernet")
            channel.reset(new EthChnlDescription());
        else if (type == "modem")
            channel.reset(new MdmChnlDescription());
        else
            detail::Raise(errc::TypeMismatch,
                          "Unknown channel type '" + detail::ToText(row.Value(schema::Type)) + "' in table Channels.");
        channel->LoadFromRecord(row);
        channel->SetParentList(list);
        list->mItems.Add(channel, FoldCase(channel->Name()));
    });
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
    channel->InsertNew(name);
    channel->SetParentList(weak_from_this());
    mItems.Add(channel, FoldCase(name));
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
    mItems.Remove(FoldCase(name));
    auto base = std::static_pointer_cast<ChannelDescriptionBase>(channel);
    mDeleted.push_back(base);
    base->MarkDeleted();
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
    for (const auto& channel : mItems)
        if (channel->DatabaseID() == id)
            return channel;
    return nullptr;
}

void ChannelDescriptionList::Save()
{
    // As for users: a removal leaves the set once its row is gone, so a later Save goes on
    // where a failed one stopped.
    while (!mDeleted.empty()) {
        mDeleted.front()->SaveChanges();
        mDeleted.pop_front();
    }
    for (const auto& channel : Items()) {
        if (!Base(channel).IsDeleted())
            Base(channel).SaveChanges();
    }
}

bool ChannelDescriptionList::IsDirty() const
{
    if (!mDeleted.empty())
        return true;
    for (const auto& channel : mItems)
        if (channel->IsDirty())
            return true;
    return false;
}

std::vector<std::shared_ptr<IChannelDescription>> ChannelDescriptionList::Items() const
{
    std::vector<std::shared_ptr<IChannelDescription>> items;
    items.reserve(static_cast<std::size_t>(mItems.Count()));
    for (const auto& channel : mItems)
        items.push_back(channel);
    return items;
}

void ChannelDescriptionList::RenameKey(const std::string& oldName, const std::string& newName)
{
    if (newName.empty())
        detail::Raise(errc::InvalidArgument, "Channel name cannot be empty.");
    if (Contains(newName))
        detail::Raise(errc::InvalidArgument, AlreadyExists(newName));
    if (!Contains(oldName))
        detail::Raise(errc::InvalidArgument, "The channel name '" + oldName + "' does not exist.");
    auto channel = mItems.Item(FoldCase(oldName));
    mItems.Remove(FoldCase(oldName));
    mItems.Add(channel, FoldCase(newName));
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
