#pragma once

#include "zel/Event.h"
#include "zel/KeyedCollection.h"
#include "zel/data/ChannelTypeEnum.h"
#include "zel/data/IChannelDescription.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class DataSource;
class ChannelDescriptionBase;

// All channels of the site, keyed by Name (letter case not counted), in list order. Obtained from
// DataSource::GetChannelDescriptionList. Add writes the new row at once; changes and removals are
// written by Save.
class ChannelDescriptionList : public std::enable_shared_from_this<ChannelDescriptionList> {
public:
    using Collection = zel::KeyedCollection<std::shared_ptr<IChannelDescription>>;

    ChannelDescriptionList(const ChannelDescriptionList&) = delete;
    ChannelDescriptionList& operator=(const ChannelDescriptionList&) = delete;

    // Stores a channel of the given kind with its defaults and returns it clean. Error 5 "The
    // channel name 'X' already exists." or "Invalid channel type."; then nothing is stored.
    std::shared_ptr<IChannelDescription> Add(ChannelTypeEnum channelType, const std::string& name);
    bool Contains(const std::string& name) const;
    // Error 5 for a missing name. The row is deleted at the next Save.
    void Remove(const std::string& name);
    // 1-based position (error 9) or name in any letter case (error 5).
    std::shared_ptr<IChannelDescription> Item(int position) const;
    std::shared_ptr<IChannelDescription> Item(const std::string& name) const;
    // nullptr when no channel of the list has that DatabaseID.
    std::shared_ptr<IChannelDescription> GetByDatabaseID(std::int32_t id) const;
    int Count() const noexcept { return mItems.Count(); }
    // Writes removals (in removal order), then every changed channel (in list order). Stops at
    // the first failure (a changed channel whose row has vanished gives error 3021); what was
    // written stays written and a later Save goes on.
    void Save();
    bool IsDirty() const;

    Collection::Iterator begin() const { return mItems.begin(); }
    Collection::Iterator end() const { return mItems.end(); }
    std::vector<std::shared_ptr<IChannelDescription>> Items() const;

    zel::Event<>& ListChanged() noexcept { return mListChanged; }
    zel::Event<std::shared_ptr<IChannelDescription>>& ListItemChanged() noexcept { return mListItemChanged; }

private:
    friend class DataSource;
    friend class ChannelDescriptionBase;

    ChannelDescriptionList();
    static std::shared_ptr<ChannelDescriptionList> Load();

    void RenameKey(const std::string& oldName, const std::string& newName);
    void NotifyListChanged();
    void NotifyItemChanged(const std::shared_ptr<IChannelDescription>& sender);

    Collection mItems;
    std::deque<std::shared_ptr<ChannelDescriptionBase>> mDeleted;
    zel::Event<> mListChanged;
    zel::Event<std::shared_ptr<IChannelDescription>> mListItemChanged;
};

} // namespace zel::data
