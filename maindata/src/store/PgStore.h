#pragma once

#include "WriteScope.h"

#include "PgConnection.h"
#include "PgSchema.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zel::data::detail {

// The site database on a PostgreSQL server, for sites that several administrators change at
// once. The only place besides the events and change feed modules that holds its statement texts.
//
// Several programs write one site at the same time, so there is no writer lock. Instead every
// row of the three tables carries a RowVersion: the store remembers the version of each row as
// it read or wrote it, and an Update or Delete changes the row only while it still has that
// version (and raises it by one). A row that another connection changed or removed meanwhile is
// refused with error 3197 and the transaction writes nothing; only the removal of a row that is
// gone already is no error (as in the file).
class PgStore : public IStore {
public:
    PgStore();
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    // Connects to the site `site` (a postgresql:// URI) and checks that the database holds the
    // three tables (3343 otherwise). ReadOnly: the session accepts no writes and every write is
    // refused with 3027. Append: events are appended, every write of the lists is refused with
    // 3027. A writable open brings an older site up to date once (see BringPgSiteUpToDate).
    void Open(const std::string& site, OpenMode mode = OpenMode::ReadWrite);
    // Makes the tables of a new site in the empty database `site`; refuses a database that holds
    // any of them already (58).
    static void Create(const std::string& site);

    bool IsOpen() const override { return mConnection != nullptr; }
    void Close() override;
    // The site's URI without its password.
    std::string FileName() const override { return mSite; }
    std::string EngineVersion() const override;
    bool IsReadOnly() const override { return mReadOnly; }
    std::string ReadOnlyReason() const override { return mReadOnly ? mReadOnlyReason : std::string(); }
    void CheckWritable() const override;
    void CheckCanAppend() const override;
    void Transact(const std::function<void()>& work) override;
    void Append(const std::function<void()>& work) override;

    void ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow) override;
    bool ReadRow(std::string_view table, std::int64_t id, const std::function<void(const Record&)>& onRow) override;
    std::int64_t Insert(std::string_view table, const std::vector<Field>& fields) override;
    int Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields) override;
    int Delete(std::string_view table, std::int64_t id) override;
    // Writes an SQLite site file with every row of this site (see CopySite).
    void Backup(const std::string& destination, bool replace) override;

    bool HasTable(std::string_view table) override;
    std::int64_t CountRows(std::string_view table) override;
    void InsertWithID(std::string_view table, std::int64_t id, const std::vector<Field>& fields) override;
    std::int64_t LastID(std::string_view table) override;
    void ReserveIDsThrough(std::string_view table, std::int64_t id) override;

    // The connection's socket; the session listens to the change feed of the site (see
    // PgChangeFeed), also after a reconnect.
    int ChangeDescriptor() const override;
    std::vector<StoredChange> TakeChanges() override;

    // The open connection, for the statements of the Events table (3704 when closed).
    PgConnection& Connection();

private:
    template <typename> friend class WriteScope;
    using Scope = WriteScope<PgStore>;
    struct VersionUndo {
        std::string Table;
        std::int64_t ID = 0;
        std::optional<std::int64_t> Old;
    };

    PgConnection& RequireOpen();
    void Configure();
    // Makes a lost connection again (listening again); queues, as changes, what other programs
    // did to the rows this connection had read while it was gone (their notifications are lost).
    void Reconnect();
    void QueueMissedChanges();
    const PgTableColumns& ColumnsOf(std::string_view table);
    std::vector<PgParam> Params(std::string_view table, const std::vector<Field>& fields);
    // Calls `onRow` for every row of `result` (without RowVersion), remembering each row's version.
    void ReadRows(std::string_view table, PgResult& result, const std::function<void(const Record&)>& onRow);
    void BeginWrite();
    void CommitWrite();
    void RollbackWrite() noexcept;
    // Runs one statement of a write, inside the caller's transaction.
    template <typename Body> auto Statement(Body body);

    std::optional<std::int64_t> KnownVersion(const std::string& table, std::int64_t id) const;
    void SetVersion(const std::string& table, std::int64_t id, std::optional<std::int64_t> version);
    bool RowExists(std::string_view table, std::int64_t id);
    // Error 3197 for the row `id`, saying whether it was changed or removed.
    [[noreturn]] void RaiseChanged(std::string_view table, std::int64_t id);
    void RaiseChangedIfExists(std::string_view table, std::int64_t id);

    std::unique_ptr<PgConnection> mConnection;
    std::string mSite;
    bool mReadOnly = false;  // the lists are not written
    bool mCanAppend = false; // events are appended (see OpenMode)
    std::string mReadOnlyReason;
    int mWriteDepth = 0;
    bool mFailed = false; // a statement failed inside the open transaction
    std::map<std::string, PgTableColumns> mColumns;
    std::map<std::string, std::unordered_map<std::int64_t, std::int64_t>> mVersions;
    std::vector<StoredChange> mMissed;                         // found after a reconnect, not taken yet
    std::chrono::steady_clock::time_point mNextReconnectTry{}; // TakeChanges tries now and then
    std::vector<VersionUndo> mUndo;
    std::vector<std::size_t> mUndoMarks;
};

} // namespace zel::data::detail
