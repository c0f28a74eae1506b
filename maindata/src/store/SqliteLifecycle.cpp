#include "SqliteLifecycle.h"

#include "../Conversions.h"
#include "SqliteStatement.h"

#include <sqlite3.h>

namespace zel::data::detail {

namespace {

constexpr const char* kNow = "strftime('%Y-%m-%dT%H:%M:%SZ', 'now')";

constexpr const char* kCreateSql = R"sql(
CREATE TABLE IF NOT EXISTS PendingErasures (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ClockID INTEGER NOT NULL,
    ClockName TEXT NOT NULL,
    UserID TEXT NOT NULL,
    Since TEXT NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS PendingErasures_Key ON PendingErasures (ClockID, UserID);
CREATE TABLE IF NOT EXISTS SiteSettings (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT NOT NULL,
    Value TEXT NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS SiteSettings_Name ON SiteSettings (Name);
)sql";

// A template written dates itself; one taken away takes its date along.
constexpr const char* kTriggersSql = R"sql(
CREATE TRIGGER IF NOT EXISTS Users_TemplateStored AFTER UPDATE OF Template ON Users
WHEN NEW.Template IS NOT OLD.Template
BEGIN
    UPDATE Users SET TemplateStoredAt = CASE WHEN NEW.Template IS NULL THEN NULL
        ELSE strftime('%Y-%m-%dT%H:%M:%SZ', 'now') END WHERE ID = NEW.ID;
END;
CREATE TRIGGER IF NOT EXISTS Users_TemplateAdded AFTER INSERT ON Users
WHEN NEW.Template IS NOT NULL AND NEW.TemplateStoredAt IS NULL
BEGIN
    UPDATE Users SET TemplateStoredAt = strftime('%Y-%m-%dT%H:%M:%SZ', 'now') WHERE ID = NEW.ID;
END;
)sql";

void Exec(sqlite3* db, const std::string& sql, const char* context)
{
    CheckSqlite(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), context);
}

bool Exists(sqlite3* db, const char* sql)
{
    SqliteStatement s(db, sql);
    return s.Step();
}

} // namespace

void EnsureLifecycleTables(sqlite3* db)
{
    Exec(db, kCreateSql, "Creating the tables of pending erasures and settings");
    // A Users table without its Template column is named when its list loads; it gets no dates.
    if (!Exists(db, "SELECT 1 FROM pragma_table_info('Users') WHERE name = 'Template' COLLATE NOCASE"))
        return;
    if (!Exists(db, "SELECT 1 FROM pragma_table_info('Users') WHERE name = 'TemplateStoredAt' COLLATE NOCASE")) {
        Exec(db, "ALTER TABLE Users ADD COLUMN TemplateStoredAt TEXT", "Adding the template dates to Users");
        // Templates stored before the site kept dates count from now on.
        Exec(db, std::string("UPDATE Users SET TemplateStoredAt = ") + kNow + " WHERE Template IS NOT NULL",
             "Dating the stored templates");
    }
    Exec(db, kTriggersSql, "Making the template dates");
}

void InsertPendingErasures(sqlite3* db, const std::vector<PendingErasure>& erasures)
{
    SqliteStatement insert(db, std::string("INSERT OR IGNORE INTO PendingErasures (ClockID, ClockName, UserID, Since) "
                                           "VALUES (?, ?, ?, ") +
                                   kNow + ")");
    for (const auto& erasure : erasures) {
        SqliteStatement::Use use(insert);
        use->Bind(1, FieldValue(static_cast<std::int64_t>(erasure.ClockID)));
        use->Bind(2, FieldValue(erasure.ClockName));
        use->Bind(3, FieldValue(erasure.UserID));
        use->Step();
    }
}

bool DeletePendingErasure(sqlite3* db, std::int32_t clockID, const std::string& userID)
{
    SqliteStatement remove(db, "DELETE FROM PendingErasures WHERE ClockID = ? AND UserID = ?");
    remove.Bind(1, FieldValue(static_cast<std::int64_t>(clockID)));
    remove.Bind(2, FieldValue(userID));
    remove.Step();
    return sqlite3_changes(db) > 0;
}

std::vector<PendingErasure> SelectPendingErasures(sqlite3* db, std::int32_t clockID)
{
    std::vector<PendingErasure> erasures;
    if (!Exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'PendingErasures'"))
        return erasures;
    SqliteStatement select(db, std::string("SELECT ID, ClockID, ClockName, UserID, Since FROM PendingErasures") +
                                   (clockID != 0 ? " WHERE ClockID = ?" : "") + " ORDER BY Since, ID");
    if (clockID != 0)
        select.Bind(1, FieldValue(static_cast<std::int64_t>(clockID)));
    while (select.Step()) {
        PendingErasure erasure;
        erasure.ID = std::get<std::int64_t>(select.Column(0));
        erasure.ClockID = static_cast<std::int32_t>(std::get<std::int64_t>(select.Column(1)));
        erasure.ClockName = ToTextOrEmpty(select.Column(2));
        erasure.UserID = ToTextOrEmpty(select.Column(3));
        erasure.Since = ToTextOrEmpty(select.Column(4));
        erasures.push_back(std::move(erasure));
    }
    return erasures;
}

std::optional<std::string> SelectSetting(sqlite3* db, const std::string& name)
{
    if (!Exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'SiteSettings'"))
        return std::nullopt;
    SqliteStatement select(db, "SELECT Value FROM SiteSettings WHERE Name = ?");
    select.Bind(1, FieldValue(name));
    if (!select.Step())
        return std::nullopt;
    return ToTextOrEmpty(select.Column(0));
}

void StoreSetting(sqlite3* db, const std::string& name, const std::string& value)
{
    SqliteStatement upsert(db, "INSERT INTO SiteSettings (Name, Value) VALUES (?, ?) "
                               "ON CONFLICT (Name) DO UPDATE SET Value = excluded.Value");
    upsert.Bind(1, FieldValue(name));
    upsert.Bind(2, FieldValue(value));
    upsert.Step();
}

std::map<std::string, std::string> SelectTemplateDates(sqlite3* db)
{
    std::map<std::string, std::string> dates;
    if (!Exists(db, "SELECT 1 FROM pragma_table_info('Users') WHERE name = 'TemplateStoredAt' COLLATE NOCASE"))
        return dates;
    SqliteStatement select(db, "SELECT UserID, TemplateStoredAt FROM Users WHERE TemplateStoredAt IS NOT NULL");
    while (select.Step())
        dates[ToTextOrEmpty(select.Column(0))] = ToTextOrEmpty(select.Column(1));
    return dates;
}

std::map<std::string, std::string> SelectLastEvents(sqlite3* db, const std::vector<std::int32_t>& formatTypes)
{
    std::map<std::string, std::string> last;
    if (formatTypes.empty() || !Exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Events'"))
        return last;
    std::string list;
    for (std::size_t i = 0; i < formatTypes.size(); ++i)
        list += i == 0 ? "?" : ", ?";
    SqliteStatement select(db, "SELECT UserID, max(TimeStamp) FROM Events WHERE UserID IS NOT NULL AND UserID <> '' "
                               "AND FormatType IN (" +
                                   list + ") GROUP BY UserID");
    for (std::size_t i = 0; i < formatTypes.size(); ++i)
        select.Bind(static_cast<int>(i + 1), FieldValue(static_cast<std::int64_t>(formatTypes[i])));
    while (select.Step())
        last[ToTextOrEmpty(select.Column(0))] = ToTextOrEmpty(select.Column(1));
    return last;
}

} // namespace zel::data::detail
