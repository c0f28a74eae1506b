#include "pages/models/ViewSelection.h"

#include "pages/models/ListTableModel.h"
#include "pages/models/SortProxy.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>

namespace zel::ui {

std::vector<int> SelectedSourceRows(const QTreeView* view, const SortProxy* proxy)
{
    std::vector<int> proxyRows;
    const QItemSelectionModel* selection = view->selectionModel();
    if (selection == nullptr)
        return {};
    for (const QItemSelectionRange& range : selection->selection()) {
        if (range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            proxyRows.push_back(row);
    }
    std::sort(proxyRows.begin(), proxyRows.end());
    proxyRows.erase(std::unique(proxyRows.begin(), proxyRows.end()), proxyRows.end());
    std::vector<int> sourceRows;
    sourceRows.reserve(proxyRows.size());
    for (int row : proxyRows) {
        QModelIndex source = proxy->mapToSource(proxy->index(row, 0));
        if (source.isValid())
            sourceRows.push_back(source.row());
    }
    return sourceRows;
}

QStringList SelectedKeys(const QTreeView* view, const SortProxy* proxy, const ListTableModel* model)
{
    QStringList keys;
    for (int row : SelectedSourceRows(view, proxy))
        keys.push_back(model->KeyAt(row));
    return keys;
}

void SelectKeys(QTreeView* view, const SortProxy* proxy, const ListTableModel* model, const QStringList& keys)
{
    if (keys.isEmpty() || view->selectionModel() == nullptr)
        return;
    std::vector<int> proxyRows;
    proxyRows.reserve(static_cast<std::size_t>(keys.size()));
    for (const QString& key : keys) {
        int source = model->RowOf(key);
        if (source < 0)
            continue;
        QModelIndex index = proxy->mapFromSource(model->index(source, 0));
        if (index.isValid())
            proxyRows.push_back(index.row());
    }
    std::sort(proxyRows.begin(), proxyRows.end());
    QItemSelection selection;
    int lastColumn = proxy->columnCount() - 1;
    for (std::size_t i = 0; i < proxyRows.size();) {
        std::size_t j = i;
        while (j + 1 < proxyRows.size() && proxyRows[j + 1] == proxyRows[j] + 1)
            ++j;
        selection.select(proxy->index(proxyRows[i], 0), proxy->index(proxyRows[j], lastColumn));
        i = j + 1;
    }
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

} // namespace zel::ui
