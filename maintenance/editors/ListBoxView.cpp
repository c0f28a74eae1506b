#include "editors/ListBoxView.h"

namespace zel::ui {

namespace {
constexpr int LayoutBatch = 5000;
}

ListBoxView::ListBoxView(QWidget* parent) : QListView(parent)
{
    setUniformItemSizes(true); // constant-time layout for lists of any length
    // A line added, removed or moved lays out the list again: in batches between events, so that
    // the lines in sight show at once and a list of 100,000 lines never holds the window up.
    setLayoutMode(QListView::Batched);
    setBatchSize(LayoutBatch);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void ListBoxView::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex() != before && currentIndex().isValid())
        emit KeyboardMoved();
}

void ListBoxView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    // All lines are as high and as wide as the first one: a changed text of another line moves no
    // line, and the lines need no new layout (QListView would lay out every line again).
    if (uniformItemSizes() && topLeft.isValid() && topLeft.row() > 0) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    QListView::dataChanged(topLeft, bottomRight, roles);
}

} // namespace zel::ui
