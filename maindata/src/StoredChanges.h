#pragma once

#include "DatabaseState.h"
#include "zel/data/IStore.h"
#include "zel/data/Record.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

// How the lists take in the rows that other programs saved to a shared site (the store's change
// feed, see DataSource::ApplyStoredChanges), and how one entry is read again after its Save was
// refused (Reload). Each list says through EntryOps what these steps mean for its entries.
namespace zel::data::detail {

template <typename Ptr> struct EntryOps {
    const char* Table = "";
    std::function<Ptr(std::int32_t)> Find;         // the entry of the list with that DatabaseID
    std::function<Ptr(std::int32_t)> RemovedHere;  // the entry removed here, not saved yet, of that ID
    std::function<bool(const Ptr&)> HasLocalEdits; // changes not saved yet
    std::function<void(const Ptr&)> ForgetRemoval; // the removal is not to be saved after all
    std::function<Ptr(const Record&)> Make;        // a new entry of the list from the row (load rules checked)
    // The listed entry takes the row's values (`fresh` holds them, checked), drops its pending
    // changes and raises ListItemChanged; false when another entry holds the row's key.
    std::function<bool(const Ptr& entry, const Ptr& fresh, const Record& row)> Refresh;
    // The entry removed here takes the row's values; returns the entry to join the list again.
    std::function<Ptr(const Ptr& entry, const Ptr& fresh, const Record& row)> Revive;
    std::function<bool(const Ptr&)>
        Join; // joins the end of the list (ItemAdded, ListChanged); false when its key is held
    std::function<void(const Ptr&)> Leave; // leaves the list (ItemRemoved, ListChanged)
};

inline std::optional<Record> ReadStoredRow(const char* table, std::int64_t id)
{
    std::optional<Record> row;
    RequireStore().ReadRow(table, id, [&](const Record& found) { row = found; });
    return row;
}

template <typename Ptr> bool ApplyChange(const EntryOps<Ptr>& ops, const StoredChange& change)
{
    if (change.ID <= 0 || change.ID > std::numeric_limits<std::int32_t>::max())
        return false;
    const auto id = static_cast<std::int32_t>(change.ID);
    Ptr entry = ops.Find(id);
    // Changes not saved yet are never lost: the entry stays as it is (a removal stays pending)
    // and its Save reports the conflict.
    if (entry ? ops.HasLocalEdits(entry) : ops.RemovedHere(id) != nullptr)
        return false;
    if (change.What == StoredChange::Deleted) {
        if (!entry)
            return false;
        ops.Leave(entry);
        return true;
    }
    auto row = ReadStoredRow(ops.Table, id);
    if (!row) {
        // Removed again meanwhile.
        if (!entry)
            return false;
        ops.Leave(entry);
        return true;
    }
    Ptr fresh = ops.Make(*row);
    return entry ? ops.Refresh(entry, fresh, *row) : ops.Join(fresh);
}

template <typename Ptr> bool ReloadEntry(const EntryOps<Ptr>& ops, const Ptr& entry, std::int32_t id, bool isNew)
{
    if (!entry || isNew || id <= 0)
        return false;
    const bool listed = ops.Find(id) == entry;
    if (!listed && ops.RemovedHere(id) != entry)
        return false;
    auto row = ReadStoredRow(ops.Table, id);
    if (listed) {
        if (!row) {
            ops.Leave(entry);
            return true;
        }
        return ops.Refresh(entry, ops.Make(*row), *row);
    }
    if (!row) {
        ops.ForgetRemoval(entry);
        return true;
    }
    Ptr back = ops.Revive(entry, ops.Make(*row), *row);
    ops.ForgetRemoval(entry);
    if (ops.Join(back))
        return true;
    // Its key went to another entry meanwhile: it stays removed.
    return false;
}

} // namespace zel::data::detail
