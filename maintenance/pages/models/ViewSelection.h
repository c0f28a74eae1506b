#pragma once

#include <QStringList>

#include <vector>

class QTreeView;

namespace zel::ui {

class ListTableModel;
class SortProxy;

// Selection helpers for a report list shown through a SortProxy.

// The source rows of the selected rows, in the order the view shows them.
std::vector<int> SelectedSourceRows(const QTreeView* view, const SortProxy* proxy);

// The keys of the selected rows, in view order.
QStringList SelectedKeys(const QTreeView* view, const SortProxy* proxy, const ListTableModel* model);

// Selects the rows with these keys (keys no longer present are passed over); one selection change.
void SelectKeys(QTreeView* view, const SortProxy* proxy, const ListTableModel* model, const QStringList& keys);

} // namespace zel::ui
