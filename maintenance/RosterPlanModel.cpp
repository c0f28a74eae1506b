#include "RosterPlanModel.h"

#include "zel/support/UserAuthorityLevel.h"

#include <QBrush>
#include <QColor>

namespace zel::ui {

using zel::workflows::RosterAction;

RosterPlanModel::RosterPlanModel(std::shared_ptr<const zel::workflows::RosterPlan> plan, QObject* parent)
    : QAbstractTableModel(parent), mPlan(std::move(plan))
{
}

void RosterPlanModel::SetRemoveMissing(bool remove)
{
    if (remove == mRemoveMissing)
        return;
    mRemoveMissing = remove;
    if (rowCount() > 0)
        emit dataChanged(index(0, ActionColumn), index(rowCount() - 1, ActionColumn));
}

QString RosterPlanModel::ActionText(int row) const
{
    const auto& entry = mPlan->Entries.at(static_cast<std::size_t>(row));
    if (entry.Action == RosterAction::Missing)
        return mRemoveMissing ? QStringLiteral("remove") : QStringLiteral("keep");
    return QString::fromLatin1(zel::workflows::RosterActionWord(entry.Action));
}

int RosterPlanModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(mPlan->Entries.size());
}

int RosterPlanModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RosterPlanModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto& entry = mPlan->Entries[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole && index.column() == ActionColumn) {
        if (entry.Action == RosterAction::Refused || (entry.Action == RosterAction::Missing && mRemoveMissing))
            return QBrush(QColor(0xB0, 0x00, 0x20));
        return {};
    }
    if (role == Qt::ToolTipRole && index.column() == DetailColumn)
        return QString::fromStdString(entry.Detail); // a refusal's reasons may run long
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case LineColumn:
        return entry.Line ? QVariant(static_cast<qulonglong>(entry.Line)) : QVariant();
    case ActionColumn:
        return ActionText(index.row());
    case UserIDColumn:
        return QString::fromStdString(entry.UserID);
    case NameColumn:
        return QString::fromStdString(entry.Name);
    case LevelColumn:
        if (entry.Action == RosterAction::Refused)
            return {};
        return QString::fromStdString(
            zel::support::DisplayName(static_cast<zel::support::UserAuthorityLevel>(entry.AuthorityLevel)));
    case DetailColumn:
        if (entry.Action == RosterAction::Missing)
            return entry.Enrolled ? QStringLiteral("not in the file (enrolled)") : QStringLiteral("not in the file");
        return QString::fromStdString(entry.Detail);
    default:
        return {};
    }
}

QVariant RosterPlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[] = {"Line", "Action", "User ID", "Name", "Level", "Detail"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section]) : QVariant();
}

} // namespace zel::ui
