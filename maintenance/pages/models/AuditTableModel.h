#pragma once

#include "zel/data/AuditLog.h"

#include <QAbstractTableModel>

#include <vector>

namespace zel::ui {

// The rows of the site's audit trail a filter covers, newest first, as a table: time (UTC), user,
// host, program, action, clock, users, outcome and detail.
//
// Holds only the rows read so far. The view asks for more as it scrolls (canFetchMore and
// fetchMore): each page is read below the last row held (its row ID), so a deep page costs what
// the first one does. SetFilter reads the first page again.
//
// How it fails: an error of the site database while a page is read (a filter time that is not a
// time, a lost server) ends the reading and is kept in LastError; the rows read stay.
class AuditTableModel : public QAbstractTableModel {
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
    static constexpr int DefaultPageSize = 200;

    explicit AuditTableModel(QObject* parent = nullptr);

    void SetFilter(const zel::data::AuditFilter& filter);
    const zel::data::AuditFilter& Filter() const { return mFilter; }
    void Reload();
    void SetPageSize(int rows) { mPageSize = rows < 1 ? 1 : rows; }

    const zel::data::AuditEntry* EntryAt(int row) const;
    bool AllRead() const { return mAtEnd; }
    int PagesRead() const { return mPagesRead; }
    QString LastError() const { return mLastError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

private:
    zel::data::AuditFilter mFilter;
    std::vector<zel::data::AuditEntry> mRows;
    int mPageSize = DefaultPageSize;
    int mPagesRead = 0;
    bool mAtEnd = true;
    QString mLastError;
};

} // namespace zel::ui
