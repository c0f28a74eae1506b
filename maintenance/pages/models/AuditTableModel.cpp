#include "pages/models/AuditTableModel.h"

#include "ShownText.h"

#include <iterator>

namespace zel::ui {

AuditTableModel::AuditTableModel(QObject* parent)
    : PagedTableModel({QStringLiteral("Time (UTC)"), QStringLiteral("User"), QStringLiteral("Host"),
                       QStringLiteral("Program"), QStringLiteral("Action"), QStringLiteral("Clock"),
                       QStringLiteral("Users"), QStringLiteral("Outcome"), QStringLiteral("Detail")},
                      parent)
{
}

void AuditTableModel::SetFilter(const zel::data::AuditFilter& filter)
{
    mFilter = filter;
    Reload();
}

const zel::data::AuditEntry* AuditTableModel::EntryAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(mRows.size()))
        return nullptr;
    return &mRows[static_cast<std::size_t>(row)];
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

int AuditTableModel::ReadPage(int count)
{
    mPage = zel::data::AuditLog().Page(mFilter, mRows.empty() ? 0 : mRows.back().ID, count);
    return static_cast<int>(mPage.size());
}

void AuditTableModel::KeepPage()
{
    mRows.insert(mRows.end(), std::make_move_iterator(mPage.begin()), std::make_move_iterator(mPage.end()));
    mPage.clear();
}

} // namespace zel::ui
