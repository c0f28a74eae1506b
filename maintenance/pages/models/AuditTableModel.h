#pragma once

#include "zel/data/AuditLog.h"

#include "pages/models/PagedTableModel.h"

#include <vector>

namespace zel::ui {

// The rows of the site's audit trail a filter covers, newest first, as a table: time (UTC), user,
// host, program, action, clock, users, outcome and detail. Read a page at a time
// (PagedTableModel), each page below the last row held (its row ID); a filter time that is not a
// time fails the reading like a lost server. SetFilter reads the first page again.
class AuditTableModel : public PagedTableModel {
    Q_OBJECT
public:
    enum Column {
        ColumnTime,
        ColumnUser,
        ColumnHost,
        ColumnProgram,
        ColumnAction,
        ColumnClock,
        ColumnUsers,
        ColumnOutcome,
        ColumnDetail,
        ColumnCount
    };

    explicit AuditTableModel(QObject* parent = nullptr);

    void SetFilter(const zel::data::AuditFilter& filter);
    const zel::data::AuditFilter& Filter() const { return mFilter; }

    const zel::data::AuditEntry* EntryAt(int row) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int HeldRows() const override { return static_cast<int>(mRows.size()); }
    void DropRows() override { mRows.clear(); }
    int ReadPage(int count) override;
    void KeepPage() override;

private:
    zel::data::AuditFilter mFilter;
    std::vector<zel::data::AuditEntry> mRows;
    std::vector<zel::data::AuditEntry> mPage;
};

} // namespace zel::ui
