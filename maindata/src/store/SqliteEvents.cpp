#include "SqliteEvents.h"

#include "SqliteQuery.h"

#include <sqlite3.h>

#include <string>

namespace zel::data::detail {

namespace {

using Statement = SqliteQuery;
constexpr auto BindText = &SqliteQuery::BindText;
constexpr auto Text = &SqliteQuery::Text;

constexpr const char* kCreateSql = R"sql(
CREATE TABLE IF NOT EXISTS Events (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ClockID INTEGER NOT NULL,
    ClockName TEXT NOT NULL,
    ReaderID INTEGER NOT NULL,
    TimeStamp TEXT NOT NULL,
    FormatType INTEGER NOT NULL,
    Data1 BLOB NOT NULL,
    Data2 BLOB NOT NULL,
    UserID TEXT,
    CollectedAt TEXT NOT NULL,
    UserName TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS Events_Key ON Events (ClockID, TimeStamp, FormatType, Data1, Data2);
CREATE INDEX IF NOT EXISTS Events_Time ON Events (TimeStamp);
CREATE INDEX IF NOT EXISTS Events_User ON Events (UserID, TimeStamp);
)sql";

// The user's name as it was when the event was collected; for an event collected before names
// were kept (or whose user the site did not know then), the name of the site's user now.
constexpr const char* kNameNow = "(SELECT u.Name FROM Users u WHERE u.UserID = e.UserID COLLATE NOCASE LIMIT 1)";

// The columns of a list of events, for a table with (or, older, without) the UserName column.
std::string Columns(bool namesKept)
{
    return std::string("SELECT e.ID, e.ClockID, e.ClockName, e.ReaderID, e.TimeStamp, e.FormatType, e.Data1, "
                       "e.Data2, e.UserID, e.CollectedAt, ") +
           (namesKept ? "coalesce(e.UserName, " + std::string(kNameNow) + ")" : std::string(kNameNow)) +
           " FROM Events e";
}

void BindKey(sqlite3_stmt* s, const StoredEvent& e, int first)
{
    sqlite3_bind_int(s, first, e.ClockID);
    BindText(s, first + 1, e.TimeStamp);
    sqlite3_bind_int(s, first + 2, e.FormatType);
    sqlite3_bind_blob(s, first + 3, e.Data1.data(), static_cast<int>(e.Data1.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(s, first + 4, e.Data2.data(), static_cast<int>(e.Data2.size()), SQLITE_TRANSIENT);
}

template <std::size_t N> void Blob(sqlite3_stmt* s, int column, std::array<std::uint8_t, N>& out)
{
    out.fill(0);
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, column));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(s, column));
    for (std::size_t i = 0; bytes && i < N && i < size; ++i)
        out[i] = bytes[i];
}

// "2026-01-02T03:04:05" and "2026-01-02 03:04:05" mean the same.
std::string Normal(std::string time)
{
    if (time.size() > 10 && (time[10] == 'T' || time[10] == 't'))
        time[10] = ' ';
    return time;
}

// The WHERE clause of a filter and the values it binds, in order.
struct Where {
    std::string Sql;
    std::vector<std::string> Texts; // bound as text or integer, see Integers
    std::vector<bool> Integers;

    explicit Where(const EventFilter& f)
    {
        auto add = [this](const std::string& clause) { Sql += (Sql.empty() ? " WHERE " : " AND ") + clause; };
        if (!f.Since.empty()) {
            add("e.TimeStamp >= ?");
            Push(Normal(f.Since), false);
        }
        if (!f.Until.empty()) {
            std::string until = Normal(f.Until);
            if (until.size() == 10)
                until += " 23:59:59";
            add("e.TimeStamp <= ?");
            Push(until, false);
        }
        if (!f.ClockIDs.empty()) {
            std::string list;
            for (auto id : f.ClockIDs) {
                list += list.empty() ? "?" : ",?";
                Push(std::to_string(id), true);
            }
            add("e.ClockID IN (" + list + ")");
        }
        if (!f.UserID.empty()) {
            add("e.UserID = ?");
            Push(f.UserID, false);
        }
        if (!f.FormatTypes.empty()) {
            std::string list;
            for (auto type : f.FormatTypes) {
                list += list.empty() ? "?" : ",?";
                Push(std::to_string(type), true);
            }
            add("e.FormatType IN (" + list + ")");
        }
    }
    void Push(const std::string& value, bool integer)
    {
        Texts.push_back(value);
        Integers.push_back(integer);
    }
    int Bind(sqlite3_stmt* s) const
    {
        int index = 1;
        for (std::size_t i = 0; i < Texts.size(); ++i, ++index) {
            if (Integers[i])
                sqlite3_bind_int64(s, index, std::stoll(Texts[i]));
            else
                BindText(s, index, Texts[i]);
        }
        return index;
    }
};

} // namespace

void EnsureEventsTable(sqlite3* db)
{
    CheckSqlite(db, sqlite3_exec(db, kCreateSql, nullptr, nullptr, nullptr), "Creating the Events table");
    if (!EventsKeepNames(db))
        CheckSqlite(db, sqlite3_exec(db, "ALTER TABLE Events ADD COLUMN UserName TEXT", nullptr, nullptr, nullptr),
                    "Adding the user's name to the Events table");
}

