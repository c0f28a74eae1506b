#pragma once

#include "zel/data/EventStore.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace zel::ui {

// The stored events a filter covers, newest first, as a table: time, clock, user ID, user name
// and what happened.
//
// Holds only the rows read so far. The view asks for more as it scrolls (canFetchMore and
// fetchMore): each page is read from the site database after the last row held (its time stamp
// and row ID), so the millionth row costs what the first one does, and a table of any size opens
// at once. Filter reads the first page again.
//
// How it fails: an error of the site database while a page is read ends the reading (no more
// rows are offered) and is kept in LastError for the page to show; the rows read stay.
class EventTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnTime, ColumnClock, ColumnUserID, ColumnUserName, ColumnEvent, ColumnCount };
    static constexpr int DefaultPageSize = 200;

    explicit EventTableModel(QObject* parent = nullptr);

    // Shows the events `filter` covers from the newest on (the first page is read at once).
    void SetFilter(const zel::data::EventFilter& filter);
    const zel::data::EventFilter& Filter() const { return mFilter; }
    // Reads the first page again (after a collection).
    void Reload();
    void SetPageSize(int rows) { mPageSize = rows < 1 ? 1 : rows; }

    // The event of a row as read (rows past the end: nullptr).
    const zel::data::StoredEvent* EventAt(int row) const;
    // True when every row the filter covers has been read.
    bool AllRead() const { return mAtEnd; }
    // How many pages have been read since the last filter (the tests count them).
    int PagesRead() const { return mPagesRead; }
    QString LastError() const { return mLastError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

signals:
    // A page could not be read; `message` says why.
    void ReadFailed(const QString& message);

private:
    zel::data::EventFilter mFilter;
    std::vector<zel::data::StoredEvent> mRows;
    int mPageSize = DefaultPageSize;
    int mPagesRead = 0;
    bool mAtEnd = true;
    QString mLastError;
};

} // namespace zel::ui
