#include "pages/models/EventTableModel.h"

#include "ShownText.h"

#include "zel/workflows/EventKinds.h"

#include <exception>
#include <iterator>

namespace zel::ui {

EventTableModel::EventTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void EventTableModel::SetFilter(const zel::data::EventFilter& filter)
{
    mFilter = filter;
    Reload();
}

void EventTableModel::Reload()
{
    beginResetModel();
    mRows.clear();
    mRows.shrink_to_fit();
    mPagesRead = 0;
    mAtEnd = false;
    mLastError.clear();
    endResetModel();
    fetchMore();
}

const zel::data::StoredEvent* EventTableModel::EventAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(mRows.size()))
        return nullptr;
    return &mRows[static_cast<std::size_t>(row)];
}

int EventTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mRows.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const
{
    const zel::data::StoredEvent* event = EventAt(index.row());
    if (!event || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case ColumnTime:
        return QString::fromStdString(event->TimeStamp);
    case ColumnClock:
        return ShownText(event->ClockName);
    case ColumnUserID:
        return ShownText(event->UserID);
    case ColumnUserName:
        return ShownText(event->UserName);
    case ColumnEvent:
        return QString::fromStdString(zel::workflows::EventKindText(event->FormatType));
    default:
        return {};
    }
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnTime:
        return QStringLiteral("Time");
    case ColumnClock:
        return QStringLiteral("Clock");
    case ColumnUserID:
        return QStringLiteral("User ID");
    case ColumnUserName:
        return QStringLiteral("User Name");
    case ColumnEvent:
        return QStringLiteral("Event");
    default:
        return {};
    }
}

bool EventTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !mAtEnd;
}

void EventTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || mAtEnd)
        return;
    std::optional<zel::data::EventCursor> after;
    if (!mRows.empty())
        after = zel::data::EventCursor{mRows.back().TimeStamp, mRows.back().ID};
    std::vector<zel::data::StoredEvent> page;
    try {
        page = zel::data::EventStore().PageAfter(mFilter, after, mPageSize);
    } catch (const std::exception& error) {
        mAtEnd = true;
        mLastError = QString::fromUtf8(error.what());
        emit ReadFailed(mLastError);
        return;
    }
    ++mPagesRead;
    if (static_cast<int>(page.size()) < mPageSize)
        mAtEnd = true;
    if (page.empty())
        return;
    const int first = static_cast<int>(mRows.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    mRows.insert(mRows.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}

} // namespace zel::ui
