#pragma once

#include "WriteScope.h"

#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

#include <map>
#include <memory>
#include <string>

struct sqlite3;

namespace zel::data::detail {

class SiteFile;
class SqliteStatement;
class WriterLock;

// The site database on SQLite 3. The only place that holds statement texts (with the modules of
// the Events table and of the layout).
//
// Every commit writes the database file itself (a rollback journal, see UseRollbackJournal), so
// the file alone holds every change once a write returns. Holds the engine's connection, the
// file's descriptor of this process (SiteFile) and, as the site's writer, the writer lock. How it
// fails: raises zel::Error with the numbers of IStore and DataSource; engine errors pass through
// CheckSqlite.
class SqliteStore : public IStore {
public:
    SqliteStore();
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Opens an existing site database; never creates a file (see DataSource).
    // ReadWrite: refused with SiteWriteAccessError while another process writes it (3045) or
    // when the file or its folder is read-only (70); takes the writer lock for this process and
    // brings an older file up to date once (see BringUpToDate).
    // Append: refused only when the file or its folder is read-only (70); takes no writer lock;
    // events are appended, every other write is refused (3027) with the reason found here.
    // ReadOnly: every write is refused (3027) with the reason found here.
    void Open(const std::string& filename, OpenMode mode = OpenMode::ReadWrite);
    // Makes a new site database with the three tables; refuses an existing file.
    static void Create(const std::string& filename);

    bool IsOpen() const override { return mDb != nullptr; }
    void Close() override;
    std::string FileName() const override { return mFileName; }
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
    void Backup(const std::string& destination, bool replace) override;

    bool HasTable(std::string_view table) override;
    std::int64_t CountRows(std::string_view table) override;
    void InsertWithID(std::string_view table, std::int64_t id, const std::vector<Field>& fields) override;
    std::int64_t LastID(std::string_view table) override;
    void ReserveIDsThrough(std::string_view table, std::int64_t id) override;

    // The engine's connection, for the statements of the Events table (nullptr when closed).
    sqlite3* Handle() const { return mDb; }

private:
    template <typename> friend class WriteScope;
    using Scope = WriteScope<SqliteStore>;

    sqlite3* RequireOpen() const;
    // A prepared statement kept for the life of the connection, one per statement text.
    SqliteStatement& Cached(const std::string& sql);
    void CloseHandle() noexcept;
    void BeginWrite();
    void CommitWrite();
    void RollbackWrite() noexcept;
    // After a commit on a file that another program keeps in WAL mode: copies the log into the
    // file (and leaves WAL mode when it can). Nothing to do, and no wait, otherwise.
    void FoldLogIntoFile() noexcept;

    sqlite3* mDb = nullptr;
    std::string mFileName;
    bool mReadOnly = false;  // the lists are not written
    bool mCanAppend = false; // events are appended (see OpenMode)
    std::string mReadOnlyReason;
    int mWriteDepth = 0;
    std::shared_ptr<SiteFile> mFile;
    std::shared_ptr<WriterLock> mWriterLock;
    std::map<std::string, std::unique_ptr<SqliteStatement>> mStatements;
};

} // namespace zel::data::detail
