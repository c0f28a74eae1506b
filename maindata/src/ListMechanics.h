#pragma once

#include "zel/KeyedCollection.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// The mechanics that the user, clock and channel lists share: the save step, the dirty test,
// look-up by key of the row, and moving an item under a new key.
namespace zel::data::detail {

template <typename T> std::vector<T> Snapshot(const zel::KeyedCollection<T>& items)
{
    std::vector<T> copy;
    copy.reserve(static_cast<std::size_t>(items.Count()));
    for (const auto& item : items)
        copy.push_back(item);
    return copy;
}

// Writes the removals in removal order, then the items that `needsSave` (new or dirty, not
// deleted) in list order, through `save`; clean items are not touched.
// A removal leaves the deleted set only once its row is gone, so that a save that fails part-way
// neither deletes a row twice nor takes a deleted description (reset to new) for one to insert;
// items not reached keep their flags. An item that an event handler removes during the save is
// left to the deleted set.
template <typename T, typename D, typename SaveFn, typename NeedsSaveFn>
void SaveAll(std::deque<D>& deleted, const zel::KeyedCollection<T>& items, SaveFn save, NeedsSaveFn needsSave)
{
    while (!deleted.empty()) {
        save(deleted.front());
        deleted.pop_front();
    }
    std::vector<T> pending;
    for (const auto& item : items)
        if (needsSave(item))
            pending.push_back(item);
    for (const auto& item : pending)
        if (needsSave(item))
            save(item);
}

template <typename T, typename D> bool AnyDirty(const zel::KeyedCollection<T>& items, const std::deque<D>& deleted)
{
    if (!deleted.empty())
        return true;
    for (const auto& item : items)
        if (item->IsDirty())
            return true;
    return false;
}

// The first item in list order with that DatabaseID, or nullptr.
template <typename T> T FindByDatabaseID(const zel::KeyedCollection<T>& items, std::int32_t id)
{
    for (const auto& item : items)
        if (item->DatabaseID() == id)
            return item;
    return nullptr;
}

// Takes the item out under `oldKey` and adds it again at the end under `newKey`.
template <typename T>
void MoveToEnd(zel::KeyedCollection<T>& items, const std::string& oldKey, const std::string& newKey)
{
    auto item = items.Item(oldKey);
    items.Remove(oldKey);
    items.Add(item, newKey);
}

} // namespace zel::data::detail
