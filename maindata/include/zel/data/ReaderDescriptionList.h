#pragma once

#include "zel/Event.h"
#include "zel/KeyedCollection.h"
#include "zel/data/IChannelDescription.h"
#include "zel/data/ListTracking.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderGroup.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class DataSource;
struct StoredChange;
namespace detail {
template <typename Item> struct TrackingOps;
template <typename Ptr> struct EntryOps;
} // namespace detail

// All clocks of the site, keyed by Name (letter case not counted), in list order. Obtained from
// DataSource::GetReaderDescriptionList. Add writes the new row at once; changes and removals are
// written by Save.
class ReaderDescriptionList : public std::enable_shared_from_this<ReaderDescriptionList> {
public:
    using Collection = zel::KeyedCollection<std::shared_ptr<ReaderDescription>>;

    ReaderDescriptionList(const ReaderDescriptionList&) = delete;
    ReaderDescriptionList& operator=(const ReaderDescriptionList&) = delete;

    // Stores the clock's row at once and returns it clean. Error 5 "Reader name cannot be empty."
    // or "Reader 'X' already exists."; then no row is stored. A null channel: error 91. When a
    // row still holds `name` (a clock removed, or renamed away from it, and not saved yet), the
    // list's pending changes are written first, in the same transaction.
    std::shared_ptr<ReaderDescription> Add(std::uint8_t readerID, const std::string& name,
                                           const std::shared_ptr<IChannelDescription>& channel);
    // The clocks grouped by their channel: groups in the order their channel was first met,
    // clocks in list order. Clocks whose channel is not in the channel list are left out.
    // Never raises.
    ReaderGroupCollection GetReaderGroups() const;
    bool Contains(const std::string& name) const;
    // Error 5 for a missing key, 3027 on a read-only site database. The row is deleted at the
    // next Save.
    void Remove(const std::string& name);
    // 1-based position (error 9) or Name (error 5).
    std::shared_ptr<ReaderDescription> Item(int position) const;
    std::shared_ptr<ReaderDescription> Item(const std::string& name) const;
    // nullptr when no clock of the list has that DatabaseID.
    std::shared_ptr<ReaderDescription> GetByDatabaseID(std::int32_t id) const;
    int Count() const noexcept { return mItems.Count(); }
    // Changes whenever an entry joins the list or moves within it (Add, a new key), not on
    // Remove: a view that follows ItemAdded and ItemRemoved tells by it whether the order changed
    // in another way since it last looked.
    std::uint64_t OrderRevision() const noexcept { return mTracking.LastOrder(); }
    // Writes removals (in removal order), then every changed clock (in list order), in one
    // transaction: a failed Save changes nothing and a later Save writes everything pending.
    void Save();
    bool IsDirty() const;
    // Reads the clock's row again: its pending changes are dropped and it shows what the site holds
    // now (ListItemChanged). One that another program removed leaves the list (ItemRemoved, then
    // ListChanged); one removed here and not saved yet comes back (ItemAdded, then ListChanged).
    // False when nothing changed: a clock without a row, or of another list.
    bool Reload(const std::shared_ptr<ReaderDescription>& clock);
    // Reload of the entry with that DatabaseID, in the list or removed from it and not saved yet.
    bool Reload(std::int32_t databaseID);

    Collection::Iterator begin() const { return mItems.begin(); }
    Collection::Iterator end() const { return mItems.end(); }
    std::vector<std::shared_ptr<ReaderDescription>> Items() const;

    zel::Event<>& ListChanged() noexcept { return mListChanged; }
    zel::Event<std::shared_ptr<ReaderDescription>>& ListItemChanged() noexcept { return mListItemChanged; }
    // Raised just before the ListChanged of an Add (the new entry, last in the list) and of a
    // Remove (the entry taken out), on the same thread: a view can follow the one entry that
    // changed instead of reading the whole list again.
    zel::Event<std::shared_ptr<ReaderDescription>>& ItemAdded() noexcept { return mItemAdded; }
    zel::Event<std::shared_ptr<ReaderDescription>>& ItemRemoved() noexcept { return mItemRemoved; }

private:
    friend class DataSource;
    friend class ReaderDescription;

    ReaderDescriptionList();
    static std::shared_ptr<ReaderDescriptionList> Load();

    void RenameKey(const std::string& oldKey, const std::string& newKey, const ReaderDescription* self);
    void QueueForSave(const std::shared_ptr<ReaderDescription>& clock);
    static detail::TrackingOps<std::shared_ptr<ReaderDescription>> Ops();
    // Inserts the row of a new clock (and its audit row) and returns the clock.
    static std::shared_ptr<ReaderDescription> CreateRow(std::uint8_t readerID, const std::string& name,
                                                        std::int32_t channelID);
    void NotifyListChanged();
    void NotifyItemChanged(const std::shared_ptr<ReaderDescription>& sender);
    // Takes in a change that another program saved (see DataSource::ApplyStoredChanges).
    bool ApplyStoredChange(const StoredChange& change);
    detail::EntryOps<std::shared_ptr<ReaderDescription>> ChangeOps();

    Collection mItems;
    std::deque<std::shared_ptr<ReaderDescription>> mDeleted;
    detail::ListTracking<ReaderDescription> mTracking;
    zel::Event<> mListChanged;
    zel::Event<std::shared_ptr<ReaderDescription>> mListItemChanged;
    zel::Event<std::shared_ptr<ReaderDescription>> mItemAdded;
    zel::Event<std::shared_ptr<ReaderDescription>> mItemRemoved;
};

} // namespace zel::data
