#include "SiteTest.h"

#include "PgCluster.h"
#include "zel/data/DataSource.h"

namespace zel::data::test {

std::string EngineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::Postgres ? "Postgres" : "Sqlite";
}

void SiteTest::SetUp()
{
    if (!OnServer()) {
        mPath = NewDatabase(mFolder);
        return;
    }
    auto* cluster = zel::test::PgCluster::Shared();
    if (cluster == nullptr)
        GTEST_SKIP() << "PostgreSQL cases skipped: " << zel::test::PgCluster::Unavailable();
    mPath = cluster->NewDatabase();
    DataSource::CreateDatabase(mPath);
}

std::string SiteTest::Sql(const std::string& sql)
{
    return OnServer() ? zel::test::PgCluster::Query(mPath, sql) : SqliteCli(mPath, sql);
}

std::string SiteTest::Sql(const std::string& sqlite, const std::string& postgres)
{
    return OnServer() ? zel::test::PgCluster::Query(mPath, postgres) : SqliteCli(mPath, sqlite);
}

void SiteTest::RefuseWhen(const std::string& name, const std::string& table, const std::string& event,
                          const std::string& condition)
{
    Sql("CREATE TRIGGER " + name + " BEFORE " + event + " ON " + table + " WHEN " + condition +
            " BEGIN SELECT RAISE(ABORT, 'no'); END;",
        "CREATE FUNCTION " + name +
            "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'no'; END $$;"
            "CREATE TRIGGER " +
            name + " BEFORE " + event + " ON " + table + " FOR EACH ROW WHEN (" + condition + ") EXECUTE FUNCTION " +
            name + "();");
}

void SiteTest::AllowAgain(const std::string& name, const std::string& table)
{
    Sql("DROP TRIGGER " + name + ";", "DROP TRIGGER " + name + " ON " + table + "; DROP FUNCTION " + name + "();");
}

void SiteTest::SetLastID(const std::string& table, long long last)
{
    Sql("UPDATE sqlite_sequence SET seq = " + std::to_string(last) + " WHERE name = '" + table + "';",
        "SELECT setval(pg_get_serial_sequence('" + table + "', 'id'), " + std::to_string(last) + ");");
}

} // namespace zel::data::test
