#include "PgStore.h"

#include "../Conversions.h"
#include "CollectionsTable.h"
#include "PgAudit.h"
#include "PgChangeFeed.h"
#include "PgEvents.h"
#include "PgLifecycle.h"
#include "SqliteStore.h"
#include "zel/data/CopySite.h"
#include "zel/data/DataErrors.h"
#include "zel/data/SiteName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include <libpq-fe.h>

namespace zel::data::detail {

namespace {

constexpr std::array<const char*, 3> RequiredTables = {"Users", "Readers", "Channels"};

std::string Lower(std::string_view name)
{
    std::string out;
    for (char c : name)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

// "Users" for the messages, as the description classes name the tables.
std::string TableName(std::string_view table)
{
    for (const char* known : RequiredTables)
        if (Lower(known) == Lower(table))
            return known;
    return std::string(table);
}

} // namespace

PgStore::PgStore() = default;

PgStore::~PgStore()
{
    RollbackWrite();
    mConnection.reset();
}

void PgStore::Open(const std::string& site, OpenMode mode)
{
    const bool readOnly = mode == OpenMode::ReadOnly;
    if (mConnection != nullptr)
        return;
    auto connection = std::make_unique<PgConnection>(site);
    const std::string masked = MaskedSite(site);
    for (const char* table : RequiredTables)
        if (!PgTableExists(*connection, table))
            Raise(errc::UnrecognizedDatabaseFormat, Quoted(masked) + " is not a site database: it has no table " +
                                                        table + " (make the tables with zelmkdb).");
    mConnection = std::move(connection);
    mSite = masked;
    mReadOnly = mode != OpenMode::ReadWrite;
    mCanAppend = mode != OpenMode::ReadOnly;
    mReadOnlyReason = readOnly ? "it was opened read-only" : mReadOnly ? "it was opened to append events only" : "";
    try {
        Configure();
        if (!readOnly)
            BringPgSiteUpToDate(*mConnection, mode == OpenMode::ReadWrite);
    } catch (...) {
        mConnection.reset();
        throw;
    }
}

void PgStore::Configure()
{
    ListenPgChangeFeed(*mConnection);
    if (!mCanAppend)
        mConnection->Execute("SET default_transaction_read_only = on", "Opening the site database");
}

void PgStore::Create(const std::string& site)
{
    PgConnection connection(site);
    for (const char* table : RequiredTables)
        if (PgTableExists(connection, table))
            Raise(errc::FileAlreadyExists, "The database " + Quoted(MaskedSite(site)) +
                                               " holds a site already (it has the table " + table +
                                               "); a new site is made only in an empty database.");
    connection.Execute("BEGIN", "Creating the tables");
    try {
        connection.Execute(PgSchemaSql, "Creating the tables");
        EnsurePgEventsTable(connection);
        EnsurePgAuditTable(connection);
        EnsurePgLifecycleTables(connection);
        EnsureCollectionsTable(connection);
        CreatePgChangeFeed(connection);
        SetPgSchemaVersion(connection);
        connection.Execute("COMMIT", "Creating the tables");
    } catch (...) {
        try {
            connection.Execute("ROLLBACK", "Creating the tables");
        } catch (...) { // NOLINT(bugprone-empty-catch): the first error is the one to report
        }
        throw;
    }
}

PgConnection& PgStore::RequireOpen()
{
    if (mConnection == nullptr)
        Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    // A connection lost between two operations is made again; one lost inside a transaction
    // fails it.
    if (mWriteDepth == 0 && mConnection->IsBroken())
        Reconnect();
    return *mConnection;
}

void PgStore::Reconnect()
{
    mConnection->Reconnect();
    Configure();
    QueueMissedChanges();
}

void PgStore::QueueMissedChanges()
{
    // Rows this connection read (and so a list may show) against the rows as they are now: a
    // version that moved is a changed row, a remembered row that is gone a removed one, a row not
    // remembered a new one.
    auto number = [](const FieldValue& value) -> std::int64_t {
        if (const auto* integer = std::get_if<std::int64_t>(&value))
            return *integer;
        if (const auto* text = std::get_if<std::string>(&value))
            return std::strtoll(text->c_str(), nullptr, 10);
        return 0;
    };
    for (auto& [table, versions] : mVersions) {
        const char* name = PgFeedTableName(table);
        if (versions.empty() || name == nullptr)
            continue;
        auto result = mConnection->Run("SELECT id, rowversion FROM " + PgIdentifier(table), {}, false,
                                       "Reading the rows changed while the connection was lost");
        std::unordered_map<std::int64_t, std::int64_t> now;
        now.reserve(static_cast<std::size_t>(result.Rows()));
        for (int row = 0; row < result.Rows(); ++row)
            now.emplace(number(result.Value(row, 0)), number(result.Value(row, 1)));
        // Removals first (a key given up may be taken by a new row), then the others by ID.
        for (const auto& entry : versions)
            if (now.find(entry.first) == now.end())
                mMissed.push_back({name, entry.first, StoredChange::Deleted});
        std::vector<std::pair<std::int64_t, StoredChange::Kind>> others;
        for (const auto& [id, version] : now) {
            auto known = versions.find(id);
            if (known == versions.end())
                others.emplace_back(id, StoredChange::Inserted);
            else if (known->second != version)
                others.emplace_back(id, StoredChange::Updated);
        }
        std::sort(others.begin(), others.end());
        for (const auto& [id, kind] : others)
            mMissed.push_back({name, id, kind});
    }
}

PgConnection& PgStore::Connection()
{
    return RequireOpen();
}

void PgStore::Close()
{
    // Not RequireOpen: closing a connection that was lost must not connect again.
    if (mConnection == nullptr)
        Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    RollbackWrite();
    mConnection.reset();
    mWriteDepth = 0;
    mVersions.clear();
    mColumns.clear();
}

std::string PgStore::EngineVersion() const
{
    return mConnection != nullptr ? mConnection->ServerVersion() : std::string("PostgreSQL");
}

// The one place where a write to a read-only site is refused.
void PgStore::CheckWritable() const
{
    if (mConnection == nullptr)
        Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    if (mReadOnly)
        Raise(errc::ReadOnlyDatabase, "Cannot update: the site database " + Quoted(mSite) +
                                          " is open read-only, because " + mReadOnlyReason +
                                          ". The change was not saved.");
}

void PgStore::CheckCanAppend() const
{
    if (mConnection == nullptr || !mCanAppend)
        CheckWritable(); // 3704 when closed
}

void PgStore::BeginWrite()
{
    auto& connection = RequireOpen();
    if (mWriteDepth == 0) {
        try {
            connection.Execute("BEGIN", "Beginning a transaction");
        } catch (const zel::Error&) {
            // A connection lost while idle (a server restart) shows only now. Nothing of this
            // transaction has been sent: it starts again once on a new connection.
            if (!mConnection->IsBroken())
                throw;
            Reconnect();
            mConnection->Execute("BEGIN", "Beginning a transaction");
        }
        mFailed = false;
    } else {
        connection.Execute("SAVEPOINT zel" + std::to_string(mWriteDepth), "Beginning a transaction");
    }
    mUndoMarks.push_back(mUndo.size());
    ++mWriteDepth;
}

void PgStore::CommitWrite()
{
    // On failure the transaction stays open for the scope's rollback.
    if (mWriteDepth == 1) {
        if (mFailed)
            Raise(errc::StoreError, "Committing a transaction: a statement of it failed; nothing was saved.");
        mConnection->Execute("COMMIT", "Committing a transaction");
        mUndo.clear();
    } else {
        mConnection->Execute("RELEASE zel" + std::to_string(mWriteDepth - 1), "Committing a transaction");
    }
    mUndoMarks.pop_back();
    --mWriteDepth;
}

void PgStore::RollbackWrite() noexcept
{
    if (mWriteDepth <= 0 || mConnection == nullptr)
        return;
    --mWriteDepth;
    // The versions remembered since the transaction (or savepoint) began are those of writes
    // that are undone now.
    const std::size_t mark = mUndoMarks.empty() ? 0 : mUndoMarks.back();
    if (!mUndoMarks.empty())
        mUndoMarks.pop_back();
    while (mUndo.size() > mark) {
        auto& undo = mUndo.back();
        auto& versions = mVersions[undo.Table];
        if (undo.Old)
            versions[undo.ID] = *undo.Old;
        else
            versions.erase(undo.ID);
        mUndo.pop_back();
    }
    try {
        if (mWriteDepth == 0) {
            mConnection->Execute("ROLLBACK", "Rolling back a transaction");
            mFailed = false;
        } else {
            const std::string name = "zel" + std::to_string(mWriteDepth);
            mConnection->Execute("ROLLBACK TO " + name, "Rolling back a transaction");
            mConnection->Execute("RELEASE " + name, "Rolling back a transaction");
            mFailed = false;
        }
    } catch (...) { // NOLINT(bugprone-empty-catch): a lost connection has rolled it back already
    }
}

void PgStore::Transact(const std::function<void()>& work)
{
    Scope scope(*this);
    work();
    scope.Commit();
}

void PgStore::Append(const std::function<void()>& work)
{
    Scope scope(*this, WriteKind::Append);
    work();
    scope.Commit();
}

// A single statement needs no savepoint of its own inside a transaction: the server cannot go on
// after a failed statement anyway, so the whole transaction fails (and is never committed).
template <typename Body> auto PgStore::Statement(Body body)
{
    if (mWriteDepth > 0) {
        try {
            return body();
        } catch (...) {
            mFailed = true;
            throw;
        }
    }
    Scope scope(*this);
    auto result = body();
    scope.Commit();
    return result;
}

std::optional<std::int64_t> PgStore::KnownVersion(const std::string& table, std::int64_t id) const
{
    auto versions = mVersions.find(table);
    if (versions == mVersions.end())
        return std::nullopt;
    auto found = versions->second.find(id);
    if (found == versions->second.end())
        return std::nullopt;
    return found->second;
}

void PgStore::SetVersion(const std::string& table, std::int64_t id, std::optional<std::int64_t> version)
{
    auto& versions = mVersions[table];
    if (mWriteDepth > 0)
        mUndo.emplace_back(table, id, KnownVersion(table, id));
    if (version)
        versions[id] = *version;
    else
        versions.erase(id);
}

bool PgStore::RowExists(std::string_view table, std::int64_t id)
{
    return mConnection
               ->Run("SELECT 1 FROM " + PgIdentifier(table) + " WHERE id = $1", {{FieldValue(id)}}, false,
                     "Looking for a changed row")
               .Rows() > 0;
}

void PgStore::RaiseChangedIfExists(std::string_view table, std::int64_t id)
{
    if (RowExists(table, id))
        RaiseChanged(table, id);
}

void PgStore::RaiseChanged(std::string_view table, std::int64_t id)
{
    const char* what = RowExists(table, id) ? "changed" : "removed";
    Raise(errc::RowChangedByAnother,
          std::string("The record was ") + what + " by another user since it was read (table " + TableName(table) +
              ", row ID " + std::to_string(id) + "); nothing was saved. Reload to see the current values.");
}

const PgTableColumns& PgStore::ColumnsOf(std::string_view table)
{
    const std::string key = Lower(table);
    auto found = mColumns.find(key);
    if (found == mColumns.end() || !found->second.Exists) {
        auto columns = PgColumnsOf(RequireOpen(), key);
        found = mColumns.insert_or_assign(key, std::move(columns)).first;
    }
    return found->second;
}

std::vector<PgParam> PgStore::Params(std::string_view table, const std::vector<Field>& fields)
{
    const auto& columns = ColumnsOf(table);
    std::vector<PgParam> params;
    params.reserve(fields.size() + 2);
    for (const auto& field : fields)
        params.emplace_back(field.Value, columns.Bytes.count(Lower(field.Name)) != 0);
    return params;
}

void PgStore::ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow)
{
    auto& connection = RequireOpen();
    const auto& info = ColumnsOf(table);
    // In ID order, as the file returns its rows; a changed row would otherwise come last.
    auto result = connection.Run("SELECT * FROM " + PgIdentifier(table) + (info.Exists ? " ORDER BY 1" : ""), {}, false,
                                 "Reading table " + TableName(table));
    ReadRows(table, result, onRow);
}

bool PgStore::ReadRow(std::string_view table, std::int64_t id, const std::function<void(const Record&)>& onRow)
{
    auto& connection = RequireOpen();
    auto result = connection.Run("SELECT * FROM " + PgIdentifier(table) + " WHERE id = $1", {{FieldValue(id)}}, false,
                                 "Reading a row of table " + TableName(table));
    if (result.Rows() == 0)
        return false;
    ReadRows(table, result, onRow);
    return true;
}

void PgStore::ReadRows(std::string_view table, PgResult& result, const std::function<void(const Record&)>& onRow)
{
    auto columns = std::make_shared<std::vector<std::string>>();
    std::vector<int> shown;
    int idColumn = -1;
    int versionColumn = -1;
    for (int i = 0; i < result.Columns(); ++i) {
        std::string name = result.ColumnName(i);
        if (name == "rowversion") {
            versionColumn = i;
            continue;
        }
        if (name == "id")
            idColumn = i;
        columns->push_back(name);
        shown.push_back(i);
    }
    const std::string key = Lower(table);
    std::shared_ptr<const std::vector<std::string>> shared = columns;
    const int rows = result.Rows();
    for (int row = 0; row < rows; ++row) {
        std::vector<FieldValue> values;
        values.reserve(shown.size());
        for (int column : shown)
            values.push_back(result.Value(row, column));
        if (idColumn >= 0 && versionColumn >= 0)
            SetVersion(key, result.Integer(row, idColumn), result.Integer(row, versionColumn));
        onRow(Record(shared, std::move(values)));
    }
}

std::int64_t PgStore::Insert(std::string_view table, const std::vector<Field>& fields)
{
    CheckWritable();
    const auto& info = ColumnsOf(table);
    std::string sql = "INSERT INTO " + PgIdentifier(table);
    if (fields.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names;
        std::string marks;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            names += (i == 0 ? "" : ", ") + PgIdentifier(fields[i].Name);
            marks += (i == 0 ? "$" : ", $") + std::to_string(i + 1);
        }
        sql += " (" + names + ") VALUES (" + marks + ")";
    }
    sql += info.Versioned ? " RETURNING id, rowversion" : " RETURNING id";
    auto params = Params(table, fields);
    return Statement([&] {
        auto result = mConnection->Run(sql, params, true, "Adding a row to table " + TableName(table));
        const std::int64_t id = result.Integer(0, 0);
        // Every ID is read as a 32-bit number: one beyond that is refused before the row is kept.
        if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
            Raise(errc::Overflow, "Overflow: the new row of table " + TableName(table) + " would get the ID " +
                                      std::to_string(id) + ", which does not fit in 32 bits; the row was not stored.");
        if (info.Versioned)
            SetVersion(Lower(table), id, result.Integer(0, 1));
        return id;
    });
}

