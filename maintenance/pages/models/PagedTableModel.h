#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace zel::ui {

// A table of rows that the site database hands out a page at a time, newest first: the base of
// the Events page's table and of the Activity window's.
//
// Holds the column captions and where the reading stands; the rows read so far are the
// subclass's. The view asks for more as it scrolls (canFetchMore and fetchMore): the subclass
// reads each page after the last row it holds, so the millionth row costs what the first one
// does, and a table of any size opens at once. Reload reads the first page again.
//
// How it fails: an error of the site database while a page is read ends the reading (no more
// rows are offered), is kept in LastError and told by ReadFailed; the rows read stay.
class PagedTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int DefaultPageSize = 200;

    // Drops the rows held and reads the first page.
    void Reload();
    void SetPageSize(int rows) { mPageSize = rows < 1 ? 1 : rows; }
    // True when every row the filter covers has been read.
    bool AllRead() const { return mAtEnd; }
    // How many pages have been read since the last Reload (the tests count them).
    int PagesRead() const { return mPagesRead; }
    QString LastError() const { return mLastError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

signals:
    // A page could not be read; `message` says why.
    void ReadFailed(const QString& message);

protected:
    PagedTableModel(QStringList captions, QObject* parent);

    virtual int HeldRows() const = 0;
    virtual void DropRows() = 0;
    // Reads up to `count` rows after the last one held and keeps them aside; their number. Raises
    // what the site database raises.
    virtual int ReadPage(int count) = 0;
    // Appends the rows kept aside by ReadPage to the rows held.
    virtual void KeepPage() = 0;

private:
    QStringList mCaptions;
    int mPageSize = DefaultPageSize;
    int mPagesRead = 0;
    bool mAtEnd = true;
    QString mLastError;
};

} // namespace zel::ui
