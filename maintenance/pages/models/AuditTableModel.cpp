#include "pages/models/AuditTableModel.h"

#include "ShownText.h"

#include <exception>
#include <iterator>

namespace zel::ui {

AuditTableModel::AuditTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void AuditTableModel::SetFilter(const zel::data::AuditFilter& filter)
{
    mFilter = filter;
    Reload();
}

void AuditTableModel::Reload()
{
    beginResetModel();
    mRows.clear();
    mPagesRead = 0;
    mAtEnd = false;
    mLastError.clear();
    endResetModel();
    fetchMore();
}

const zel::data::AuditEntry* AuditTableModel::EntryAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(mRows.size()))
        return nullptr;
    return &mRows[static_cast<std::size_t>(row)];
}

int AuditTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mRows.size());
}

int AuditTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AuditTableModel::data(const QModelIndex& index, int role) const
{
    const zel::data::AuditEntry* entry = EntryAt(index.row());
    if (!entry || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case ColumnTime:
        return QString::fromStdString(entry->Time);
    case ColumnUser:
        return ShownText(entry->OsUser);
    case ColumnHost:
        return ShownText(entry->Host);
    case ColumnProgram:
        return ShownText(entry->Program + " " + entry->Version);
    case ColumnAction:
        return ShownText(entry->Action);
    case ColumnClock:
        return ShownText(entry->ClockName);
    case ColumnUsers: {
        std::string users;
        for (const auto& id : entry->UserIDs)
            users += (users.empty() ? "" : ", ") + id;
        return ShownText(users);
    }
    case ColumnOutcome:
        return ShownText(entry->Outcome);
    case ColumnDetail:
        return ShownText(entry->Detail);
    default:
        return {};
    }
}

QVariant AuditTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const captions[] = {"Time (UTC)", "User",  "Host",    "Program", "Action",
                                           "Clock",      "Users", "Outcome", "Detail"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(captions[section]);
}

bool AuditTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !mAtEnd;
}

void AuditTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || mAtEnd)
        return;
    std::vector<zel::data::AuditEntry> page;
    try {
        page = zel::data::AuditLog().Page(mFilter, mRows.empty() ? 0 : mRows.back().ID, mPageSize);
    } catch (const std::exception& error) {
        mAtEnd = true;
        mLastError = QString::fromUtf8(error.what());
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
