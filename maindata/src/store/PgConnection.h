#pragma once

#include "PgResult.h"
#include "zel/data/FieldValue.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct pg_conn;

namespace zel::data::detail {

// One value bound to a statement: sent as text for the server to read as the column's type, or
// as raw bytes for a bytea column.
struct PgParam {
    PgParam(FieldValue value, bool bytes = false) : Value(std::move(value)), Bytes(bytes) {}
    FieldValue Value;
    bool Bytes = false;
};

// A connection to a PostgreSQL server, closed when it goes. Every statement with values passes
// them bound, never pasted into the text; every failure of the server or of the connection is
// turned into a zel::Error here. Error texts name the server and never the password.
class PgConnection {
public:
    // Connects to `site` (a postgresql:// URI or a conninfo text). Fails with a clear error
    // naming the server, the database and the user.
    explicit PgConnection(const std::string& site);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // "host:port, database name, user name" as the connection found them.
    const std::string& Server() const { return mServer; }
    pg_conn* Handle() const { return mConn; }
    // "PostgreSQL 15.5"
    std::string ServerVersion() const;
    // True when the connection to the server is lost.
    bool IsBroken() const;
    // Connects again after a lost connection; the prepared statements are made again on use.
    void Reconnect();

    // Runs one statement with bound values; rows come in the binary format. A `cached`
    // statement is prepared once for the life of the connection.
    PgResult Run(const std::string& sql, const std::vector<PgParam>& params = {}, bool cached = false,
                 std::string_view context = "Executing a statement");
    // Runs statements without values (transaction control, making tables).
    void Execute(const std::string& sql, std::string_view context);

    // Raises the zel::Error of a failed statement (or of the connection when `result` is null).
    [[noreturn]] void Raise(const PgResult& result, std::string_view context) const;

private:
    void Connect();
    std::string Masked(std::string text) const;

    pg_conn* mConn = nullptr;
    std::string mSite;
    std::string mServer;
    std::map<std::string, std::string> mPrepared;
};

} // namespace zel::data::detail