bool HasEventsTable(sqlite3* db)
{
    Statement s(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Events'");
    return s.Step("Looking for the Events table");
}

bool EventsKeepNames(sqlite3* db)
{
    Statement s(db, "SELECT 1 FROM pragma_table_info('Events') WHERE name = 'UserName' COLLATE NOCASE");
    return s.Step("Looking at the Events table");
}

int InsertEvents(sqlite3* db, const std::vector<StoredEvent>& events)
{
    Statement s(db, "INSERT OR IGNORE INTO Events (ClockID, TimeStamp, FormatType, Data1, Data2, ClockName, ReaderID, "
                    "UserID, CollectedAt, UserName) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    int inserted = 0;
    for (const auto& e : events) {
        BindKey(*s, e, 1);
        BindText(*s, 6, e.ClockName);
        sqlite3_bind_int(*s, 7, e.ReaderID);
        if (e.UserID.empty())
            sqlite3_bind_null(*s, 8);
        else
            BindText(*s, 8, e.UserID);
        BindText(*s, 9, e.CollectedAt);
        if (e.UserName.empty())
            sqlite3_bind_null(*s, 10);
        else
            BindText(*s, 10, e.UserName);
        s.Step("Storing an event");
        inserted += sqlite3_changes(db);
        s.Reset();
    }
    return inserted;
}

bool ContainsEvent(sqlite3* db, const StoredEvent& event)
{
    if (!HasEventsTable(db))
        return false;
    Statement s(db, "SELECT 1 FROM Events WHERE ClockID = ? AND TimeStamp = ? AND FormatType = ? AND Data1 = ? AND "
                    "Data2 = ?");
    BindKey(*s, event, 1);
    return s.Step("Looking for an event");
}

std::int64_t CountEventsOfClock(sqlite3* db, std::int32_t clockID)
{
    if (!HasEventsTable(db))
        return 0;
    Statement s(db, "SELECT count(*) FROM Events WHERE ClockID = ?");
    sqlite3_bind_int(*s, 1, clockID);
    return s.Step("Counting events") ? sqlite3_column_int64(*s, 0) : 0;
}

std::int64_t CountEvents(sqlite3* db, const EventFilter& filter)
{
    if (!HasEventsTable(db))
        return 0;
    const Where where(filter);
    Statement s(db, "SELECT count(*) FROM Events e" + where.Sql);
    where.Bind(*s);
    return s.Step("Counting events") ? sqlite3_column_int64(*s, 0) : 0;
}

namespace {

void ReadRows(Statement& s, const std::function<void(const StoredEvent&)>& onEvent)
{
    StoredEvent e;
    while (s.Step("Reading events")) {
        e.ID = sqlite3_column_int64(*s, 0);
        e.ClockID = sqlite3_column_int(*s, 1);
        e.ClockName = Text(*s, 2);
        e.ReaderID = sqlite3_column_int(*s, 3);
        e.TimeStamp = Text(*s, 4);
        e.FormatType = sqlite3_column_int(*s, 5);
        Blob(*s, 6, e.Data1);
        Blob(*s, 7, e.Data2);
        e.UserID = Text(*s, 8);
        e.CollectedAt = Text(*s, 9);
        e.UserName = Text(*s, 10);
        onEvent(e);
    }
}

} // namespace

void SelectEvents(sqlite3* db, const EventFilter& filter, std::int64_t offset, std::int64_t limit,
                  const std::function<void(const StoredEvent&)>& onEvent)
{
    if (!HasEventsTable(db))
        return;
    const Where where(filter);
    Statement s(db,
                Columns(EventsKeepNames(db)) + where.Sql + " ORDER BY e.TimeStamp DESC, e.ID DESC LIMIT ? OFFSET ?");
    const int next = where.Bind(*s);
    sqlite3_bind_int64(*s, next, limit);
    sqlite3_bind_int64(*s, next + 1, offset < 0 ? 0 : offset);
    ReadRows(s, onEvent);
}

void SelectEventsAfter(sqlite3* db, const EventFilter& filter, const EventCursor* after, std::int64_t limit,
                       const std::function<void(const StoredEvent&)>& onEvent)
{
    if (!HasEventsTable(db))
        return;
    const Where where(filter);
    std::string sql = Columns(EventsKeepNames(db)) + where.Sql;
    if (after)
        sql +=
            std::string(where.Sql.empty() ? " WHERE " : " AND ") + "e.TimeStamp <= ? AND (e.TimeStamp < ? OR e.ID < ?)";
    sql += " ORDER BY e.TimeStamp DESC, e.ID DESC LIMIT ?";
    Statement s(db, sql);
    int next = where.Bind(*s);
    if (after) {
        BindText(*s, next++, after->TimeStamp);
        BindText(*s, next++, after->TimeStamp);
        sqlite3_bind_int64(*s, next++, after->ID);
    }
    sqlite3_bind_int64(*s, next, limit);
    ReadRows(s, onEvent);
}

} // namespace zel::data::detail
