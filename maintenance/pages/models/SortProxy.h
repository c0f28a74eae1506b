#pragma once

#include <QSortFilterProxyModel>

class QTreeView;

namespace zel::ui {

class ListTableModel;

// Header-click sorting of a report list: a click on a column not yet sorted sorts it ascending,
// each further click on it reverses the order. Numeric columns of the ListTableModel sort by
// number (9 before 10), the others as text without regard to letter case. Until the first click
// the rows stay in source order.
class SortProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit SortProxy(QObject* parent = nullptr);

    // Puts `model` behind this proxy, the proxy into `view`, and lets the view's header sort.
    void Attach(ListTableModel* model, QTreeView* view);

    // What a click on the header of `column` does.
    void ClickColumn(int column);
    int SortedColumn() const { return mSortColumn; }
    Qt::SortOrder SortedOrder() const { return mSortOrder; }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QTreeView* mView = nullptr;
    int mSortColumn = -1;
    Qt::SortOrder mSortOrder = Qt::AscendingOrder;
};

} // namespace zel::ui
