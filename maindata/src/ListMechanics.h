#pragma once

#include "DatabaseState.h"
#include "zel/KeyedCollection.h"
#include "zel/Text.h"
#include "zel/data/ListTracking.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The mechanics that the user, clock and channel lists share: the save step, the dirty test,
// look-up by key of the row, and moving an item under a new key. The save looks at the queue of
// descriptions that may need saving (see ListTracking), never at the whole list.
namespace zel::data::detail {

template <typename T> std::vector<T> Snapshot(const zel::KeyedCollection<T>& items)
{
    std::vector<T> copy;
    copy.reserve(static_cast<std::size_t>(items.Count()));
    for (const auto& item : items)
        copy.push_back(item);
    return copy;
}

// What a list knows of its descriptions to save them. The Write operations touch the store only;
// the Applied ones change the description's flags only (after the writes are committed);
// Notify raises the events of a written change.
template <typename Item> struct TrackingOps {
    std::function<bool(const Item&)> IsNew;
    std::function<bool(const Item&)> IsDirty;
    std::function<bool(const Item&)> IsDeleted;
    std::function<std::string(const Item&)> Key;       // the key the description has now
    std::function<std::string(const Item&)> StoredKey; // the key its row holds
    std::function<void(const Item&)> WriteDelete;
    std::function<std::int32_t(const Item&)> WriteInsert;
    std::function<void(const Item&)> WriteUpdate;
    // Writes a key into the row that no other row holds (a rename in two steps, see WritePending).
    std::function<void(const Item&)> ParkKey;
    std::function<void(const Item&)> AppliedDelete;
    std::function<void(const Item&, std::int32_t)> AppliedInsert;
    std::function<void(const Item&)> AppliedUpdate;
    std::function<void(const Item&)> Notify;
};

enum class StepKind { Delete, Insert, Update };

template <typename Item> struct SaveStep {
    Item Description;
    StepKind Kind;
    std::int32_t ID = 0;
};

template <typename Item> bool NeedsSave(const Item& item, const TrackingOps<Item>& ops)
{
    return !ops.IsDeleted(item) && (ops.IsNew(item) || ops.IsDirty(item));
}

template <typename Item> bool IsPendingRename(const Item& item, const TrackingOps<Item>& ops)
{
    return !ops.IsNew(item) && ops.IsDirty(item) && FoldCase(ops.StoredKey(item)) != FoldCase(ops.Key(item));
}

// Whether a row still holds `key` that a save would free: a removed description's row, or the row
// of a description renamed away from it. Adding `key` then writes those first (see Add). A
// renamed description is dirty, hence queued: the queue is all that needs looking at.
template <typename Elem>
bool KeyHeldByPendingRow(const std::deque<std::shared_ptr<Elem>>& deleted, const ListTracking<Elem>& tracking,
                         const std::string& key, const TrackingOps<std::shared_ptr<Elem>>& ops)
{
    const std::string folded = FoldCase(key);
    for (const auto& removed : deleted)
        if (!ops.IsNew(removed) && FoldCase(ops.StoredKey(removed)) == folded)
            return true;
    for (const auto& item : tracking.Pending())
        if (ListTracking<Elem>::InList(*item) && IsPendingRename(item, ops) && FoldCase(ops.StoredKey(item)) == folded)
            return true;
    return false;
}

// The descriptions of the list that are new or dirty, in list order.
template <typename Elem>
std::vector<std::shared_ptr<Elem>> DueItems(const ListTracking<Elem>& tracking,
                                            const TrackingOps<std::shared_ptr<Elem>>& ops)
{
    std::vector<std::shared_ptr<Elem>> due;
    for (const auto& item : tracking.Pending())
        if (ListTracking<Elem>::InList(*item) && NeedsSave(item, ops))
            due.push_back(item);
    std::sort(due.begin(), due.end(),
              [](const auto& a, const auto& b) { return ListTracking<Elem>::ListedBefore(a.get(), b.get()); });
    return due;
}

// Writes, inside the caller's transaction, the removals in removal order, then `pending` (the
// new or dirty items, in list order); returns what was written. The file holds each key once (a
// unique index): when a key written here is still held by the row of another description that is
// renamed in this save (keys changed in a ring, or a new description taking a renamed one's old
// key), the renamed rows first get keys of their own, then the real ones.
template <typename Item>
std::vector<SaveStep<Item>> WritePending(const std::vector<Item>& deleted, const std::vector<Item>& pending,
                                         const TrackingOps<Item>& ops)
{
    std::vector<SaveStep<Item>> steps;
    for (const auto& removed : deleted) {
        ops.WriteDelete(removed);
        steps.push_back({removed, StepKind::Delete});
    }

    std::unordered_set<std::string> renamedFrom;
    for (const auto& item : pending)
        if (IsPendingRename(item, ops))
            renamedFrom.insert(FoldCase(ops.StoredKey(item)));
    bool clash = false;
    for (const auto& item : pending)
        if ((ops.IsNew(item) || IsPendingRename(item, ops)) && renamedFrom.count(FoldCase(ops.Key(item))) != 0)
            clash = true;
    if (clash)
        for (const auto& item : pending)
            if (IsPendingRename(item, ops))
                ops.ParkKey(item);

    for (const auto& item : pending) {
        if (ops.IsNew(item)) {
            steps.push_back({item, StepKind::Insert, ops.WriteInsert(item)});
        } else {
            ops.WriteUpdate(item);
            steps.push_back({item, StepKind::Update});
        }
    }
    return steps;
}

// After the commit: first every description's flags (so that an event handler finds them all
// saved, and a new one under its DatabaseID), then the events of the written changes, in the
// order written.
template <typename Elem>
void ApplySteps(const std::vector<SaveStep<std::shared_ptr<Elem>>>& steps, ListTracking<Elem>& tracking,
                const TrackingOps<std::shared_ptr<Elem>>& ops)
{
    for (const auto& step : steps) {
        switch (step.Kind) {
        case StepKind::Delete:
            ops.AppliedDelete(step.Description);
            break;
        case StepKind::Insert: {
            const std::int32_t oldID = ListTracking<Elem>::IDOf(*step.Description);
            ops.AppliedInsert(step.Description, step.ID);
            if (ListTracking<Elem>::InList(*step.Description))
                tracking.ReindexID(step.Description.get(), oldID);
            break;
        }
        case StepKind::Update:
            ops.AppliedUpdate(step.Description);
            break;
        }
    }
    for (const auto& step : steps)
        if (step.Kind == StepKind::Update)
            ops.Notify(step.Description);
}

// The save of a list: the removals (in removal order), then every new or changed item (in list
// order), all in one transaction, so that a save is written whole or not at all; a failed save
// leaves every description as it was (and queued) and the error reaches the caller. `then`
// (optional) runs inside the same transaction after the writes. A list with nothing to write
// touches nothing. Only the removed and the queued descriptions are looked at.
template <typename Elem>
void SaveList(std::deque<std::shared_ptr<Elem>>& deleted, ListTracking<Elem>& tracking,
              const TrackingOps<std::shared_ptr<Elem>>& ops, const std::function<void()>& then = {})
{
    using Ptr = std::shared_ptr<Elem>;
    const auto stillDue = [&](const Ptr& item) { return ListTracking<Elem>::InList(*item) && NeedsSave(item, ops); };
    std::vector<Ptr> removals(deleted.begin(), deleted.end());
    std::vector<Ptr> changed = DueItems(tracking, ops);
    if (removals.empty() && changed.empty() && !then) {
        tracking.KeepPending(stillDue);
        return;
    }
    std::vector<SaveStep<Ptr>> steps;
    RequireStore().Transact([&] {
        steps = WritePending(removals, changed, ops);
        if (then)
            then();
    });
    // No event ran since the snapshot: the removals written are the first ones of the set.
    for (std::size_t i = 0; i < removals.size() && !deleted.empty(); ++i)
        deleted.pop_front();
    // Out of the queue before the events: a description that a handler changes again is queued
    // again.
    for (const auto& item : changed)
        ListTracking<Elem>::Dequeue(*item);
    tracking.KeepPending(stillDue);
    ApplySteps(steps, tracking, ops);
}

// Whether the list has removals to write or a dirty description (a new one that is not dirty
// does not count).
template <typename Elem>
bool AnyDirty(const std::deque<std::shared_ptr<Elem>>& deleted, const ListTracking<Elem>& tracking)
{
    if (!deleted.empty())
        return true;
    for (const auto& item : tracking.Pending())
        if (ListTracking<Elem>::InList(*item) && item->IsDirty())
            return true;
    return false;
}

// Whether the list holds exactly `self` under `key` (a removed description is in no list).
template <typename T, typename S>
bool HoldsUnder(const zel::KeyedCollection<T>& items, const std::string& key, const S* self)
{
    const T* found = items.Find(key);
    return found != nullptr && found->get() == self;
}

// Takes the item out under `oldKey` and adds it again at the end under `newKey`; returns it.
template <typename T> T MoveToEnd(zel::KeyedCollection<T>& items, const std::string& oldKey, const std::string& newKey)
{
    auto item = items.Item(oldKey);
    items.Remove(oldKey);
    items.Add(item, newKey);
    return item;
}

// The DatabaseIDs met while a list loads. Rows come in ID order as a rule: a set is made only
// for an ID that is not above every one before it.
class DistinctIDs {
public:
    // False when the ID was met before.
    bool Insert(std::int32_t id)
    {
        if (mSeen.empty() && (mAll.empty() || id > mAll.back())) {
            mAll.push_back(id);
            return true;
        }
        if (mSeen.empty())
            mSeen.insert(mAll.begin(), mAll.end());
        return mSeen.insert(id).second;
    }

private:
    std::vector<std::int32_t> mAll; // ascending, until the first ID out of order
    std::unordered_set<std::int32_t> mSeen;
};

// A key that no row of the site holds: used for a moment while keys change in a ring.
inline std::string ParkedKey(std::int32_t databaseID)
{
    return "\x1B"
           "zel-rename-" +
           std::to_string(databaseID);
}

} // namespace zel::data::detail
