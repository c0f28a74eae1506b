#include "SqliteStore.h"

#include "../Conversions.h"
#include "SiteFile.h"
#include "SqliteSchema.h"
#include "SqliteStatement.h"
#include "WriterLock.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/SiteErrors.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::data::detail {

namespace {

constexpr std::array<const char*, 3> RequiredTables = {"Users", "Readers", "Channels"};

[[noreturn]] void Refuse(long number, const std::string& description)
{
    Raise(number, description);
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// A table or column name as an SQL identifier.
std::string Identifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string FolderOf(const std::string& filename)
{
    auto folder = std::filesystem::path(filename).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// A transaction on a connection of its own (making a new file), rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : mDb(db)
    {
        CheckSqlite(mDb, sqlite3_exec(mDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), "Beginning a transaction");
    }
    ~Transaction()
    {
        if (!mDone)
            sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit()
    {
        CheckSqlite(mDb, sqlite3_exec(mDb, "COMMIT", nullptr, nullptr, nullptr), "Committing a transaction");
        mDone = true;
    }

private:
    sqlite3* mDb;
    bool mDone = false;
};

// Looks at the first bytes of the file and refuses anything that is not an SQLite 3 database,
// naming what it is where that is known.
void CheckFileKind(const std::string& filename, const SiteFile& file)
{
    std::array<char, 100> header{};
    ssize_t got = ::pread(file.Descriptor(), header.data(), header.size(), 0);
    if (got < 0)
        Refuse(errc::PathFileAccessError, "Cannot read the database file " + Quoted(filename) + ".");

    auto has = [&](std::size_t offset, std::string_view text) {
        return static_cast<std::size_t>(got) >= offset + text.size() &&
               std::memcmp(header.data() + offset, text.data(), text.size()) == 0;
    };
    if (has(4, "Standard Jet DB") || has(4, "Standard ACE DB"))
        Refuse(errc::UnrecognizedDatabaseFormat,
               Quoted(filename) + " is a Microsoft Access (Jet) database, which this version cannot open. "
                                  "The site database is now an SQLite file; create a new one.");
    if (got == 0)
        Refuse(errc::UnrecognizedDatabaseFormat, Quoted(filename) + " is an empty file, not a site database.");
    if (!has(0, std::string_view("SQLite format 3\0", 16)))
        Refuse(errc::UnrecognizedDatabaseFormat,
               Quoted(filename) + " is not a site database: it is not an SQLite 3 database file.");
}

// Why this user cannot write the file, or the empty text when it can. The engine writes its
// journal files (-wal, -shm, -journal) beside the database, so the folder must be writable too.
// A file or folder whose permissions give no one write access counts as read-only also for a
// user whom permissions do not stop (root): taking the write permission away is how a site is
// made read-only.
bool MarkedReadOnly(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
}

std::string WhyNotWritable(const std::string& filename, SiteWriteAccessError::Reason& reason)
{
    if (::faccessat(AT_FDCWD, filename.c_str(), W_OK, AT_EACCESS) != 0) {
        reason = SiteWriteAccessError::Reason::FileReadOnly;
        return errno == EROFS ? "the file system that holds it is read-only" : "the file is read-only for this user";
    }
    if (MarkedReadOnly(filename)) {
        reason = SiteWriteAccessError::Reason::FileReadOnly;
        return "the file is marked read-only (no one has write permission)";
    }
    const std::string folder = FolderOf(filename);
    const char* journals = " (the database makes its journal files beside the file)";
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        reason = SiteWriteAccessError::Reason::FolderReadOnly;
        return "its folder " + Quoted(folder) + " is read-only for this user" + journals;
    }
    if (MarkedReadOnly(folder)) {
        reason = SiteWriteAccessError::Reason::FolderReadOnly;
        return "its folder " + Quoted(folder) + " is marked read-only (no one has write permission)" + journals;
    }
    return {};
}

void CheckCanWrite(const std::string& filename)
{
    auto reason = SiteWriteAccessError::Reason::FileReadOnly;
    std::string why = WhyNotWritable(filename, reason);
    if (!why.empty())
        throw SiteWriteAccessError(reason, filename, {}, why);
}

// Why a file opened read-only on request is read-only, as the refusal of a write will say.
std::string ReadOnlyReasonFor(const std::string& filename)
{
    auto reason = SiteWriteAccessError::Reason::FileReadOnly;
    std::string why = WhyNotWritable(filename, reason);
    if (!why.empty())
        return why;
    if (auto holder = WriterLock::Holder(filename))
        return "it is open for writing in another program: " + holder->ToString();
    return "it was opened read-only";
}

// Why the lists of a file opened to append events are read-only.
std::string AppendReasonFor(const std::string& filename)
{
    if (auto holder = WriterLock::Holder(filename))
        return "it is open for writing in another program: " + holder->ToString() +
               ", and this connection appends events only";
    return "it was opened to append events only";
}

// "file:" URI of a path, for the open parameters that only a URI can carry.
std::string FileUri(const std::string& path, const std::string& parameters)
{
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?" + parameters;
}

bool NonEmptyFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

// Reads the table names, which also makes the engine read the file's header, and refuses a
// database without the three site tables.
void CheckSiteTables(sqlite3* db, const std::string& filename)
{
    std::vector<std::string> tables;
    {
        SqliteStatement names(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
        while (names.Step())
            tables.push_back(ToTextOrEmpty(names.Column(0)));
    }
    for (const char* required : RequiredTables) {
        bool found = false;
        for (const auto& table : tables)
            found = found || EqualsNoCase(table, required);
        if (!found)
            Refuse(errc::UnrecognizedDatabaseFormat,
                   Quoted(filename) + " is not a site database: it has no table " + required + ".");
    }
}

// How long a statement waits for another connection's transaction (another program appending
// events, or a reader) before it fails with "database is locked".
constexpr int BusyTimeoutMs = 5000;

sqlite3* OpenHandle(const std::string& name, int flags, const std::string& filename)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        try {
            RaiseSqlite(db, rc, "Opening " + Quoted(filename));
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    return db;
}

// Every commit writes the database file itself: a rollback journal beside it holds the pages being
// replaced until the commit is complete, so the file alone is the site whenever no transaction is
// under way (a plain copy is a backup, and a crash leaves every saved change in the file). A file
// that another program keeps in WAL mode cannot leave it while that program has it open: then
// each commit of this connection is copied into the file at once (FoldLogIntoFile).
void UseRollbackJournal(sqlite3* db, const std::string& filename)
{
    sqlite3_busy_timeout(db, 0);
    sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    CheckSqlite(db, sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr),
                "Opening " + Quoted(filename));
}

void SyncFile(const std::string& path, int flags)
{
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

SqliteStore::SqliteStore() = default;

SqliteStore::~SqliteStore()
{
    CloseHandle();
}

void SqliteStore::CloseHandle() noexcept
{
    mStatements.clear();
    if (mDb != nullptr) {
        if (mCanAppend) {
            if (mWriteDepth > 0)
                sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
            // A file that another program kept in WAL mode: the log into the file and the file
            // back to a rollback journal, so that a later reader in a read-only folder needs no
            // -shm file. Neither waits long for another connection; if one is still open it keeps
            // the file in WAL mode, which is no loss. A file in rollback-journal mode has no log.
            sqlite3_busy_timeout(mDb, 250);
            sqlite3_exec(mDb, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            sqlite3_busy_timeout(mDb, 0);
            sqlite3_exec(mDb, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        }
        sqlite3_close_v2(mDb);
        mDb = nullptr;
    }
    mWriteDepth = 0;
    mWriterLock.reset();
    mFile.reset(); // only now: the engine has let go of the file
}

void SqliteStore::Open(const std::string& filename, OpenMode mode)
{
    if (mDb != nullptr)
        return;
    const bool readOnly = mode == OpenMode::ReadOnly;
    // Held from before the engine opens the file until after it has closed it (see SiteFile).
    auto file = SiteFile::Open(filename);
    CheckFileKind(filename, *file);

    std::shared_ptr<WriterLock> lock;
    std::string reason;
    sqlite3* db = nullptr;
    if (!readOnly) {
        CheckCanWrite(filename);
        if (mode == OpenMode::ReadWrite)
            lock = WriterLock::Acquire(filename, file);
        else
            reason = AppendReasonFor(filename);
        db = OpenHandle(filename, SQLITE_OPEN_READWRITE, filename);
    } else {
        reason = ReadOnlyReasonFor(filename);
        db = OpenHandle(filename, SQLITE_OPEN_READONLY, filename);
    }
    try {
        if (!readOnly && sqlite3_db_readonly(db, "main") == 1)
            throw SiteWriteAccessError(SiteWriteAccessError::Reason::FileReadOnly, filename, {},
                                       "the engine can open it for reading only");
        if (readOnly) {
            try {
                CheckSiteTables(db, filename);
            } catch (const zel::Error& e) {
                // A file left in WAL mode cannot be read without its -shm file, which a read-only
                // folder does not let the engine make. When no log holds changes, the file alone
                // is the database: it is read as one that nobody changes.
                const bool cannotMakeShm =
                    e.Number() == errc::PermissionDenied || e.Number() == errc::PathFileAccessError;
                if (!cannotMakeShm || NonEmptyFile(filename + "-wal"))
                    throw;
                sqlite3_close_v2(db);
                db = nullptr;
                db = OpenHandle(FileUri(filename, "mode=ro&immutable=1"), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                filename);
                CheckSiteTables(db, filename);
            }
        } else {
            CheckSiteTables(db, filename);
            UseRollbackJournal(db, filename);
            // The writer brings the whole file up to date; a connection that appends beside it
            // only what appending needs.
            BringUpToDate(db, mode == OpenMode::ReadWrite);
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    mDb = db;
    mFileName = filename;
    mReadOnly = mode != OpenMode::ReadWrite;
    mCanAppend = mode != OpenMode::ReadOnly;
    mReadOnlyReason = reason;
    mWriterLock = std::move(lock);
    mFile = std::move(file);
}

void SqliteStore::Create(const std::string& filename)
{
    // O_EXCL: an existing file is never touched, and the new one is the owner's alone.
    int fd = ::open(filename.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        if (errno == EEXIST)
            Refuse(errc::FileAlreadyExists, "File already exists: " + filename);
        long number = errno == EACCES ? errc::PermissionDenied : errc::PathFileAccessError;
        Refuse(number, "Cannot create the database file " + Quoted(filename) + ": " + std::strerror(errno));
    }
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);

    sqlite3* db = nullptr;
    try {
        int rc = sqlite3_open_v2(filename.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        CheckSqlite(db, rc, "Creating " + Quoted(filename));
        sqlite3_extended_result_codes(db, 1);
        Transaction transaction(db);
        CheckSqlite(db, sqlite3_exec(db, SchemaSql, nullptr, nullptr, nullptr), "Creating the tables");
        transaction.Commit();
        CheckSqlite(db, sqlite3_close(db), "Closing " + Quoted(filename));
        db = nullptr;
    } catch (...) {
        sqlite3_close_v2(db);
        ::unlink(filename.c_str());
        throw;
    }
}

sqlite3* SqliteStore::RequireOpen() const
{
    if (mDb == nullptr)
        Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    return mDb;
}

void SqliteStore::Close()
{
    RequireOpen();
    CloseHandle();
}

std::string SqliteStore::EngineVersion() const
{
    return std::string("SQLite ") + sqlite3_libversion();
}

// The one place where a write to a read-only site database is refused.
void SqliteStore::CheckWritable() const
{
    RequireOpen();
    if (mReadOnly)
        Raise(errc::ReadOnlyDatabase, "Cannot update: the site database " + Quoted(mFileName) +
                                          " is open read-only, because " + mReadOnlyReason +
                                          ". The change was not saved.");
}

void SqliteStore::CheckCanAppend() const
{
    RequireOpen();
    if (!mCanAppend)
        CheckWritable();
}

void SqliteStore::BeginWrite()
{
    if (mWriteDepth == 0)
        CheckSqlite(mDb, sqlite3_exec(mDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), "Beginning a transaction");
    else
        CheckSqlite(
            mDb, sqlite3_exec(mDb, ("SAVEPOINT zel" + std::to_string(mWriteDepth)).c_str(), nullptr, nullptr, nullptr),
            "Beginning a transaction");
    ++mWriteDepth;
}

void SqliteStore::CommitWrite()
{
    // On failure the transaction stays open for the scope's rollback.
    if (mWriteDepth == 1) {
        CheckSqlite(mDb, sqlite3_exec(mDb, "COMMIT", nullptr, nullptr, nullptr), "Committing a transaction");
        FoldLogIntoFile();
    } else
        CheckSqlite(
            mDb,
            sqlite3_exec(mDb, ("RELEASE zel" + std::to_string(mWriteDepth - 1)).c_str(), nullptr, nullptr, nullptr),
            "Committing a transaction");
    --mWriteDepth;
}

void SqliteStore::RollbackWrite() noexcept
{
    if (mWriteDepth <= 0 || mDb == nullptr)
        return;
    --mWriteDepth;
    for (auto& statement : mStatements)
        statement.second->Reset();
    if (mWriteDepth == 0) {
        sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        std::string name = "zel" + std::to_string(mWriteDepth);
        sqlite3_exec(mDb, ("ROLLBACK TO " + name).c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(mDb, ("RELEASE " + name).c_str(), nullptr, nullptr, nullptr);
    }
}

void SqliteStore::FoldLogIntoFile() noexcept
{
    // A file in rollback-journal mode has no log: the call returns at once.
    int logFrames = -1;
    sqlite3_wal_checkpoint_v2(mDb, "main", SQLITE_CHECKPOINT_FULL, &logFrames, nullptr);
    if (logFrames < 0)
        return;
    // Leaves WAL mode as soon as no other connection has the file open; never waits for that.
    sqlite3_busy_timeout(mDb, 0);
    sqlite3_exec(mDb, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(mDb, BusyTimeoutMs);
}

void SqliteStore::Transact(const std::function<void()>& work)
{
    Scope scope(*this);
    work();
    scope.Commit();
}

void SqliteStore::Append(const std::function<void()>& work)
{
    Scope scope(*this, WriteKind::Append);
    work();
    scope.Commit();
}

SqliteStatement& SqliteStore::Cached(const std::string& sql)
{
    auto it = mStatements.find(sql);
    if (it == mStatements.end())
        it = mStatements.emplace(sql, std::make_unique<SqliteStatement>(mDb, sql, true)).first;
    return *it->second;
}

void SqliteStore::ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow)
{
    sqlite3* db = RequireOpen();
    // Not cached: a handler may read again while the rows are walked.
    SqliteStatement select(db, "SELECT * FROM " + Identifier(table));
    auto columns = std::make_shared<std::vector<std::string>>();
    for (int i = 0; i < select.ColumnCount(); ++i)
        columns->push_back(select.ColumnName(i));
    std::shared_ptr<const std::vector<std::string>> shared = columns;
    while (select.Step()) {
        std::vector<FieldValue> values;
        values.reserve(columns->size());
        for (int i = 0; i < select.ColumnCount(); ++i)
            values.push_back(select.Column(i));
        onRow(Record(shared, std::move(values)));
    }
}

bool SqliteStore::ReadRow(std::string_view table, std::int64_t id, const std::function<void(const Record&)>& onRow)
{
    sqlite3* db = RequireOpen();
    SqliteStatement select(db, "SELECT * FROM " + Identifier(table) + " WHERE ID = ?");
    select.Bind(1, FieldValue(id));
    if (!select.Step())
        return false;
    auto columns = std::make_shared<std::vector<std::string>>();
    std::vector<FieldValue> values;
    for (int i = 0; i < select.ColumnCount(); ++i) {
        columns->push_back(select.ColumnName(i));
        values.push_back(select.Column(i));
    }
    onRow(Record(std::move(columns), std::move(values)));
    return true;
}

std::int64_t SqliteStore::Insert(std::string_view table, const std::vector<Field>& fields)
{
    Scope scope(*this);
    std::string sql = "INSERT INTO " + Identifier(table);
    if (fields.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names;
        std::string marks;
        for (const auto& field : fields) {
            names += (names.empty() ? "" : ", ") + Identifier(field.Name);
            marks += marks.empty() ? "?" : ", ?";
        }
        sql += " (" + names + ") VALUES (" + marks + ")";
    }
    {
        SqliteStatement::Use insert(Cached(sql));
        for (std::size_t i = 0; i < fields.size(); ++i)
            insert->Bind(static_cast<int>(i) + 1, fields[i].Value);
        insert->Step();
    }
    // Every ID is read as a 32-bit number: one beyond that is refused before the row is kept.
    std::int64_t id = sqlite3_last_insert_rowid(mDb);
    if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
        Raise(errc::Overflow, "Overflow: the new row of table " + std::string(table) + " would get the ID " +
                                  std::to_string(id) + ", which does not fit in 32 bits; the row was not stored.");
    scope.Commit();
    return id;
}

int SqliteStore::Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields)
{
    CheckWritable();
    if (fields.empty())
        return 0;
    Scope scope(*this);
    std::string sql = "UPDATE " + Identifier(table) + " SET ";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i == 0 ? "" : ", ") + Identifier(fields[i].Name) + " = ?";
    sql += " WHERE ID = ?";
    int changed = 0;
    {
        SqliteStatement::Use update(Cached(sql));
        for (std::size_t i = 0; i < fields.size(); ++i)
            update->Bind(static_cast<int>(i) + 1, fields[i].Value);
        update->Bind(static_cast<int>(fields.size()) + 1, FieldValue(id));
        update->Step();
        changed = sqlite3_changes(mDb);
    }
    scope.Commit();
    return changed;
}

int SqliteStore::Delete(std::string_view table, std::int64_t id)
{
    Scope scope(*this);
    int changed = 0;
    {
        SqliteStatement::Use remove(Cached("DELETE FROM " + Identifier(table) + " WHERE ID = ?"));
        remove->Bind(1, FieldValue(id));
        remove->Step();
        changed = sqlite3_changes(mDb);
    }
    scope.Commit();
    return changed;
}

bool SqliteStore::HasTable(std::string_view table)
{
    RequireOpen();
    SqliteStatement::Use find(Cached("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    find->Bind(1, FieldValue(std::string(table)));
    return find->Step();
}

std::int64_t SqliteStore::CountRows(std::string_view table)
{
    RequireOpen();
    SqliteStatement count(mDb, "SELECT count(*) FROM " + Identifier(table));
    if (!count.Step())
        return 0;
    auto value = count.Column(0);
    auto number = std::get_if<std::int64_t>(&value);
    return number != nullptr ? *number : 0;
}

void SqliteStore::InsertWithID(std::string_view table, std::int64_t id, const std::vector<Field>& fields)
{
    std::vector<Field> all;
    all.reserve(fields.size() + 1);
    Field key;
    key.Name = "ID";
    key.Value = id;
    all.push_back(std::move(key));
    for (const auto& field : fields)
        if (!EqualsNoCase(field.Name, "ID"))
            all.push_back(field);
    Insert(table, all);
}

std::int64_t SqliteStore::LastID(std::string_view table)
{
    RequireOpen();
    std::int64_t last = 0;
    {
        SqliteStatement highest(mDb, "SELECT coalesce(max(ID), 0) FROM " + Identifier(table));
        if (highest.Step()) {
            auto value = highest.Column(0);
            if (auto number = std::get_if<std::int64_t>(&value))
                last = *number;
        }
    }
    if (HasTable("sqlite_sequence")) {
        SqliteStatement sequence(mDb, "SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE");
        sequence.Bind(1, FieldValue(std::string(table)));
        if (sequence.Step()) {
            auto value = sequence.Column(0);
            if (auto number = std::get_if<std::int64_t>(&value))
                last = std::max(last, *number);
        }
    }
    return last;
}

void SqliteStore::ReserveIDsThrough(std::string_view table, std::int64_t id)
{
    Scope scope(*this);
    // AUTOINCREMENT keeps the highest ID handed out in sqlite_sequence.
    {
        SqliteStatement::Use update(
            Cached("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ? COLLATE NOCASE"));
        update->Bind(1, FieldValue(id));
        update->Bind(2, FieldValue(std::string(table)));
        update->Step();
    }
    if (sqlite3_changes(mDb) == 0) {
        SqliteStatement::Use insert(Cached("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"));
        insert->Bind(1, FieldValue(std::string(table)));
        insert->Bind(2, FieldValue(id));
        insert->Step();
    }
    scope.Commit();
}

void SqliteStore::Backup(const std::string& destination, bool replace)
{
    sqlite3* db = RequireOpen();
    if (destination.empty())
        Raise(errc::PathFileAccessError, "Path/File access error: no file was named for the backup.");
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0) {
        struct stat source {};
        if (::stat(mFileName.c_str(), &source) == 0 && source.st_dev == existing.st_dev &&
            source.st_ino == existing.st_ino)
            Raise(errc::PathFileAccessError,
                  "Path/File access error: the site database cannot be backed up onto itself (" + destination + ").");
        if (!S_ISREG(existing.st_mode))
            Raise(errc::PathFileAccessError, "Path/File access error: " + Quoted(destination) + " is not a file.");
        if (!replace)
            Raise(errc::FileAlreadyExists, "File already exists: " + destination);
    }

    // The copy is made under a temporary name beside the destination (mode 0600: it holds
    // hand templates) and takes the destination's name only once it is complete.
    std::string temporary = destination + ".tmp-XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        long number = errno == EACCES || errno == EROFS ? errc::PermissionDenied : errc::PathFileAccessError;
        Raise(number, "Cannot create the backup file " + Quoted(destination) + ": " + std::strerror(errno));
    }
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);

    sqlite3* copy = nullptr;
    try {
        CheckSqlite(copy, sqlite3_open_v2(temporary.c_str(), &copy, SQLITE_OPEN_READWRITE, nullptr),
                    "Creating the backup " + Quoted(destination));
        sqlite3_extended_result_codes(copy, 1);
        sqlite3_busy_timeout(copy, 2000);
        sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db, "main");
        if (backup == nullptr)
            RaiseSqlite(copy, sqlite3_errcode(copy), "Backing up the site database");
        int rc = SQLITE_OK;
        for (int attempt = 0; attempt < 100; ++attempt) {
            rc = sqlite3_backup_step(backup, -1);
            if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                break;
            sqlite3_sleep(50);
        }
        int finished = sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            RaiseSqlite(copy, rc, "Backing up the site database");
        CheckSqlite(copy, finished, "Backing up the site database");
        // A copy of a WAL-mode database is one too; the backup is a plain file of its own.
        CheckSqlite(copy, sqlite3_exec(copy, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr),
                    "Backing up the site database");
        CheckSqlite(copy, sqlite3_close(copy), "Closing the backup " + Quoted(destination));
        copy = nullptr;
        SyncFile(temporary, O_RDONLY);

        if (replace) {
            if (::rename(temporary.c_str(), destination.c_str()) != 0)
                Raise(errc::PathFileAccessError,
                      "Cannot write the backup file " + Quoted(destination) + ": " + std::strerror(errno));
        } else {
            // A link cannot replace a file that appeared meanwhile.
            if (::link(temporary.c_str(), destination.c_str()) != 0) {
                int error = errno;
                if (error == EEXIST)
                    Raise(errc::FileAlreadyExists, "File already exists: " + destination);
                struct stat again {};
                if (::stat(destination.c_str(), &again) == 0)
                    Raise(errc::FileAlreadyExists, "File already exists: " + destination);
                if (::rename(temporary.c_str(), destination.c_str()) != 0)
                    Raise(errc::PathFileAccessError,
                          "Cannot write the backup file " + Quoted(destination) + ": " + std::strerror(errno));
            }
            ::unlink(temporary.c_str());
        }
        SyncFile(FolderOf(destination), O_RDONLY | O_DIRECTORY);
    } catch (...) {
        sqlite3_close_v2(copy);
        ::unlink(temporary.c_str());
        ::unlink((temporary + "-journal").c_str());
        ::unlink((temporary + "-wal").c_str());
        ::unlink((temporary + "-shm").c_str());
        throw;
    }
}

} // namespace zel::data::detail