int PgStore::Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields)
{
    CheckWritable();
    if (fields.empty())
        return 0;
    const auto& info = ColumnsOf(table);
    const std::string key = Lower(table);
    const auto version = info.Versioned ? KnownVersion(key, id) : std::nullopt;
    std::string sql = "UPDATE " + PgIdentifier(table) + " SET ";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i == 0 ? "" : ", ") + PgIdentifier(fields[i].Name) + " = $" + std::to_string(i + 1);
    if (info.Versioned)
        sql += ", rowversion = rowversion + 1";
    auto params = Params(table, fields);
    sql += " WHERE id = $" + std::to_string(params.size() + 1);
    params.emplace_back(FieldValue(id));
    if (version) {
        sql += " AND rowversion = $" + std::to_string(params.size() + 1);
        params.emplace_back(FieldValue(*version));
    }
    if (info.Versioned)
        sql += " RETURNING rowversion";
    return Statement([&] {
        auto result = mConnection->Run(sql, params, true, "Changing a row of table " + TableName(table));
        if (!info.Versioned)
            return result.Affected();
        if (result.Rows() == 0)
            RaiseChanged(table, id);
        SetVersion(key, id, result.Integer(0, 0));
        return 1;
    });
}

int PgStore::Delete(std::string_view table, std::int64_t id)
{
    CheckWritable();
    const auto& info = ColumnsOf(table);
    const std::string key = Lower(table);
    const auto version = info.Versioned ? KnownVersion(key, id) : std::nullopt;
    std::string sql = "DELETE FROM " + PgIdentifier(table) + " WHERE id = $1";
    std::vector<PgParam> params{{FieldValue(id)}};
    if (version) {
        sql += " AND rowversion = $2";
        params.emplace_back(FieldValue(*version));
    }
    return Statement([&] {
        auto result = mConnection->Run(sql, params, true, "Removing a row of table " + TableName(table));
        const int changed = result.Affected();
        if (info.Versioned) {
            // A row that another user changed is kept; one that is gone already is what was asked.
            if (changed == 0 && version)
                RaiseChangedIfExists(table, id);
            SetVersion(key, id, std::nullopt);
        }
        return changed;
    });
}

