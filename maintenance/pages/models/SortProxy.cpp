#include "pages/models/SortProxy.h"

#include "layout/Twips.h"
#include "pages/models/ListTableModel.h"

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace zel::ui {

SortProxy::SortProxy(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(ListTableModel::SortRole);
    setDynamicSortFilter(true);
}

void SortProxy::Attach(ListTableModel* model, QTreeView* view)
{
    setSourceModel(model);
    mView = view;
    view->setModel(this);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(false); // the clicks are handled here
    QHeaderView* header = view->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(true); // free room to the right goes to the last column
    for (int i = 0; i < model->columnCount(); ++i)
        header->resizeSection(i, std::max(TwipsToPixels(model->Columns()[static_cast<std::size_t>(i)].WidthTwips),
                                          header->sectionSizeHint(i))); // the caption stays readable
    connect(header, &QHeaderView::sectionClicked, this, &SortProxy::ClickColumn);
}

void SortProxy::ClickColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    if (column == mSortColumn)
        mSortOrder = mSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        mSortOrder = Qt::AscendingOrder;
    mSortColumn = column;
    sort(column, mSortOrder);
    if (mView != nullptr) {
        mView->header()->setSortIndicatorShown(true);
        mView->header()->setSortIndicator(column, mSortOrder);
    }
}

bool SortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    QVariant l = left.data(sortRole());
    QVariant r = right.data(sortRole());
    bool lNumber = l.typeId() == QMetaType::ULongLong;
    bool rNumber = r.typeId() == QMetaType::ULongLong;
    if (lNumber && rNumber)
        return l.toULongLong() < r.toULongLong();
    if (lNumber != rNumber)
        return lNumber; // numbers before texts in a numeric column
    return l.toString().compare(r.toString(), Qt::CaseInsensitive) < 0;
}

} // namespace zel::ui
