#pragma once

#include "MainDataTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace zel::data::test {

// The engines a site database case runs on.
enum class Engine { Sqlite, Postgres };

// "Sqlite" / "Postgres", for the names of the parameterised cases.
std::string EngineName(const ::testing::TestParamInfo<Engine>& info);

// The fixture of the cases that are about the site database whatever its engine: each case gets
// a new, empty site, a file in a folder of its own or a new database on the test program's
// PostgreSQL cluster (the case is skipped when this machine has no PostgreSQL server).
class SiteTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;

    bool OnServer() const { return GetParam() == Engine::Postgres; }
    // Runs `sql` on the site as another program would (the sqlite3 client, or a connection of
    // its own to the server) and returns the rows as the sqlite3 client prints them.
    std::string Sql(const std::string& sql);
    // The same, with the statement each engine understands.
    std::string Sql(const std::string& sqlite, const std::string& postgres);
    // Makes the engine refuse `event` (INSERT, UPDATE or DELETE) of a row of `table` when
    // `condition` holds (NEW.x / OLD.x as in a trigger); AllowAgain takes it away.
    void RefuseWhen(const std::string& name, const std::string& table, const std::string& event,
                    const std::string& condition);
    void AllowAgain(const std::string& name, const std::string& table);
    // Makes the next ID that `table` hands out `last` + 1.
    void SetLastID(const std::string& table, long long last);

    TempFolder mFolder;
    std::string mPath; // the file's path or the database's URI
};

} // namespace zel::data::test
