#include "editors/ItemListModel.h"

#include "ShownText.h"

#include <algorithm>

namespace zel::ui {

ItemListModel::ItemListModel(QObject* parent) : QAbstractListModel(parent) {}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QModelIndex ItemListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || row >= Count() || column != 0 || parent.isValid())
        return {};
    return createIndex(row, column);
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= Count())
        return {};
    const auto& line = At(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ShownText(line.Text);
    case Qt::UserRole:
        return line.Data;
    default:
        return {};
    }
}

void ItemListModel::SetText(int row, const QString& text)
{
    mLines[static_cast<std::size_t>(row)].Text = text;
    const auto at = index(row);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::ToolTipRole});
}

void ItemListModel::SetData(int row, std::int32_t data)
{
    mLines[static_cast<std::size_t>(row)].Data = data;
    const auto at = index(row);
    emit dataChanged(at, at, {Qt::UserRole});
}

int ItemListModel::RowOfData(std::int32_t data) const
{
    for (std::size_t i = 0; i < mLines.size(); ++i)
        if (mLines[i].Data == data)
            return static_cast<int>(i);
    return -1;
}

void ItemListModel::InsertLine(int row, Line line)
{
    beginInsertRows(QModelIndex(), row, row);
    mLines.insert(mLines.begin() + row, std::move(line));
    endInsertRows();
}

void ItemListModel::RemoveLine(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    mLines.erase(mLines.begin() + row);
    endRemoveRows();
}

void ItemListModel::MoveLine(int from, int to)
{
    if (from == to)
        return;
    // Qt counts the destination before the move: moving down names the row after the target.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    auto first = mLines.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    endMoveRows();
}

void ItemListModel::SetLines(std::vector<Line> lines)
{
    beginResetModel();
    mLines = std::move(lines);
    endResetModel();
}

void ItemListModel::Clear()
{
    SetLines({});
}

} // namespace zel::ui
