#pragma once

#include "editors/EditorSupport.h"
#include "editors/ItemListUI.h"

#include "zel/Event.h"

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zel::ui {

// A list view bound to one of the site database's lists (users, clocks or channels): one line
// per entry, text = the entry's Name, item data = its DatabaseID, in the list's order. The view
// follows the list line by line: ListItemChanged updates the entry's line (and moves it when the
// entry moved in the list, as a rename does), ItemAdded inserts a line and ItemRemoved takes one
// out; the ListChanged that follows those is then already shown. Any other ListChanged refills
// the view, once per burst.
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
        std::unordered_map<std::int32_t, ItemPtr> byID;
        for (const auto& item : *mList)
            byID.emplace(item->DatabaseID(), item);
        for (auto id : lineData) {
            auto found = byID.find(id);
            if (found != byID.end())
                items.push_back(found->second);
        }
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

    template <typename Item> bool ShowChanged(const Item& item)
    {
        // Lines are found by their item data: an entry without a DatabaseID is left to a refill.
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
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
        return match || LinesMatch<Item>(nullptr, nullptr);
    }

    template <typename Item> bool ShowAdded(const Item& item)
    {
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
        int position = -1;
        LinesMatch(&item, &position);
        if (position < 0 || position > Model()->Count())
            return false;
        Model()->InsertLine(position, LineOf(item));
        return LinesMatch<Item>(nullptr, nullptr);
    }

    template <typename Item> bool ShowRemoved(const Item& item)
    {
        if (!mList || !item || item->DatabaseID() == 0)
            return false;
        const int row = Model()->RowOfData(item->DatabaseID());
        if (row < 0)
            return false;
        Model()->RemoveLine(row);
        return LinesMatch<Item>(nullptr, nullptr);
    }

    std::shared_ptr<ListT> mList;
    zel::Subscription mListChanged;
    zel::Subscription mItemChanged;
    zel::Subscription mItemAdded;
    zel::Subscription mItemRemoved;
    // The ListChanged about to come follows an ItemAdded or ItemRemoved already shown.
    bool mListChangeShown = false;
};

} // namespace zel::ui
