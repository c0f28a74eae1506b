#include "SqliteSchema.h"

#include "CollectionsTable.h"
#include "SqliteAudit.h"
#include "SqliteEvents.h"
#include "SqliteLifecycle.h"
#include "SqliteStatement.h"
#include "zel/Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace zel::data::detail {

// ID is never reused (AUTOINCREMENT), so a deleted row's key cannot come back as another row's.
// The key indexes use SQLite's NOCASE, which folds the letters A to Z; the lists fold some more
// (Latin-1 letters), so the lists' check before every write stays the finer one.
const char* const SchemaSql = R"sql(
CREATE TABLE Users (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    UserID TEXT NOT NULL,
    Name TEXT NOT NULL,
    AuthorityLevel INTEGER NOT NULL,
    Enrolled BOOLEAN NOT NULL DEFAULT 0,
    Template TEXT
);
CREATE TABLE Readers (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ReaderID INTEGER NOT NULL,
    Name TEXT NOT NULL,
    ChannelDescID INTEGER NOT NULL,
    Location TEXT NOT NULL,
    TimeZone TEXT
);
CREATE TABLE Channels (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT NOT NULL,
    Type TEXT NOT NULL,
    Port INTEGER NOT NULL,
    BitRate INTEGER,
    Location TEXT
);
CREATE UNIQUE INDEX Users_UserID ON Users (UserID COLLATE NOCASE);
CREATE UNIQUE INDEX Readers_Name ON Readers (Name COLLATE NOCASE);
CREATE UNIQUE INDEX Channels_Name ON Channels (Name COLLATE NOCASE);
)sql";

namespace {

struct TableRules {
    const char* Table;
    const char* Key;
    std::vector<const char*> NotNull;
};

// Channels.BitRate and Channels.Location are read for some channel kinds only, so they may be Null.
const std::vector<TableRules>& Rules()
{
    static const std::vector<TableRules> rules{
        {"Users", "UserID", {"UserID", "Name", "AuthorityLevel", "Enrolled"}},
        {"Readers", "Name", {"ReaderID", "Name", "ChannelDescID", "Location"}},
        {"Channels", "Name", {"Name", "Type", "Port"}},
    };
    return rules;
}

std::string Quote(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

void Exec(sqlite3* db, const std::string& sql)
{
    CheckSqlite(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), "Upgrading the site database");
}

std::int64_t CountOf(sqlite3* db, const std::string& sql)
{
    SqliteStatement count(db, sql);
    if (!count.Step())
        return 0;
    auto value = count.Column(0);
    auto number = std::get_if<std::int64_t>(&value);
    return number != nullptr ? *number : 0;
}

struct ColumnInfo {
    std::string Name;
    bool NotNull = false;
};

std::vector<ColumnInfo> ColumnsOf(sqlite3* db, const std::string& table)
{
    std::vector<ColumnInfo> columns;
    SqliteStatement info(db, "SELECT name, \"notnull\" FROM pragma_table_info(?)");
    info.Bind(1, FieldValue(table));
    while (info.Step()) {
        auto notNull = info.Column(1);
        auto flag = std::get_if<std::int64_t>(&notNull);
        columns.push_back({std::get<std::string>(info.Column(0)), flag != nullptr && *flag != 0});
    }
    return columns;
}

// A unique, complete index on `key` alone that compares without regard to letter case.
bool HasKeyIndex(sqlite3* db, const std::string& table, const std::string& key)
{
    std::vector<std::string> indexes;
    {
        SqliteStatement list(db, "SELECT name FROM pragma_index_list(?) WHERE \"unique\" = 1 AND partial = 0");
        list.Bind(1, FieldValue(table));
        while (list.Step())
            indexes.push_back(std::get<std::string>(list.Column(0)));
    }
    for (const auto& index : indexes) {
        SqliteStatement columns(db, "SELECT name, coll FROM pragma_index_xinfo(?) WHERE key = 1");
        columns.Bind(1, FieldValue(index));
        int count = 0;
        bool match = false;
        while (columns.Step()) {
            ++count;
            auto name = columns.Column(0);
            auto coll = columns.Column(1);
            match = std::holds_alternative<std::string>(name) && std::holds_alternative<std::string>(coll) &&
                    EqualsNoCase(std::get<std::string>(name), key) &&
                    EqualsNoCase(std::get<std::string>(coll), "NOCASE");
        }
        if (count == 1 && match)
            return true;
    }
    return false;
}

// --- Adding NOT NULL to the column definitions of a CREATE TABLE text --------------------------

// One top-level part of the column list: a column definition or a table constraint.
struct Part {
    std::size_t FirstToken = std::string::npos; // where its first token starts
    std::size_t End = 0;                        // just after its last token (comments not counted)
};

// Unquoted form of an identifier token at `at` ("x", [x], `x`, 'x' or a bare word).
std::string IdentifierAt(const std::string& sql, std::size_t at)
{
    char open = sql[at];
    char close = open == '[' ? ']' : open;
    if (open == '"' || open == '`' || open == '[' || open == '\'') {
        std::string name;
        for (std::size_t i = at + 1; i < sql.size(); ++i) {
            if (sql[i] == close) {
                if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                    name += close;
                    ++i;
                    continue;
                }
                break;
            }
            name += sql[i];
        }
        return name;
    }
    std::size_t end = at;
    while (end < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_' ||
                                static_cast<unsigned char>(sql[end]) >= 0x80))
        ++end;
    return sql.substr(at, end - at);
}

