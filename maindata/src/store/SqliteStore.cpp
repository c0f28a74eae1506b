#include "SqliteStore.h"

#include "../Conversions.h"
#include "SqliteStatement.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::data::detail {

namespace {

// The three tables of a site database. ID is never reused (AUTOINCREMENT), so a deleted row's
// key cannot come back as another row's.
constexpr const char* SchemaSql = R"sql(
CREATE TABLE Users (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    UserID TEXT,
    Name TEXT,
    AuthorityLevel INTEGER,
    Enrolled BOOLEAN NOT NULL DEFAULT 0,
    Template TEXT
);
CREATE TABLE Readers (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ReaderID INTEGER,
    Name TEXT,
    ChannelDescID INTEGER,
    Location TEXT
);
CREATE TABLE Channels (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT,
    Type TEXT,
    Port INTEGER,
    BitRate INTEGER,
    Location TEXT
);
)sql";

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

// A transaction that rolls back unless committed.
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

// Looks at the first bytes of an existing file and refuses anything that is not an SQLite 3
// database, naming what it is where that is known.
void CheckFileKind(const std::string& filename)
{
    struct stat info {};
    if (::stat(filename.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            Refuse(errc::FileNotFound, "File not found: " + filename);
        Refuse(errc::PathFileAccessError, "Path/File access error: " + filename + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        Refuse(errc::PathFileAccessError, "Path/File access error: " + Quoted(filename) + " is not a file.");

    std::array<char, 100> header{};
    int fd = ::open(filename.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        long number = errno == EACCES ? errc::PermissionDenied : errc::PathFileAccessError;
        Refuse(number, "Cannot read the database file " + Quoted(filename) + ": " + std::strerror(errno));
    }
    ssize_t got = ::read(fd, header.data(), header.size());
    ::close(fd);
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
        sqlite3_close_v2(mDb);
        mDb = nullptr;
    }
}

void SqliteStore::Open(const std::string& filename)
{
    if (mDb != nullptr)
        return;
    CheckFileKind(filename);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(filename.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        std::string what = "Opening " + Quoted(filename);
        try {
            RaiseSqlite(db, rc, what);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
    }
    try {
        if (sqlite3_db_readonly(db, "main") == 1)
            Refuse(errc::PermissionDenied,
                   "Permission denied: the database file " + Quoted(filename) + " cannot be opened for writing.");
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, 2000);

        // Reading the table names also makes the engine read the file's header.
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

        // Every row is written as a transaction of its own. With a write-ahead log a commit costs an
        // append instead of several waits for the disk; the file stays consistent after a crash or
        // power loss, which may lose only the last commits before it. Where the log cannot be made
        // (a folder without write access) the engine keeps its rollback journal.
        sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        CheckSqlite(db, sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr),
                    "Opening " + Quoted(filename));
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    mDb = db;
    mFileName = filename;
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

std::int64_t SqliteStore::Insert(std::string_view table, const std::vector<Field>& fields)
{
    sqlite3* db = RequireOpen();
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
    SqliteStatement::Use insert(Cached(sql));
    for (std::size_t i = 0; i < fields.size(); ++i)
        insert->Bind(static_cast<int>(i) + 1, fields[i].Value);
    insert->Step();
    return sqlite3_last_insert_rowid(db);
}

int SqliteStore::Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields)
{
    sqlite3* db = RequireOpen();
    if (fields.empty())
        return 0;
    std::string sql = "UPDATE " + Identifier(table) + " SET ";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i == 0 ? "" : ", ") + Identifier(fields[i].Name) + " = ?";
    sql += " WHERE ID = ?";
    SqliteStatement::Use update(Cached(sql));
    for (std::size_t i = 0; i < fields.size(); ++i)
        update->Bind(static_cast<int>(i) + 1, fields[i].Value);
    update->Bind(static_cast<int>(fields.size()) + 1, FieldValue(id));
    update->Step();
    return sqlite3_changes(db);
}

int SqliteStore::Delete(std::string_view table, std::int64_t id)
{
    sqlite3* db = RequireOpen();
    SqliteStatement::Use remove(Cached("DELETE FROM " + Identifier(table) + " WHERE ID = ?"));
    remove->Bind(1, FieldValue(id));
    remove->Step();
    return sqlite3_changes(db);
}

} // namespace zel::data::detail