bool PgStore::HasTable(std::string_view table)
{
    return PgTableExists(RequireOpen(), table);
}

std::int64_t PgStore::CountRows(std::string_view table)
{
    auto result = RequireOpen().Run("SELECT count(*) FROM " + PgIdentifier(table), {}, false,
                                    "Counting the rows of table " + TableName(table));
    return result.Integer(0, 0);
}

void PgStore::InsertWithID(std::string_view table, std::int64_t id, const std::vector<Field>& fields)
{
    std::vector<Field> all;
    all.reserve(fields.size() + 1);
    all.emplace_back("ID", FieldValue(id));
    for (const auto& field : fields)
        if (Lower(field.Name) != "id")
            all.push_back(field);
    Insert(table, all);
}

std::int64_t PgStore::LastID(std::string_view table)
{
    auto& connection = RequireOpen();
    const std::string context = "Reading the last ID of table " + TableName(table);
    std::int64_t last =
        connection.Run("SELECT coalesce(max(id), 0) FROM " + PgIdentifier(table), {}, false, context).Integer(0, 0);
    auto sequence =
        connection.Run("SELECT pg_get_serial_sequence($1, 'id')", {{FieldValue(PgIdentifier(table))}}, false, context);
    if (sequence.Rows() == 1) {
        auto name = sequence.Value(0, 0);
        if (auto text = std::get_if<std::string>(&name)) {
            // The sequence's last value counts once it has handed one out.
            auto state = connection.Run("SELECT last_value, is_called FROM " + *text, {}, false, context);
            if (state.Rows() == 1 && state.Integer(0, 1) != 0)
                last = std::max(last, state.Integer(0, 0));
        }
    }
    return last;
}

