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
// per entry, text = the entry's Name, item data = its DatabaseID. The bound list's ListChanged
// and ListItemChanged refill the view once per burst.
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
        mList = std::move(list);
        if (mList) {
            mListChanged = mList->ListChanged().Subscribe([this] { ScheduleRefill(); });
            mItemChanged = mList->ListItemChanged().Subscribe([this](const auto&) { ScheduleRefill(); });
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
    std::shared_ptr<ListT> mList;
    zel::Subscription mListChanged;
    zel::Subscription mItemChanged;
};

} // namespace zel::ui
