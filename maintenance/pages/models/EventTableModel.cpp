#include "pages/models/EventTableModel.h"

#include "ShownText.h"

#include "zel/workflows/EventKinds.h"

#include <iterator>

namespace zel::ui {

EventTableModel::EventTableModel(QObject* parent)
    : PagedTableModel({QStringLiteral("Time"), QStringLiteral("Clock"), QStringLiteral("User ID"),
                       QStringLiteral("User Name"), QStringLiteral("Event")},
                      parent)
{
}

void EventTableModel::SetFilter(const zel::data::EventFilter& filter)
{
    mFilter = filter;
    Reload();
}

void EventTableModel::DropRows()
{
    mRows.clear();
    mRows.shrink_to_fit();
}

const zel::data::StoredEvent* EventTableModel::EventAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(mRows.size()))
        return nullptr;
    return &mRows[static_cast<std::size_t>(row)];
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

int EventTableModel::ReadPage(int count)
{
    std::optional<zel::data::EventCursor> after;
    if (!mRows.empty())
        after = zel::data::EventCursor{mRows.back().TimeStamp, mRows.back().ID};
    mPage = zel::data::EventStore().PageAfter(mFilter, after, count);
    return static_cast<int>(mPage.size());
}

void EventTableModel::KeepPage()
{
    mRows.insert(mRows.end(), std::make_move_iterator(mPage.begin()), std::make_move_iterator(mPage.end()));
    mPage.clear();
}

} // namespace zel::ui
