#include "pages/models/PagedTableModel.h"

#include <exception>
#include <utility>

namespace zel::ui {

PagedTableModel::PagedTableModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), mCaptions(std::move(captions))
{
}

void PagedTableModel::Reload()
{
    beginResetModel();
    DropRows();
    mPagesRead = 0;
    mAtEnd = false;
    mLastError.clear();
    endResetModel();
    fetchMore();
}

int PagedTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : HeldRows();
}

int PagedTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mCaptions.size());
}

QVariant PagedTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= mCaptions.size())
        return {};
    return mCaptions[section];
}

bool PagedTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !mAtEnd;
}

void PagedTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || mAtEnd)
        return;
    int read = 0;
    try {
        read = ReadPage(mPageSize);
    } catch (const std::exception& error) {
        mAtEnd = true;
        mLastError = QString::fromUtf8(error.what());
        emit ReadFailed(mLastError);
        return;
    }
    ++mPagesRead;
    if (read < mPageSize)
        mAtEnd = true;
    if (read == 0)
        return;
    const int first = HeldRows();
    beginInsertRows({}, first, first + read - 1);
    KeepPage();
    endInsertRows();
}

} // namespace zel::ui
