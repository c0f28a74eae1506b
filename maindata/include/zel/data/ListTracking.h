#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zel::data::detail {

// What a site list keeps beside its items so that its work follows the entries that changed, not
// the size of the list:
//  - an order stamp per entry (its field mListOrder): stamps grow in list order, since an entry
//    only ever joins a list at its end (Add, a rename); 0 means "in no list";
//  - the queue of entries that may need saving (field mQueued says whether an entry is in it): an
//    entry joins it when it becomes dirty (or new) and leaves it when a Save has written it;
//  - the entries by DatabaseID, sorted by ID.
// `Elem` lets this class read and write those fields and read mDatabaseID.
template <typename Elem> class ListTracking {
public:
    using Ptr = std::shared_ptr<Elem>;

    // The entry joins the end of the list (added, loaded or renamed).
    void Enter(Elem& entry) noexcept { entry.mListOrder = ++mLastOrder; }
    // The stamp given last: it changes whenever an entry joins the list.
    std::uint64_t LastOrder() const noexcept { return mLastOrder; }
    static void Leave(Elem& entry) noexcept { entry.mListOrder = 0; }
    static bool InList(const Elem& entry) noexcept { return entry.mListOrder != 0; }
    static bool ListedBefore(const Elem* a, const Elem* b) noexcept { return a->mListOrder < b->mListOrder; }

    // Queues an entry that may need saving (once).
    void Queue(const Ptr& entry)
    {
        if (entry->mQueued)
            return;
        mPending.push_back(entry);
        entry->mQueued = true;
    }
    const std::vector<Ptr>& Pending() const noexcept { return mPending; }

    // Keeps in the queue the entries still queued for which `keep` holds, in queue order.
    template <typename F> void KeepPending(F keep)
    {
        std::size_t kept = 0;
        for (auto& entry : mPending) {
            if (entry->mQueued && keep(entry)) {
                mPending[kept++] = std::move(entry);
            } else {
                entry->mQueued = false;
            }
        }
        mPending.resize(kept);
    }

    // Takes an entry out of the queue (it stays there until the next KeepPending).
    static void Dequeue(Elem& entry) noexcept { entry.mQueued = false; }

    void ReserveIDs(std::size_t count) { mByID.reserve(count); }
    // While a list loads: entries come in the order of their rows; SortIDs() finishes the index.
    void AppendID(Elem* entry) { mByID.emplace_back(entry->mDatabaseID, entry); }
    void SortIDs()
    {
        if (!std::is_sorted(mByID.begin(), mByID.end(), LessID))
            std::stable_sort(mByID.begin(), mByID.end(), LessID);
    }

    void IndexID(Elem* entry)
    {
        const std::pair<std::int32_t, Elem*> item(entry->mDatabaseID, entry);
        mByID.insert(std::upper_bound(mByID.begin(), mByID.end(), item, LessID), item);
    }
    void UnindexID(const Elem* entry, std::int32_t id)
    {
        auto at = std::lower_bound(mByID.begin(), mByID.end(), std::pair<std::int32_t, Elem*>(id, nullptr), LessID);
        for (; at != mByID.end() && at->first == id; ++at) {
            if (at->second == entry) {
                mByID.erase(at);
                return;
            }
        }
    }

    // Takes every entry for which `gone` holds out of the index at once (many removals).
    template <typename F> void UnindexIDsIf(F gone)
    {
        mByID.erase(std::remove_if(mByID.begin(), mByID.end(), [&](const auto& item) { return gone(item.second); }),
                    mByID.end());
    }

    // An entry whose DatabaseID was `oldID` (a new entry that got its row).
    void ReindexID(Elem* entry, std::int32_t oldID)
    {
        UnindexID(entry, oldID);
        IndexID(entry);
    }
    static std::int32_t IDOf(const Elem& entry) noexcept { return entry.mDatabaseID; }

    // The first entry in list order with that DatabaseID, or nullptr.
    Elem* FindID(std::int32_t id) const
    {
        auto at = std::lower_bound(mByID.begin(), mByID.end(), std::pair<std::int32_t, Elem*>(id, nullptr), LessID);
        Elem* first = nullptr;
        for (; at != mByID.end() && at->first == id; ++at)
            if (first == nullptr || ListedBefore(at->second, first))
                first = at->second;
        return first;
    }

private:
    static bool LessID(const std::pair<std::int32_t, Elem*>& a, const std::pair<std::int32_t, Elem*>& b) noexcept
    {
        return a.first < b.first;
    }

    std::uint64_t mLastOrder = 0;
    std::vector<Ptr> mPending;
    std::vector<std::pair<std::int32_t, Elem*>> mByID;
};

} // namespace zel::data::detail
