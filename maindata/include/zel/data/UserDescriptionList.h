#pragma once

#include "zel/Event.h"
#include "zel/KeyedCollection.h"
#include "zel/data/ListTracking.h"
#include "zel/data/UserDescription.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zel::data {

class DataSource;
struct StoredChange;
namespace detail {
template <typename Item> struct TrackingOps;
template <typename Ptr> struct EntryOps;
} // namespace detail

// All users of the site, keyed by UserID (letter case not counted), in list order. Obtained from
// DataSource::GetUserDescriptionList. Add writes the new row at once; changes and removals are
// written by Save.
class UserDescriptionList : public std::enable_shared_from_this<UserDescriptionList> {
public:
    using Collection = zel::KeyedCollection<std::shared_ptr<UserDescription>>;

    UserDescriptionList(const UserDescriptionList&) = delete;
    UserDescriptionList& operator=(const UserDescriptionList&) = delete;

    // Error 5 "UserID already exists." when the list holds `userID`; error 3027 on a read-only
    // site database. A failed insertion leaves the user in the list as new (the next Save inserts
    // it) and raises no ListChanged. When a row still holds `userID` (a user removed, or renamed
    // away from it, and not saved yet), the list's pending changes are written first, in the
    // same transaction: the file never holds two rows of one UserID.
    std::shared_ptr<UserDescription> Add(const std::string& userID, const std::string& name);
    bool Contains(const std::string& userID) const;
    // Error 5 for a missing key, 3027 on a read-only site database. The row is deleted at the
    // next Save.
    void Remove(const std::string& userID);
    // nullptr when no user of the list has that DatabaseID (the first one in list order when
    // several have).
    std::shared_ptr<UserDescription> GetByDatabaseID(std::int32_t id) const;
    // Whether a user of the list other than `self` (may be nullptr) has exactly this Name
    // (letter case counted).
    bool NameHeldByOther(const std::string& name, const UserDescription* self) const;
    // No UserID of the list is longer than this (the longest one it has held since it was
    // loaded).
    std::size_t LongestUserID() const noexcept { return mLongestUserID; }
    // 1-based position (error 9) or UserID (error 5).
    std::shared_ptr<UserDescription> Item(int position) const;
    std::shared_ptr<UserDescription> Item(const std::string& userID) const;
    int Count() const noexcept { return mItems.Count(); }
    // Changes whenever an entry joins the list or moves within it (Add, a new key), not on
    // Remove: a view that follows ItemAdded and ItemRemoved tells by it whether the order changed
    // in another way since it last looked.
    std::uint64_t OrderRevision() const noexcept { return mTracking.LastOrder(); }
    // Writes removals (in removal order), then every changed or new user (in list order), in one
    // transaction: a Save is written whole or not at all. A failed Save changes nothing (its
    // error reaches the caller) and a later Save writes everything still pending.
    void Save();
    bool IsDirty() const;
    // Reads the user's row again: its pending changes are dropped and it shows what the site holds
    // now (ListItemChanged). One that another program removed leaves the list (ItemRemoved, then
    // ListChanged); one removed here and not saved yet comes back (ItemAdded, then ListChanged).
    // False when nothing changed: a user without a row, or of another list.
    bool Reload(const std::shared_ptr<UserDescription>& user);
    // Reload of the entry with that DatabaseID, in the list or removed from it and not saved yet.
    bool Reload(std::int32_t databaseID);

    // One user of a batch (see ApplyBatch).
    struct BatchUser {
        std::string UserID;
        std::string Name;
        std::int32_t AuthorityLevel = 0;
    };
    // Many changes at once, as a roster import makes them: users to add (new rows, not enrolled),
    // users of the list whose Name and AuthorityLevel change (only those two columns are written:
    // the template and the enrollment stay as the site holds them) and users to remove, by UserID.
    // They are written in one transaction together with the list's pending changes (as Save writes
    // them): all of it or, when a write fails, none of it (the error reaches the caller; the site
    // and the list stay as they were). Then the list shows the batch and raises ListChanged once:
    // no ItemAdded, ItemRemoved or ListItemChanged for the users of the batch. Before anything is
    // written: error 6 for a level outside -32768 to 32767, error 5 for an ID to add that the list
    // holds (or that the batch adds twice) and for an ID to change or remove that it does not hold;
    // 3027 on a read-only site database.
    void ApplyBatch(const std::vector<BatchUser>& add, const std::vector<BatchUser>& change,
                    const std::vector<std::string>& remove);

    // Iteration in list order; Items() is a snapshot that stays valid while the list changes.
    Collection::Iterator begin() const { return mItems.begin(); }
    Collection::Iterator end() const { return mItems.end(); }
    std::vector<std::shared_ptr<UserDescription>> Items() const;

    zel::Event<>& ListChanged() noexcept { return mListChanged; }
    zel::Event<std::shared_ptr<UserDescription>>& ListItemChanged() noexcept { return mListItemChanged; }
    // Raised just before the ListChanged of an Add (the new entry, last in the list) and of a
    // Remove (the entry taken out), on the same thread: a view can follow the one entry that
    // changed instead of reading the whole list again.
    zel::Event<std::shared_ptr<UserDescription>>& ItemAdded() noexcept { return mItemAdded; }
    zel::Event<std::shared_ptr<UserDescription>>& ItemRemoved() noexcept { return mItemRemoved; }

private:
    friend class DataSource;
    friend class UserDescription;

    UserDescriptionList();
    static std::shared_ptr<UserDescriptionList> Load();

    void RenameKey(const std::string& oldKey, const std::string& newKey, const UserDescription* self);
    void QueueForSave(const std::shared_ptr<UserDescription>& user);
    void NameChanging(UserDescription& user, const std::string& newName);
    void Append(const std::shared_ptr<UserDescription>& user);
    void IndexName(UserDescription* user) const;
    void UnindexName(const UserDescription* user) const;
    static detail::TrackingOps<std::shared_ptr<UserDescription>> Ops();
    void NotifyListChanged();
    void NotifyItemChanged(const std::shared_ptr<UserDescription>& sender);
    // Takes in a change that another program saved (see DataSource::ApplyStoredChanges).
    bool ApplyStoredChange(const StoredChange& change);
    detail::EntryOps<std::shared_ptr<UserDescription>> ChangeOps();

    Collection mItems;
    std::deque<std::shared_ptr<UserDescription>> mDeleted;
    detail::ListTracking<UserDescription> mTracking;
    std::size_t mLongestUserID = 0;
    // (hash of Name, user), sorted by hash; made by the first NameHeldByOther.
    mutable std::vector<std::pair<std::size_t, UserDescription*>> mByName;
    mutable bool mNamesIndexed = false;
    zel::Event<> mListChanged;
    zel::Event<std::shared_ptr<UserDescription>> mListItemChanged;
    zel::Event<std::shared_ptr<UserDescription>> mItemAdded;
    zel::Event<std::shared_ptr<UserDescription>> mItemRemoved;
};

} // namespace zel::data
