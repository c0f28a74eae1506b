#include "editors/ItemListUI.h"

#include "editors/ListBoxView.h"

#include "zel/Error.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace zel::ui {
namespace {
constexpr long kInvalidArrayIndex = 381;
constexpr int kDesignWidth = 200;
constexpr int kDesignHeight = 300;
} // namespace

ItemListUI::ItemListUI(QWidget* parent)
    : QWidget(parent), mModel(new ItemListModel(this)), mRefill(this, [this] { RefillNow(); }),
      mBurstOver(this, [this] { mSteps = 0; }), mForgetSelection(this, [this] { ForgetSelection(); })
{
    resize(kDesignWidth, kDesignHeight);
    for (std::size_t i = 0; i < mBoxes.size(); ++i) {
        auto* box = new ListBoxView(this);
        box->setObjectName(QStringLiteral("lstItems_%1").arg(i));
        box->setModel(mModel);
        box->setSelectionMode(i == 0 ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
        box->setGeometry(0, 0, kDesignWidth, kDesignHeight);
        box->setVisible(i == 0);
        connect(box, &QAbstractItemView::clicked, this, [this] { emit Click(); });
        connect(box, &ListBoxView::KeyboardMoved, this, [this] { emit Click(); });
        mAnchor.Add(box, AnchorAll);
        mBoxes[i] = box;
    }
}

ItemListUI::~ItemListUI() = default;

void ItemListUI::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor.ReAnchor();
}

void ItemListUI::SetAllowMultiSelect(bool allow)
{
    if (ListCount() > 0)
        throw zel::Error(5, ErrorSource(), "Cannot change AllowMultiSelect while list contains items.");
    const bool enabled = Enabled();
    mAllowMultiSelect = allow;
    mCurrent = allow ? 1 : 0;
    for (std::size_t i = 0; i < mBoxes.size(); ++i)
        mBoxes[i]->setVisible(i == mCurrent);
    CurrentBox()->setEnabled(enabled);
}

bool ItemListUI::Enabled() const
{
    return CurrentBox()->isEnabled();
}

void ItemListUI::SetEnabled(bool enabled)
{
    CurrentBox()->setEnabled(enabled);
}

void ItemListUI::CheckIndex(int index) const
{
    if (index < 0 || index >= mModel->Count())
        throw zel::Error(kInvalidArrayIndex, ErrorSource(), "Invalid property array index");
}

std::int32_t ItemListUI::ItemData(int index)
{
    Flush();
    return index >= 0 && index < mModel->Count() ? mModel->At(index).Data : 0;
}

void ItemListUI::SetItemData(int index, std::int32_t value)
{
    Flush();
    CheckIndex(index);
    mModel->SetData(index, value);
}

QString ItemListUI::List(int index)
{
    Flush();
    return index >= 0 && index < mModel->Count() ? mModel->At(index).Text : QString();
}

void ItemListUI::SetList(int index, const QString& text)
{
    Flush();
    CheckIndex(index);
    mModel->SetText(index, text);
}

int ItemListUI::ListCount()
{
    Flush();
    return mModel->Count();
}

int ItemListUI::ListIndex()
{
    Flush();
    const QModelIndex current = CurrentBox()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ItemListUI::SetListIndex(int index)
{
    Flush();
    auto* selection = CurrentBox()->selectionModel();
    if (index < 0) {
        if (!mAllowMultiSelect)
            selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    CheckIndex(index);
    selection->setCurrentIndex(mModel->index(index),
                               mAllowMultiSelect ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
}

bool ItemListUI::Selected(int index)
{
    Flush();
    CheckIndex(index);
    return CurrentBox()->selectionModel()->isSelected(mModel->index(index));
}

void ItemListUI::SetSelected(int index, bool selected)
{
    Flush();
    CheckIndex(index);
    auto* selection = CurrentBox()->selectionModel();
    const QModelIndex at = mModel->index(index);
    if (!mAllowMultiSelect) {
        // A single-selection box: selecting a line makes it the one selected line.
        if (selected)
            selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
        else if (selection->isSelected(at))
            selection->clearSelection();
        return;
    }
    selection->select(at, selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void ItemListUI::SelectAll()
{
    Flush();
    if (mModel->Count() == 0)
        return;
    if (!mAllowMultiSelect) {
        SetSelected(mModel->Count() - 1, true); // each line in turn: the last one stays
        return;
    }
    QItemSelection all(mModel->index(0), mModel->index(mModel->Count() - 1));
    CurrentBox()->selectionModel()->select(all, QItemSelectionModel::Select);
}

void ItemListUI::UnselectAll()
{
    Flush();
    CurrentBox()->selectionModel()->clearSelection();
}

int ItemListUI::IndexOfData(std::int32_t value)
{
    Flush();
    for (int i = 0; i < mModel->Count(); ++i)
        if (mModel->At(i).Data == value)
            return i;
    return -1;
}

std::vector<std::int32_t> ItemListUI::SelectedData()
{
    Flush();
    std::vector<int> rows;
    for (const auto& index : CurrentBox()->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::int32_t> lineData;
    lineData.reserve(rows.size());
    for (int row : rows)
        lineData.push_back(mModel->At(row).Data);
    return lineData;
}

void ItemListUI::RefillNow()
{
    mRefill.Cancel();
    mForgetSelection.Cancel(); // the model reset drops the selection
    // The refill replaces every line; the previous selection is not kept.
    mModel->SetLines(CollectLines());
}

void ItemListUI::ApplyStep(const std::function<bool()>& step)
{
    if (mRefill.Pending())
        return;
    if (mSteps >= kStepsPerBurst) {
        ScheduleRefill();
        return;
    }
    ++mSteps;
    mBurstOver.Schedule();
    const bool matches = step();
    mForgetSelection.Schedule();
    if (!matches)
        ScheduleRefill();
}

void ItemListUI::ForgetSelection()
{
    // As a model reset does: no selected line, no current line, no signal.
    for (auto* box : mBoxes) {
        box->selectionModel()->reset();
        box->viewport()->update();
    }
}

} // namespace zel::ui