// Splits the column list of a CREATE TABLE text (between the first top-level parenthesis and its
// partner) into its parts. Quotes, brackets and comments are skipped as SQLite reads them.
// nullopt when the text is not understood. `open` receives where the column list starts.
std::optional<std::vector<Part>> SplitColumnList(const std::string& sql, std::size_t& open)
{
    std::vector<Part> parts;
    int depth = 0;
    Part current;
    open = std::string::npos;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        std::size_t tokenStart = i;
        if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            auto end = sql.find("*/", i + 2);
            i = end == std::string::npos ? sql.size() : end + 1;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c)))
            continue;
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            char close = c == '[' ? ']' : c;
            ++i;
            while (i < sql.size()) {
                if (sql[i] == close) {
                    if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            if (i >= sql.size())
                return std::nullopt;
        } else if (c == '(') {
            ++depth;
            if (depth == 1 && open == std::string::npos) {
                open = i;
                current = Part{};
                continue;
            }
        } else if (c == ')') {
            --depth;
            if (depth == 0 && open != std::string::npos) {
                if (current.FirstToken == std::string::npos)
                    return std::nullopt;
                parts.push_back(current);
                return parts;
            }
        } else if (c == ',' && depth == 1) {
            if (current.FirstToken == std::string::npos)
                return std::nullopt;
            parts.push_back(current);
            current = Part{};
            continue;
        }
        if (depth >= 1 && open != std::string::npos) {
            if (current.FirstToken == std::string::npos)
                current.FirstToken = tokenStart;
            current.End = i + 1;
        }
    }
    return std::nullopt;
}

