#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace zel::ui {

// A report list's rows: each row has a key and one text per column, shown as ShownText shows it
// (Text gives it as it is). Subclasses fill the rows
// from their source (Fill); change notifications of the source call ScheduleRefill, and any
// number of them before control returns to the event loop make a single refill.
class ListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString Caption;
        QString Key;
        int WidthTwips = 1440;
        bool Numeric = false; // sorted by number rather than by text
    };

    // The role under which SortProxy reads a cell for sorting (the number for numeric columns).
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit ListTableModel(std::vector<Column> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const std::vector<Column>& Columns() const { return mColumns; }
    // The column with that key, or -1.
    int ColumnOf(const QString& key) const;

    // The key of a row (0-based source row), and the row of a key (-1 when absent).
    QString KeyAt(int row) const;
    int RowOf(const QString& key) const;
    QString Text(int row, int column) const;

    // Rebuilds the rows now (one model reset).
    void RefillNow();
    // Asks for a rebuild once control is back in the event loop; repeated calls coalesce.
    void ScheduleRefill();
    bool RefillPending() const { return mRefillPending; }
    // How many times the rows were rebuilt (a measure for tests and benchmarks).
    int RefillCount() const { return mRefillCount; }

protected:
    struct Row {
        QString Key;
        QStringList Cells;
    };

    // Produces the rows in source order.
    virtual void Fill(std::vector<Row>& rows) = 0;

private:
    void RunScheduledRefill();

    std::vector<Column> mColumns;
    std::vector<Row> mRows;
    QHash<QString, int> mIndex; // case-folded key -> row
    bool mRefillPending = false;
    int mRefillCount = 0;
};

} // namespace zel::ui
