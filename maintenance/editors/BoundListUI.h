#pragma once

#include "editors/EditorSupport.h"
#include "editors/ItemListUI.h"

#include "zel/Event.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zel::ui {

// A list view bound to one of the site database's lists (users, clocks or channels): one line
// per entry, text = the entry's Name, item data = its DatabaseID, in the list's order. The view
// follows the list line by line: ListItemChanged updates the entry's line (and moves it when the
// entry moved in the list, as a rename does), ItemAdded inserts a line and ItemRemoved takes one
// out; the ListChanged that follows those is then already shown. Any other ListChanged refills
// the view, once per burst. While the list's OrderRevision tells that its order changed only by
// the adds and removes shown, a step looks at its own line only; otherwise it compares every line
// with the list.
template <typename ListT> class BoundListUI : public ItemListUI {
public:
    using ItemPtr = decltype(std::declval<const ListT&>().GetByDatabaseID(0));

    using ItemListUI::ItemListUI;

protected:
    std::shared_ptr<ListT> BoundList() const { return mList; }

    void Bind(std::shared_ptr<ListT> list)
    {
        mListChanged.Reset();
        mItemChanged.Reset();
        mItemAdded.Reset();
        mItemRemoved.Reset();
        mListChangeShown = false;
        mList = std::move(list);
        if (mList) {
            mListChanged = mList->ListChanged().Subscribe([this] {
                if (!std::exchange(mListChangeShown, false))
                    ScheduleRefill();
            });
            mItemChanged = mList->ListItemChanged().Subscribe(
                [this](const auto& item) { ApplyStep([this, item] { return ShowChanged(item); }); });
            mItemAdded = mList->ItemAdded().Subscribe([this](const auto& item) {
                mListChangeShown = true;
                ApplyStep([this, item] { return ShowAdded(item); });
            });
            mItemRemoved = mList->ItemRemoved().Subscribe([this](const auto& item) {
                mListChangeShown = true;
                ApplyStep([this, item] { return ShowRemoved(item); });
            });
        }
        RefillNow();
    }

    std::vector<ItemListModel::Line> CollectLines() const override
    {
        std::vector<ItemListModel::Line> lines;
        if (!mList)
            return lines;
        lines.reserve(static_cast<std::size_t>(mList->Count()));
        for (const auto& item : *mList)
            lines.push_back({ToQ(item->Name()), item->DatabaseID()});
        mShownRevision = mList->OrderRevision();
        return lines;
    }

    // The entries of the selected lines, in line order, each found by its line's item data
    // (the first entry with that DatabaseID, as GetByDatabaseID finds it).
    std::vector<ItemPtr> SelectedItems()
    {
        std::vector<ItemPtr> items;
        const auto lineData = SelectedData();
        if (!mList || lineData.empty())
            return items;
        for (auto id : lineData)
            if (auto item = mList->GetByDatabaseID(id))
                items.push_back(std::move(item));
        return items;
    }

private:
    template <typename Item> static ItemListModel::Line LineOf(const Item& item)
    {
        return {ToQ(item->Name()), item->DatabaseID()};
    }

    // Walks the list once: whether every line carries the item data of the entry at its place,
    // and where `item` stands in the list (-1 when not in it).
    template <typename Item> bool LinesMatch(const Item* item, int* position) const
    {
        const auto* model = Model();
        int row = 0;
        bool match = mList->Count() == model->Count();
        for (const auto& entry : *mList) {
            if (item != nullptr && entry.get() == item->get())
                *position = row;
            if (match && model->At(row).Data != entry->DatabaseID())
                match = false;
            ++row;
        }
        return match;
    }

    // Whether the lines showed the list as it was at revision mShownRevision and the list's order
    // has changed since by `joined` entries joining it (and by the removes shown).
    bool OrderAsShown(std::uint64_t joined) const { return mList->OrderRevision() == mShownRevision + joined; }

    // The lines match the list again (after a step that compared them all).
    bool Matched()
    {
        mShownRevision = mList->OrderRevision();
        return true;
    }

    template <typename Item> bool ShowChanged(const Item& item)
    {
        // Lines are found by their item data: an entry without a DatabaseID is left to a refill.
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
        if (OrderAsShown(0)) {
            // The entry is where its line is.
            const int row = Model()->RowOfData(item->DatabaseID());
            if (row >= 0 && row < mList->Count() && mList->Item(row + 1) == item) {
                Model()->SetText(row, LineOf(item).Text);
                return true;
            }
        }
        const int count = mList->Count();
        if (OrderAsShown(1) && Model()->Count() == count && mList->Item(count) == item) {
            // Renamed (the one move since the lines were shown): the entry went last, its line follows.
            const int row = Model()->RowOfData(item->DatabaseID());
            if (row >= 0) {
                Model()->MoveLine(row, count - 1);
                Model()->SetText(count - 1, LineOf(item).Text);
                return Matched();
            }
        }
        int position = -1;
        const bool match = LinesMatch(&item, &position);
        if (position < 0)
            return false;
        if (!match) {
            // The entry moved in the list (a rename puts it last): its line follows it.
            const int row = Model()->RowOfData(item->DatabaseID());
            if (row < 0 || position >= Model()->Count())
                return false;
            Model()->MoveLine(row, position);
        }
        Model()->SetText(position, LineOf(item).Text);
        return (match || LinesMatch<Item>(nullptr, nullptr)) && Matched();
    }

    template <typename Item> bool ShowAdded(const Item& item)
    {
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
        const int count = mList->Count();
        if (OrderAsShown(1) && Model()->Count() == count - 1 && mList->Item(count) == item) {
            // Added last, and nothing else moved.
            Model()->InsertLine(count - 1, LineOf(item));
            return Matched();
        }
        int position = -1;
        LinesMatch(&item, &position);
        if (position < 0 || position > Model()->Count())
            return false;
        Model()->InsertLine(position, LineOf(item));
        return LinesMatch<Item>(nullptr, nullptr) && Matched();
    }

    template <typename Item> bool ShowRemoved(const Item& item)
    {
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
        const bool asShown = OrderAsShown(0) && Model()->Count() == mList->Count() + 1;
        const int row = Model()->RowOfData(item->DatabaseID());
        if (row < 0)
            return false;
        Model()->RemoveLine(row);
        return asShown || (LinesMatch<Item>(nullptr, nullptr) && Matched());
    }

    std::shared_ptr<ListT> mList;
    zel::Subscription mListChanged;
    zel::Subscription mItemChanged;
    zel::Subscription mItemAdded;
    zel::Subscription mItemRemoved;
    // The ListChanged about to come follows an ItemAdded or ItemRemoved already shown.
    bool mListChangeShown = false;
    // The list's OrderRevision when the lines last matched it (set by a refill and by the steps).
    mutable std::uint64_t mShownRevision = 0;
};

} // namespace zel::ui
