#include "zel/data/ChannelDescriptionList.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "ListMechanics.h"
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
    return detail::FindByDatabaseID(mItems, id);
}

void ChannelDescriptionList::Save()
{
    detail::SaveAll(
        mDeleted, mItems, [](const auto& channel) { Base(channel).SaveChanges(); },
        [](const auto& channel) {
            auto& base = Base(channel);
            return !base.IsDeleted() && (base.IsNew() || base.IsDirty());
        });
}

bool ChannelDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mItems, mDeleted);
}

std::vector<std::shared_ptr<IChannelDescription>> ChannelDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void ChannelDescriptionList::RenameKey(const std::string& oldName, const std::string& newName)
{
    if (newName.empty())
        detail::Raise(errc::InvalidArgument, "Channel name cannot be empty.");
    if (Contains(newName))
        detail::Raise(errc::InvalidArgument, AlreadyExists(newName));
    if (!Contains(oldName))
        detail::Raise(errc::InvalidArgument, "The channel name '" + oldName + "' does not exist.");
    detail::MoveToEnd(mItems, FoldCase(oldName), FoldCase(newName));
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
