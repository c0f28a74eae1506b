#include "editors/ItemListModel.h"

namespace zel::ui {

ItemListModel::ItemListModel(QObject* parent) : QAbstractListModel(parent) {}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= Count())
        return {};
    const auto& line = At(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return line.Text;
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
