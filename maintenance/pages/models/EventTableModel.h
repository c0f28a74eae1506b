#pragma once

#include "zel/data/EventStore.h"

#include "pages/models/PagedTableModel.h"

#include <vector>

namespace zel::ui {

// The stored events a filter covers, newest first, as a table: time, clock, user ID, user name
// and what happened. Read a page at a time (PagedTableModel), each page after the last row held
// (its time stamp and row ID). SetFilter and Reload (after a collection) read the first page again.
class EventTableModel : public PagedTableModel {
    Q_OBJECT
public:
    enum Column { ColumnTime, ColumnClock, ColumnUserID, ColumnUserName, ColumnEvent, ColumnCount };

    explicit EventTableModel(QObject* parent = nullptr);

    // Shows the events `filter` covers from the newest on (the first page is read at once).
    void SetFilter(const zel::data::EventFilter& filter);
    const zel::data::EventFilter& Filter() const { return mFilter; }

    // The event of a row as read (rows past the end: nullptr).
    const zel::data::StoredEvent* EventAt(int row) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int HeldRows() const override { return static_cast<int>(mRows.size()); }
    void DropRows() override;
    int ReadPage(int count) override;
    void KeepPage() override;

private:
    zel::data::EventFilter mFilter;
    std::vector<zel::data::StoredEvent> mRows;
    std::vector<zel::data::StoredEvent> mPage;
};

} // namespace zel::ui