void PgStore::ReserveIDsThrough(std::string_view table, std::int64_t id)
{
    CheckWritable();
    if (id <= 0)
        return;
    Statement([&] {
        mConnection->Run("SELECT setval(pg_get_serial_sequence($1, 'id'), greatest($2::bigint, (SELECT "
                         "coalesce(max(id), 0) FROM " +
                             PgIdentifier(table) + ")))",
                         {{FieldValue(PgIdentifier(table))}, {FieldValue(id)}}, false,
                         "Keeping the IDs of table " + TableName(table));
        return 0;
    });
}

int PgStore::ChangeDescriptor() const
{
    if (mConnection == nullptr || mConnection->IsBroken())
        return -1;
    return PQsocket(mConnection->Handle());
}

std::vector<StoredChange> PgStore::TakeChanges()
{
    if (mConnection == nullptr)
        return {};
    // A lost connection is made again now and then (at most every few seconds), so that a program
    // left alone sees the others' changes again once the server is back.
    if (mConnection->IsBroken() && mWriteDepth == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (now < mNextReconnectTry)
            return {};
        mNextReconnectTry = now + std::chrono::seconds(5);
        try {
            Reconnect();
        } catch (const std::exception&) {
            return {}; // still gone: the next command tells it
        }
    }
    std::vector<StoredChange> changes = std::move(mMissed);
    mMissed.clear();
    for (auto& change : TakePgChanges(*mConnection))
        changes.push_back(std::move(change));
    return changes;
}

