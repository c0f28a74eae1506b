#pragma once

#include "zel/Event.h"
#include "zel/KeyedCollection.h"
#include "zel/data/ChannelTypeEnum.h"
#include "zel/data/IChannelDescription.h"
#include "zel/data/ListTracking.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class DataSource;
class ChannelDescriptionBase;
struct StoredChange;
namespace detail {
template <typename Item> struct TrackingOps;
template <typename Ptr> struct EntryOps;
} // namespace detail

// All channels of the site, keyed by Name (letter case not counted), in list order. Obtained from
// DataSource::GetChannelDescriptionList. Add writes the new row at once; changes and removals are
// written by Save.
class ChannelDescriptionList : public std::enable_shared_from_this<ChannelDescriptionList> {
public:
    using Collection = zel::KeyedCollection<std::shared_ptr<IChannelDescription>>;

    ChannelDescriptionList(const ChannelDescriptionList&) = delete;
    ChannelDescriptionList& operator=(const ChannelDescriptionList&) = delete;

    // Stores a channel of the given kind with its defaults and returns it clean. Error 5 "The
    // channel name 'X' already exists." or "Invalid channel type."; then nothing is stored. When
    // a row still holds `name` (a channel removed, or renamed away from it, and not saved yet),
    // the list's pending changes are written first, in the same transaction.
    std::shared_ptr<IChannelDescription> Add(ChannelTypeEnum channelType, const std::string& name);
    bool Contains(const std::string& name) const;
    // Error 5 for a missing name, 3027 on a read-only site database. The row is deleted at the
    // next Save.
    void Remove(const std::string& name);
    // 1-based position (error 9) or name in any letter case (error 5).
    std::shared_ptr<IChannelDescription> Item(int position) const;
    std::shared_ptr<IChannelDescription> Item(const std::string& name) const;
    // nullptr when no channel of the list has that DatabaseID.
    std::shared_ptr<IChannelDescription> GetByDatabaseID(std::int32_t id) const;
    int Count() const noexcept { return mItems.Count(); }
    // Changes whenever an entry joins the list or moves within it (Add, a new key), not on
    // Remove: a view that follows ItemAdded and ItemRemoved tells by it whether the order changed
    // in another way since it last looked.
    std::uint64_t OrderRevision() const noexcept { return mTracking.LastOrder(); }
    // Writes removals (in removal order), then every changed channel (in list order), in one
    // transaction (a changed channel whose row has vanished gives error 3021): a failed Save
    // changes nothing and a later Save writes everything pending.
    void Save();
    bool IsDirty() const;
    // Reads the channel's row again: its pending changes are dropped and it shows what the site holds
    // now (ListItemChanged). One that another program removed leaves the list (ItemRemoved, then
    // ListChanged); one removed here and not saved yet comes back (ItemAdded, then ListChanged).
    // False when nothing changed: a channel without a row, or of another list.
    bool Reload(const std::shared_ptr<IChannelDescription>& channel);
    // Reload of the entry with that DatabaseID, in the list or removed from it and not saved yet.
    bool Reload(std::int32_t databaseID);

    Collection::Iterator begin() const { return mItems.begin(); }
    Collection::Iterator end() const { return mItems.end(); }
    std::vector<std::shared_ptr<IChannelDescription>> Items() const;

    zel::Event<>& ListChanged() noexcept { return mListChanged; }
    zel::Event<std::shared_ptr<IChannelDescription>>& ListItemChanged() noexcept { return mListItemChanged; }
    // Raised just before the ListChanged of an Add (the new entry, last in the list) and of a
    // Remove (the entry taken out), on the same thread: a view can follow the one entry that
    // changed instead of reading the whole list again.
    zel::Event<std::shared_ptr<IChannelDescription>>& ItemAdded() noexcept { return mItemAdded; }
    zel::Event<std::shared_ptr<IChannelDescription>>& ItemRemoved() noexcept { return mItemRemoved; }

private:
    friend class DataSource;
    friend class ChannelDescriptionBase;

    ChannelDescriptionList();
    static std::shared_ptr<ChannelDescriptionList> Load();

    void RenameKey(const std::string& oldName, const std::string& newName, const ChannelDescriptionBase* self);
    void QueueForSave(const std::shared_ptr<ChannelDescriptionBase>& channel);
    static detail::TrackingOps<std::shared_ptr<ChannelDescriptionBase>> Ops();
    void NotifyListChanged();
    void NotifyItemChanged(const std::shared_ptr<IChannelDescription>& sender);
    // Takes in a change that another program saved (see DataSource::ApplyStoredChanges).
    bool ApplyStoredChange(const StoredChange& change);
    detail::EntryOps<std::shared_ptr<ChannelDescriptionBase>> ChangeOps();

    Collection mItems;
    std::deque<std::shared_ptr<ChannelDescriptionBase>> mDeleted;
    detail::ListTracking<ChannelDescriptionBase> mTracking;
    zel::Event<> mListChanged;
    zel::Event<std::shared_ptr<IChannelDescription>> mListItemChanged;
    zel::Event<std::shared_ptr<IChannelDescription>> mItemAdded;
    zel::Event<std::shared_ptr<IChannelDescription>> mItemRemoved;
};

} // namespace zel::data
