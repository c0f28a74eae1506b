#include "editors/ListBoxView.h"

namespace zel::ui {

ListBoxView::ListBoxView(QWidget* parent) : QListView(parent)
{
    setUniformItemSizes(true); // constant-time layout for lists of any length
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

} // namespace zel::ui
