#include "pages/models/ListTableModel.h"

#include "ShownText.h"

namespace zel::ui {

ListTableModel::ListTableModel(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), mColumns(std::move(columns))
{
}

int ListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mRows.size());
}

int ListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mColumns.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const QString& text = mRows[static_cast<std::size_t>(index.row())].Cells.value(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ShownText(text);
    case SortRole:
        if (mColumns[static_cast<std::size_t>(index.column())].Numeric) {
            bool ok = false;
            qulonglong number = text.trimmed().toULongLong(&ok);
            if (ok)
                return number;
        }
        return text;
    default:
        return {};
    }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return mColumns[static_cast<std::size_t>(section)].Caption;
    return {};
}

int ListTableModel::ColumnOf(const QString& key) const
{
    for (std::size_t i = 0; i < mColumns.size(); ++i)
        if (mColumns[i].Key.compare(key, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

QString ListTableModel::KeyAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return mRows[static_cast<std::size_t>(row)].Key;
}

int ListTableModel::RowOf(const QString& key) const
{
    return mIndex.value(key.toCaseFolded(), -1);
}

QString ListTableModel::Text(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return mRows[static_cast<std::size_t>(row)].Cells.value(column);
}

void ListTableModel::RefillNow()
{
    mRefillPending = false;
    beginResetModel();
    mRows.clear();
    mIndex.clear();
    Fill(mRows);
    mIndex.reserve(static_cast<qsizetype>(mRows.size()));
    for (std::size_t i = 0; i < mRows.size(); ++i)
        if (!mRows[i].Key.isEmpty())
            mIndex.insert(mRows[i].Key.toCaseFolded(), static_cast<int>(i));
    ++mRefillCount;
    endResetModel();
}

void ListTableModel::ScheduleRefill()
{
    if (mRefillPending)
        return;
    mRefillPending = true;
    QMetaObject::invokeMethod(this, &ListTableModel::RunScheduledRefill, Qt::QueuedConnection);
}

void ListTableModel::RunScheduledRefill()
{
    if (mRefillPending) // a RefillNow in between has done the work already
        RefillNow();
}

} // namespace zel::ui
