#include "PgChangeFeed.h"

#include "PgConnection.h"
#include "zel/Error.h"
#include "zel/data/DataErrors.h"

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace zel::data::detail {

namespace {

constexpr const char* Channel = "zel_site_changes";

// Each payload is "<table>:<ID>:<I|U|D>", the table in lower case as the server names it.
constexpr const char* FunctionSql = R"sql(
CREATE OR REPLACE FUNCTION zel_site_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP = 'DELETE' THEN
        PERFORM pg_notify('zel_site_changes', TG_TABLE_NAME || ':' || OLD.id || ':D');
        RETURN OLD;
    END IF;
    PERFORM pg_notify('zel_site_changes', TG_TABLE_NAME || ':' || NEW.id || ':' || left(TG_OP, 1));
    RETURN NEW;
END
$$;
)sql";

constexpr std::array<const char*, 3> Tables = {"users", "readers", "channels"};
constexpr std::array<const char*, 3> TableNames = {"Users", "Readers", "Channels"};

} // namespace

const char* PgFeedTableName(std::string_view table)
{
    for (std::size_t i = 0; i < Tables.size(); ++i) {
        const std::string_view name = Tables[i];
        if (table.size() == name.size() && std::equal(table.begin(), table.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            }))
            return TableNames[i];
    }
    return nullptr;
}

namespace {

std::string TriggerSql(const char* table)
{
    return std::string("DROP TRIGGER IF EXISTS zel_site_change ON ") + table +
           "; CREATE TRIGGER zel_site_change AFTER INSERT OR UPDATE OR DELETE ON " + table +
           " FOR EACH ROW EXECUTE FUNCTION zel_site_change();";
}

bool ParseChange(std::string_view payload, StoredChange& change)
{
    const auto first = payload.find(':');
    const auto last = payload.rfind(':');
    if (first == std::string_view::npos || last == first || last + 2 != payload.size())
        return false;
    const std::string_view table = payload.substr(0, first);
    bool known = false;
    for (std::size_t i = 0; i < Tables.size(); ++i) {
        if (table == Tables[i]) {
            change.Table = TableNames[i];
            known = true;
        }
    }
    if (!known)
        return false;
    const std::string id(payload.substr(first + 1, last - first - 1));
    char* end = nullptr;
    change.ID = std::strtoll(id.c_str(), &end, 10);
    if (id.empty() || end == nullptr || *end != '\0')
        return false;
    switch (payload.back()) {
    case 'I':
        change.What = StoredChange::Inserted;
        return true;
    case 'U':
        change.What = StoredChange::Updated;
        return true;
    case 'D':
        change.What = StoredChange::Deleted;
        return true;
    default:
        return false;
    }
}

} // namespace

bool HasPgChangeFeed(PgConnection& connection)
{
    auto result = connection.Run("SELECT count(DISTINCT c.relname) FROM pg_trigger t JOIN pg_class c ON c.oid = "
                                 "t.tgrelid WHERE t.tgname = 'zel_site_change' AND c.relname IN ('users', "
                                 "'readers', 'channels') AND pg_table_is_visible(c.oid)",
                                 {}, false, "Looking for the change feed");
    return result.Integer(0, 0) == static_cast<std::int64_t>(Tables.size());
}

void CreatePgChangeFeed(PgConnection& connection)
{
    // One program at a time makes them (the lock ends with the transaction).
    connection.Execute("SELECT pg_advisory_xact_lock(7331001)", "Making the change feed");
    connection.Execute(FunctionSql, "Making the change feed");
    for (const char* table : Tables)
        connection.Execute(TriggerSql(table), "Making the change feed");
}

void EnsurePgChangeFeed(PgConnection& connection)
{
    if (HasPgChangeFeed(connection))
        return;
    connection.Execute("BEGIN", "Making the change feed");
    try {
        CreatePgChangeFeed(connection);
        connection.Execute("COMMIT", "Making the change feed");
    } catch (const zel::Error& error) {
        try {
            connection.Execute("ROLLBACK", "Making the change feed");
        } catch (...) { // NOLINT(bugprone-empty-catch): the first error is the one to report
        }
        // A user who may change the rows but not the tables works without the feed: other
        // programs' changes then show after a restart only.
        if (error.Number() != errc::PermissionDenied)
            throw;
    }
}

void ListenPgChangeFeed(PgConnection& connection)
{
    std::string listen = "LISTEN ";
    listen += Channel;
    connection.Execute(listen, "Listening for changes of other programs");
}

std::vector<StoredChange> TakePgChanges(PgConnection& connection)
{
    std::vector<StoredChange> changes;
    PGconn* conn = connection.Handle();
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK)
        return changes;
    PQconsumeInput(conn); // a lost connection shows in PQstatus afterwards
    const int self = PQbackendPID(conn);
    while (PGnotify* notify = PQnotifies(conn)) {
        StoredChange change;
        if (notify->be_pid != self && std::strcmp(notify->relname, Channel) == 0 &&
            ParseChange(notify->extra != nullptr ? notify->extra : "", change))
            changes.push_back(std::move(change));
        PQfreemem(notify);
    }
    return changes;
}

} // namespace zel::data::detail