void PgStore::Backup(const std::string& destination, bool replace)
{
    RequireOpen();
    if (destination.empty())
        Raise(errc::PathFileAccessError, "Path/File access error: no file was named for the backup.");
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            Raise(errc::PathFileAccessError, "Path/File access error: " + Quoted(destination) + " is not a file.");
        if (!replace)
            Raise(errc::FileAlreadyExists, "File already exists: " + destination);
    }
    // The copy is made under a temporary name beside the destination (mode 0600: it holds hand
    // templates) and takes the destination's name only once it is complete.
    std::string temporary = destination + ".tmp-XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        long number = errno == EACCES || errno == EROFS ? errc::PermissionDenied : errc::PathFileAccessError;
        Raise(number, "Cannot create the backup file " + Quoted(destination) + ": " + std::strerror(errno));
    }
    ::close(fd);
    ::unlink(temporary.c_str());
    try {
        SqliteStore::Create(temporary);
        {
            SqliteStore copy;
            copy.Open(temporary);
            CopySite(*this, copy);
            copy.Close();
        }
        if (!replace) {
            // A link cannot replace a file that appeared meanwhile.
            if (::link(temporary.c_str(), destination.c_str()) != 0) {
                if (errno == EEXIST)
                    Raise(errc::FileAlreadyExists, "File already exists: " + destination);
                Raise(errc::PathFileAccessError,
                      "Cannot write the backup file " + Quoted(destination) + ": " + std::strerror(errno));
            }
            ::unlink(temporary.c_str());
        } else if (::rename(temporary.c_str(), destination.c_str()) != 0) {
            Raise(errc::PathFileAccessError,
                  "Cannot write the backup file " + Quoted(destination) + ": " + std::strerror(errno));
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

} // namespace zel::data::detail
