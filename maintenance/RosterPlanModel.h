#pragma once

#include "zel/workflows/RosterPlan.h"

#include <QAbstractTableModel>

#include <memory>

namespace zel::ui {

// The rows of a roster import's plan for a table view: Line, Action, User ID, Name, Level and
// Detail, one line per entry in the plan's order. A user of the site that the file lacks shows the
// action "keep" or "remove", as SetRemoveMissing says. Holds the plan it is given; read only.
class RosterPlanModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { LineColumn, ActionColumn, UserIDColumn, NameColumn, LevelColumn, DetailColumn, ColumnCount };

    explicit RosterPlanModel(std::shared_ptr<const zel::workflows::RosterPlan> plan, QObject* parent = nullptr);

    void SetRemoveMissing(bool remove);
    // The action word of a row as shown ("add", "change", "unchanged", "refused", "keep", "remove").
    QString ActionText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const zel::workflows::RosterPlan> mPlan;
    bool mRemoveMissing = false;
};

} // namespace zel::ui
