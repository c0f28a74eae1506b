#pragma once

#include "editors/DeferredCall.h"
#include "editors/ItemListModel.h"
#include "layout/Anchor.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zel::ui {

class ListBoxView;

// What the three list views share: two list boxes over one model, lstItems(0) with single and
// lstItems(1) with multiple selection, of which exactly one is visible; the pass-through
// properties of the visible box; and the refill that follows the bound list.
//
// Control names: the list boxes are named "lstItems_0" and "lstItems_1".
//
// The view follows the bound list's changes line by line: a change of one entry updates, inserts,
// moves or removes that entry's line at once (see ApplyStep), so one change costs the same in a
// list of any length. A change the view cannot follow line by line, or a burst of more than a
// few changes within one turn of the event loop, marks the view stale and posts one refill, so a
// burst costs at most one refill. Either way the lines end as a refill would make them and no
// line stays selected. Every read of the view's contents (ListCount, ListIndex, ...) first
// carries out a pending refill, so callers always see the list as it is.
class ItemListUI : public QWidget {
    Q_OBJECT
public:
    explicit ItemListUI(QWidget* parent = nullptr);
    ~ItemListUI() override;

    bool AllowMultiSelect() const { return mAllowMultiSelect; }
    // Error 5 "Cannot change AllowMultiSelect while list contains items." while the visible box
    // holds a line; then nothing changes.
    void SetAllowMultiSelect(bool allow);

    bool Enabled() const;
    void SetEnabled(bool enabled);

    // Pass-through properties of the visible list box. Lines are numbered from 0; ListIndex -1
    // means no line. Reading past the end gives 0 or the empty text; writing past it raises
    // error 381.
    std::int32_t ItemData(int index);
    void SetItemData(int index, std::int32_t value);
    QString List(int index);
    void SetList(int index, const QString& text);
    int ListCount();
    int ListIndex();
    void SetListIndex(int index);
    bool Selected(int index);
    void SetSelected(int index, bool selected);
    void SelectAll();
    void UnselectAll();
    // The first line whose item data is `value`, or -1.
    int IndexOfData(std::int32_t value);

    // Carries out a pending refill now.
    void Flush()
    {
        mRefill.Flush();
        mForgetSelection.Flush();
    }

    // The visible list box (for the host's focus and tests).
    ListBoxView* CurrentBox() const { return mBoxes[mCurrent]; }
    ItemListModel* Model() const { return mModel; }

signals:
    // The user clicked a line (or moved to one with the keyboard).
    void Click();

protected:
    // The lines of the bound list, in its enumeration order (empty when none is bound).
    virtual std::vector<ItemListModel::Line> CollectLines() const = 0;

    // Refills at once (binding) / once the present burst of change events is over.
    void RefillNow();
    void ScheduleRefill() { mRefill.Schedule(); }

    // Follows one change of the bound list: `step` changes the lines and answers whether they now
    // match the list. Skipped while a refill is pending (it covers the change); a step that does
    // not match, or one step too many in a burst, posts a refill instead. Once the burst is over
    // (or at the next read) no line is selected, as after a refill.
    void ApplyStep(const std::function<bool()>& step);

    // The item data of the selected lines, in line order.
    std::vector<std::int32_t> SelectedData();

    void resizeEvent(QResizeEvent* event) override;

    // Error source of the raised errors (the class name).
    virtual const char* ErrorSource() const = 0;

private:
    void CheckIndex(int index) const;
    void ForgetSelection();

    ItemListModel* mModel;
    std::array<ListBoxView*, 2> mBoxes{};
    std::size_t mCurrent = 0;
    bool mAllowMultiSelect = false;
    Anchor mAnchor;
    DeferredCall mRefill;
    // Line-by-line steps taken in the present turn of the event loop.
    static constexpr int kStepsPerBurst = 8;
    int mSteps = 0;
    DeferredCall mBurstOver;
    // After line-by-line steps, the selection goes when the burst is over, as with a refill.
    DeferredCall mForgetSelection;
};

} // namespace zel::ui