bool IsTableConstraint(const std::string& word)
{
    for (const char* keyword : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
        if (EqualsNoCase(word, keyword))
            return true;
    return false;
}

// The CREATE TABLE text `sql` of a table, made into that of table `newName` with NOT NULL added to
// the columns `columns`. nullopt when the text is not understood.
std::optional<std::string> WithNotNull(const std::string& sql, const std::string& newName,
                                       const std::vector<std::string>& columns)
{
    std::size_t open = 0;
    auto parts = SplitColumnList(sql, open);
    if (!parts)
        return std::nullopt;
    std::string body = sql.substr(open);
    std::vector<std::size_t> insertAt;
    std::size_t found = 0;
    for (const auto& part : *parts) {
        std::string first = IdentifierAt(sql, part.FirstToken);
        if (IsTableConstraint(first) && sql[part.FirstToken] != '"' && sql[part.FirstToken] != '[' &&
            sql[part.FirstToken] != '`')
            continue;
        for (const auto& column : columns) {
            if (EqualsNoCase(first, column)) {
                insertAt.push_back(part.End - open);
                ++found;
            }
        }
    }
    if (found != columns.size())
        return std::nullopt;
    std::sort(insertAt.rbegin(), insertAt.rend());
    for (auto at : insertAt)
        body.insert(at, " NOT NULL");
    return "CREATE TABLE " + Quote(newName) + " " + body;
}

// --- The upgrade of one table ------------------------------------------------------------------

struct SavedObject {
    std::string Sql;
};

// Makes table `table` again with NOT NULL on `columns` (SQLite cannot add a constraint to a
// column in place): the documented way of a new table, the rows copied, the old one dropped and
// the new one renamed, its indexes and triggers made again, and its AUTOINCREMENT mark kept.
bool RebuildWithNotNull(sqlite3* db, const std::string& table, const std::vector<std::string>& columns)
{
    std::string createSql;
    {
        SqliteStatement select(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
        select.Bind(1, FieldValue(table));
        if (!select.Step())
            return false;
        auto value = select.Column(0);
        if (!std::holds_alternative<std::string>(value))
            return false;
        createSql = std::get<std::string>(value);
    }
    const std::string temporary = table + "_zel_rebuild";
    auto newSql = WithNotNull(createSql, temporary, columns);
    if (!newSql)
        return false;

    std::vector<SavedObject> objects;
    {
        SqliteStatement select(db, "SELECT sql FROM sqlite_master WHERE tbl_name = ? COLLATE NOCASE "
                                   "AND type IN ('index', 'trigger') AND sql IS NOT NULL ORDER BY type, rowid");
        select.Bind(1, FieldValue(table));
        while (select.Step())
            objects.push_back({std::get<std::string>(select.Column(0))});
    }
    std::optional<std::int64_t> sequence;
    if (CountOf(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'") > 0) {
        SqliteStatement select(db, "SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE");
        select.Bind(1, FieldValue(table));
        if (select.Step()) {
            auto value = select.Column(0);
            if (auto number = std::get_if<std::int64_t>(&value))
                sequence = *number;
        }
    }

    Exec(db, *newSql);
    Exec(db, "INSERT INTO " + Quote(temporary) + " SELECT * FROM " + Quote(table));
    Exec(db, "DROP TABLE " + Quote(table));
    Exec(db, "ALTER TABLE " + Quote(temporary) + " RENAME TO " + Quote(table));
    for (const auto& object : objects)
        Exec(db, object.Sql);
    if (sequence) {
        SqliteStatement update(db, "UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?");
        update.Bind(1, FieldValue(*sequence));
        update.Bind(2, FieldValue(table));
        update.Step();
    }
    return true;
}

void UpgradeTable(sqlite3* db, const TableRules& rules)
{
    auto columns = ColumnsOf(db, rules.Table);
    std::vector<std::string> missingNotNull;
    for (const char* required : rules.NotNull)
        for (const auto& column : columns)
            if (EqualsNoCase(column.Name, required) && !column.NotNull)
                missingNotNull.push_back(column.Name);
    bool hasKey = false;
    for (const auto& column : columns)
        hasKey = hasKey || EqualsNoCase(column.Name, rules.Key);
    bool missingIndex = hasKey && !HasKeyIndex(db, rules.Table, rules.Key);
    if (missingNotNull.empty() && !missingIndex)
        return;

    // Only when the rows allow it.
    const std::string table = Quote(rules.Table);
    if (!missingNotNull.empty()) {
        std::string where;
        for (const auto& column : missingNotNull)
            where += (where.empty() ? "" : " OR ") + Quote(column) + " IS NULL";
        if (CountOf(db, "SELECT count(*) FROM " + table + " WHERE " + where) > 0)
            return;
    }
    if (missingIndex && CountOf(db, "SELECT count(*) FROM (SELECT 1 FROM " + table + " GROUP BY " + Quote(rules.Key) +
                                        " COLLATE NOCASE HAVING count(*) > 1)") > 0)
        return;

    Exec(db, "SAVEPOINT zel_upgrade_table");
    try {
        if (!missingNotNull.empty())
            RebuildWithNotNull(db, rules.Table, missingNotNull);
        if (missingIndex)
            Exec(db, "CREATE UNIQUE INDEX IF NOT EXISTS " + Quote(std::string(rules.Table) + "_" + rules.Key) + " ON " +
                         table + " (" + Quote(rules.Key) + " COLLATE NOCASE)");
        Exec(db, "RELEASE zel_upgrade_table");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO zel_upgrade_table", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE zel_upgrade_table", nullptr, nullptr, nullptr);
    }
}

// True when a list table lacks its key index or a NOT NULL constraint.
bool MissingConstraints(sqlite3* db)
{
    for (const auto& rules : Rules()) {
        auto columns = ColumnsOf(db, rules.Table);
        bool hasKey = false;
        for (const auto& column : columns) {
            hasKey = hasKey || EqualsNoCase(column.Name, rules.Key);
            for (const char* required : rules.NotNull)
                if (EqualsNoCase(column.Name, required) && !column.NotNull)
                    return true;
        }
        if (hasKey && !HasKeyIndex(db, rules.Table, rules.Key))
            return true;
    }
    return false;
}

// The clock's time zone (an IANA name; Null or empty: this machine's zone), added to files made
// before it existed. A file without a Readers table is left to the load rules to name.
void EnsureReaderTimeZone(sqlite3* db)
{
    const auto columns = ColumnsOf(db, "Readers");
    if (columns.empty() || std::any_of(columns.begin(), columns.end(),
                                       [](const ColumnInfo& column) { return EqualsNoCase(column.Name, "TimeZone"); }))
        return;
    Exec(db, "ALTER TABLE Readers ADD COLUMN TimeZone TEXT");
}

int VersionOf(sqlite3* db)
{
    SqliteStatement version(db, "PRAGMA user_version");
    if (!version.Step())
        return 0;
    auto value = version.Column(0);
    auto number = std::get_if<std::int64_t>(&value);
    return number != nullptr ? static_cast<int>(*number) : 0;
}

} // namespace

bool UpgradeSchema(sqlite3* db) noexcept
{
    try {
        // Nothing to do costs a few reads and no write lock.
        if (!MissingConstraints(db))
            return true;

        // The rename must not rewrite (or check) other tables' views and triggers that name the
        // table: they name it again once it is back under its name.
        sqlite3_exec(db, "PRAGMA legacy_alter_table = ON", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
            try {
                for (const auto& rules : Rules())
                    UpgradeTable(db, rules);
                if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
                    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            } catch (...) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        }
        sqlite3_exec(db, "PRAGMA legacy_alter_table = OFF", nullptr, nullptr, nullptr);
        return !MissingConstraints(db);
    } catch (...) { // NOLINT(bugprone-empty-catch): the file is used as it is
        return false;
    }
}

void BringUpToDate(sqlite3* db, bool writer)
{
    if (VersionOf(db) >= SiteSchemaVersion)
        return;
    const bool keys = writer && UpgradeSchema(db);
    Exec(db, "BEGIN IMMEDIATE");
    try {
        EnsureEventsTable(db);
        EnsureAuditTable(db);
        if (writer) // appending needs none of them
            EnsureLifecycleTables(db);
        if (writer)
            EnsureReaderTimeZone(db);
        if (writer) // so that a copy of the site can hold the collections of the site it copies
            EnsureCollectionsTable(db);
        if (keys)
            Exec(db, "PRAGMA user_version = " + std::to_string(SiteSchemaVersion));
        Exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace zel::data::detail
