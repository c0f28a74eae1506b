#include "SqliteAudit.h"

#include "AuditText.h"
#include "SqliteQuery.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace zel::data::detail {

namespace {

using Statement = SqliteQuery;
constexpr auto BindText = &SqliteQuery::BindText;
constexpr auto Text = &SqliteQuery::Text;

// Rows are never changed or removed through the library; the triggers stop a hand-written
// statement too (a tamper must drop them first, and the chain still shows it).
constexpr const char* kCreateSql = R"sql(
CREATE TABLE IF NOT EXISTS AuditLog (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Seq INTEGER NOT NULL,
    LoggedAt TEXT NOT NULL,
    OsUser TEXT NOT NULL,
    Host TEXT NOT NULL,
    Program TEXT NOT NULL,
    Version TEXT NOT NULL,
    Action TEXT NOT NULL,
    ClockID INTEGER,
    ClockName TEXT,
    UserIDs TEXT,
    Outcome TEXT,
    Detail TEXT,
    PreviousHash TEXT NOT NULL,
    Hash TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS AuditLog_Time ON AuditLog (LoggedAt);
CREATE TRIGGER IF NOT EXISTS AuditLog_NoUpdate BEFORE UPDATE ON AuditLog
BEGIN SELECT RAISE(ABORT, 'the audit log is append-only'); END;
CREATE TRIGGER IF NOT EXISTS AuditLog_NoDelete BEFORE DELETE ON AuditLog
BEGIN SELECT RAISE(ABORT, 'the audit log is append-only'); END;
)sql";

constexpr const char* kColumns = "SELECT ID, Seq, LoggedAt, OsUser, Host, Program, Version, Action, ClockID, "
                                 "ClockName, UserIDs, Outcome, Detail, PreviousHash, Hash FROM AuditLog";

// The WHERE clause of a filter and the texts it binds, in order.
struct Where {
    std::string Sql;
    std::vector<std::string> Texts;

    explicit Where(const AuditFilter& f)
    {
        if (!f.Since.empty())
            Add("LoggedAt >= ?", {f.Since});
        if (!f.Until.empty())
            Add("LoggedAt <= ?", {f.Until});
        if (!f.UserID.empty())
            Add("instr(',' || coalesce(UserIDs, '') || ',', ',' || ? || ',') > 0", {f.UserID});
        if (!f.Clock.empty())
            Add("(ClockName = ? COLLATE NOCASE OR CAST(ClockID AS TEXT) = ?)", {f.Clock, f.Clock});
        if (!f.Action.empty())
            Add("Action = ?", {f.Action});
    }
    void Add(const std::string& clause, const std::vector<std::string>& values)
    {
        Sql += (Sql.empty() ? " WHERE " : " AND ") + clause;
        Texts.insert(Texts.end(), values.begin(), values.end());
    }
    int Bind(sqlite3_stmt* s) const
    {
        int index = 1;
        for (const auto& text : Texts)
            BindText(s, index++, text);
        return index;
    }
};

// `split`: UserIDs as a list; else the stored text as its one element (all a hash needs).
void ReadRows(Statement& s, const std::function<void(AuditEntry&)>& onRow, bool split = true)
{
    AuditEntry e;
    while (s.Step("Reading the audit log")) {
        e.ID = sqlite3_column_int64(*s, 0);
        e.Sequence = sqlite3_column_int64(*s, 1);
        e.Time = Text(*s, 2);
        e.OsUser = Text(*s, 3);
        e.Host = Text(*s, 4);
        e.Program = Text(*s, 5);
        e.Version = Text(*s, 6);
        e.Action = Text(*s, 7);
        e.ClockID = sqlite3_column_int(*s, 8);
        e.ClockName = Text(*s, 9);
        e.UserIDs = split ? SplitUserIDs(Text(*s, 10)) : std::vector<std::string>{Text(*s, 10)};
        e.Outcome = Text(*s, 11);
        e.Detail = Text(*s, 12);
        e.PreviousHash = Text(*s, 13);
        e.Hash = Text(*s, 14);
        onRow(e);
    }
}

} // namespace

void EnsureAuditTable(sqlite3* db)
{
    CheckSqlite(db, sqlite3_exec(db, kCreateSql, nullptr, nullptr, nullptr), "Creating the AuditLog table");
}

bool HasAuditTable(sqlite3* db)
{
    Statement s(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'AuditLog'");
    return s.Step("Looking for the AuditLog table");
}

AuditLink LastAuditLink(sqlite3* db)
{
    Statement s(db, "SELECT Seq, Hash FROM AuditLog ORDER BY ID DESC LIMIT 1");
    if (!s.Step("Reading the end of the audit log"))
        return {};
    return {sqlite3_column_int64(*s, 0), Text(*s, 1)};
}

std::int64_t InsertAuditRow(sqlite3* db, const AuditEntry& e)
{
    Statement s(db, "INSERT INTO AuditLog (Seq, LoggedAt, OsUser, Host, Program, Version, Action, ClockID, ClockName, "
                    "UserIDs, Outcome, Detail, PreviousHash, Hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_bind_int64(*s, 1, e.Sequence);
    BindText(*s, 2, e.Time);
    BindText(*s, 3, e.OsUser);
    BindText(*s, 4, e.Host);
    BindText(*s, 5, e.Program);
    BindText(*s, 6, e.Version);
    BindText(*s, 7, e.Action);
    if (e.ClockID != 0)
        sqlite3_bind_int(*s, 8, e.ClockID);
    BindText(*s, 9, e.ClockName);
    BindText(*s, 10, JoinUserIDs(e.UserIDs));
    BindText(*s, 11, e.Outcome);
    BindText(*s, 12, e.Detail);
    BindText(*s, 13, e.PreviousHash);
    BindText(*s, 14, e.Hash);
    s.Step("Appending to the audit log");
    return sqlite3_last_insert_rowid(db);
}

std::int64_t CountAuditRows(sqlite3* db, const AuditFilter& filter)
{
    if (!HasAuditTable(db))
        return 0;
    const Where where(filter);
    Statement s(db, "SELECT count(*) FROM AuditLog" + where.Sql);
    where.Bind(*s);
    return s.Step("Counting audit log rows") ? sqlite3_column_int64(*s, 0) : 0;
}

void SelectAuditRows(sqlite3* db, const AuditFilter& filter, std::int64_t beforeID, std::int64_t limit,
                     const std::function<void(AuditEntry&)>& onRow)
{
    if (!HasAuditTable(db))
        return;
    const Where where(filter);
    std::string sql = kColumns + where.Sql;
    if (beforeID > 0)
        sql += std::string(where.Sql.empty() ? " WHERE " : " AND ") + "ID < ?";
    Statement s(db, sql + " ORDER BY ID DESC LIMIT ?");
    int next = where.Bind(*s);
    if (beforeID > 0)
        sqlite3_bind_int64(*s, next++, beforeID);
    sqlite3_bind_int64(*s, next, limit);
    ReadRows(s, onRow);
}

void WalkAuditRows(sqlite3* db, const std::function<void(AuditEntry&)>& onRow)
{
    if (!HasAuditTable(db))
        return;
    Statement s(db, std::string(kColumns) + " ORDER BY ID");
    ReadRows(s, onRow, false);
}

} // namespace zel::data::detail
