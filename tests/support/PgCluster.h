#pragma once

#include <string>

namespace zel::test {

// A throwaway PostgreSQL server for the tests of one program: initdb and pg_ctl into a folder of
// its own, reachable only through a Unix socket in that folder, every local user trusted. When
// the tests run as root the server runs as the system user "postgres" (the server refuses root).
// Started at the first Shared() and stopped when the program's tests end. The server binaries are
// taken from ZEL_PG_BIN when it is set, else from the newest /usr/lib/postgresql/<version>/bin.
class PgCluster {
public:
    // The program's cluster, started on first use; nullptr when this machine has no PostgreSQL
    // server binaries or the cluster cannot start (Unavailable() then says why: tests skip).
    static PgCluster* Shared();
    static const std::string& Unavailable();

    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;
    ~PgCluster();

    // Makes a new, empty database and returns its connection URI.
    std::string NewDatabase();
    // The connection URI of the database `name`.
    std::string Uri(const std::string& name) const;

    // Runs `sql` (one or more statements) on the database `uri` and returns what it selected as
    // the sqlite3 client prints it: one line per row, values separated by '|', Null empty,
    // booleans 1 and 0. A failure fails the calling test.
    static std::string Query(const std::string& uri, const std::string& sql);
    // The server's message when `sql` fails, the empty text when it succeeds.
    static std::string ErrorOf(const std::string& uri, const std::string& sql);

    // Stops the server and removes its folder (also done at exit).
    void Stop() noexcept;

private:
    PgCluster() = default;
    bool Start(std::string& why);

    std::string mBin;
    std::string mFolder;
    int mPort = 0;
    bool mRunning = false;
    int mDatabases = 0;
};

} // namespace zel::test
