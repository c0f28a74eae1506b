#pragma once

#include "zel/data/FieldValue.h"
#include "zel/data/Record.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::data {

// A row that another connection to the site inserted, changed or removed (see IStore::TakeChanges).
struct StoredChange {
    enum Kind { Inserted, Updated, Deleted };
    std::string Table; // as the description classes name it: Users, Readers or Channels
    std::int64_t ID = 0;
    Kind What = Updated;
};

// The connection to the site database: row-level operations on the three tables. The description
// classes speak only to this interface; the engine behind it (the SQLite file, or a PostgreSQL
// server for a shared site) owns every statement text.
// Every operation on a store that is not open fails with error 3704.
//
// Every write of the lists goes through one gate, CheckWritable: on a store opened read-only, or
// opened to append events (OpenMode::Append), it is refused there with error 3027, whose
// description says why. Appends to the append-only tables (Events) go through CheckCanAppend,
// which refuses them only on a store opened read-only.
class IStore {
public:
    virtual ~IStore() = default;

    virtual bool IsOpen() const = 0;
    // Closes the connection; error 3704 when it is not open. Every change is in the database
    // itself once its write has returned (see the engines), so closing adds nothing to it.
    virtual void Close() = 0;

    // The file the store was opened on, and the engine's name and version (for the About box).
    virtual std::string FileName() const = 0;
    virtual std::string EngineVersion() const = 0;

    // True when the store was opened read-only; ReadOnlyReason says why, in words (empty when
    // it can write).
    virtual bool IsReadOnly() const = 0;
    virtual std::string ReadOnlyReason() const = 0;
    // The gate of every write: error 3704 when the store is not open, 3027 when it is read-only.
    virtual void CheckWritable() const = 0;
    // The gate of appends to the append-only tables: 3704 when not open, 3027 when opened
    // read-only (a store opened to append, or as the writer, passes).
    virtual void CheckCanAppend() const = 0;

    // Runs `work` as one transaction: its writes are kept together when it returns, and none of
    // them when it raises (the error then reaches the caller). Nested calls join the outer one
    // (a nested failure undoes the nested writes only).
    virtual void Transact(const std::function<void()>& work) = 0;
    // The same for `work` that only appends to the append-only tables (through CheckCanAppend);
    // a write of the lists inside it is still refused. On a file the transaction waits a moment
    // for another program's transaction, as the writer's transactions wait for its appends.
    virtual void Append(const std::function<void()>& work) = 0;

    // Calls `onRow` for every row of `table`, in the order the engine returns them.
    virtual void ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow) = 0;
    // Calls `onRow` with the row `id` of `table`; false (and no call) when there is no such row.
    // A store shared by several writers remembers the row's version, as ReadAll does.
    virtual bool ReadRow(std::string_view table, std::int64_t id, const std::function<void(const Record&)>& onRow) = 0;
    // Appends a row with the given columns set (the others keep their defaults); returns its ID,
    // which the engine assigns and never hands out again. The ID is checked inside the
    // transaction that inserts the row: one that does not fit 32 bits fails with error 6 and the
    // row is not stored.
    virtual std::int64_t Insert(std::string_view table, const std::vector<Field>& fields) = 0;
    // Sets the given columns of the row `id`; returns the number of rows changed (0 or 1).
    // A store shared by several writers (PostgreSQL) changes the row only while it is as this
    // connection read or wrote it; a row changed or removed by another connection since then
    // fails with error 3197 and is left as it is. The file returns 0 for a vanished row.
    virtual int Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields) = 0;
    // Deletes the row `id`; returns the number of rows deleted (0 or 1). Error 3197 when another
    // connection changed the row since this one read it (a row gone already is no error).
    virtual int Delete(std::string_view table, std::int64_t id) = 0;

    // For copying a whole site (see CopySite): whether the database has the table; how many
    // rows it holds; a row added with the given ID; the highest ID the table has handed out
    // (also of rows removed since; 0 for none); and making the table hand out only IDs above
    // `id` from now on.
    virtual bool HasTable(std::string_view table) = 0;
    virtual std::int64_t CountRows(std::string_view table) = 0;
    virtual void InsertWithID(std::string_view table, std::int64_t id, const std::vector<Field>& fields) = 0;
    virtual std::int64_t LastID(std::string_view table) = 0;
    virtual void ReserveIDsThrough(std::string_view table, std::int64_t id) = 0;

    // Writes a consistent copy of the database, as it is now, to the new file `destination`
    // (mode 0600), also while the database is in use. A server's site is copied into a new
    // SQLite site file. An existing `destination` is refused with error 58 unless `replace` is
    // true; then it is replaced only once the copy is complete.
    virtual void Backup(const std::string& destination, bool replace) = 0;

    // The feed of changes made by other connections, on a store shared by several writers.
    // ChangeDescriptor is a file descriptor that becomes readable when changes arrive (-1 when the
    // engine has no feed, or while the connection is lost: the next operation connects again, and
    // the descriptor may then differ). Changes may also arrive while other operations run, without
    // the descriptor becoming readable, so a caller takes them also at other moments.
    // TakeChanges never blocks: the changes that arrived since its last call, in the order they
    // were committed; the connection's own writes are not among them. It raises no error (a lost
    // connection has no changes).
    virtual int ChangeDescriptor() const { return -1; }
    virtual std::vector<StoredChange> TakeChanges() { return {}; }
};

} // namespace zel::data
