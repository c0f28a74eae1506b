#include "PgCluster.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace zel::test {

namespace fs = std::filesystem;

namespace {

std::string& Reason()
{
    static std::string reason;
    return reason;
}

// The newest server version's binaries (Debian keeps them per version).
std::string FindBinaries()
{
    if (const char* own = std::getenv("ZEL_PG_BIN"))
        return fs::exists(fs::path(own) / "initdb") ? std::string(own) : std::string();
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const auto bin = entry.path() / "bin";
        if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl"))
            found.emplace_back(std::atoi(entry.path().filename().c_str()), bin.string());
    }
    if (found.empty())
        return {};
    std::sort(found.begin(), found.end());
    return found.back().second;
}

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// The last lines of a log, for the reason of a cluster that did not start (its folder goes).
std::string Tail(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > 600)
        text = "..." + text.substr(text.size() - 600);
    return text;
}

// The server refuses to run as root: then it runs as the system user postgres.
std::string AsServerUser()
{
    return ::geteuid() == 0 ? "runuser -u postgres -- " : "";
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (auto* cluster = Instance())
            cluster->Stop();
    }
    static PgCluster* Instance();
};

std::unique_ptr<PgCluster>& Holder()
{
    static std::unique_ptr<PgCluster> holder;
    return holder;
}

PgCluster* Environment::Instance()
{
    return Holder().get();
}

std::string Format(PGresult* result)
{
    std::string out;
    const int rows = PQntuples(result);
    const int columns = PQnfields(result);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                out += '|';
            if (PQgetisnull(result, row, column))
                continue;
            std::string value(PQgetvalue(result, row, column),
                              static_cast<std::size_t>(PQgetlength(result, row, column)));
            if (PQftype(result, column) == 16)
                value = value == "t" ? "1" : "0";
            out += value;
        }
        out += '\n';
    }
    return out;
}

// Runs the statements; returns (output, error message).
std::pair<std::string, std::string> Execute(const std::string& uri, const std::string& sql)
{
    PGconn* conn = PQconnectdb(uri.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string why = PQerrorMessage(conn);
        PQfinish(conn);
        return {"", "cannot connect: " + why};
    }
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    std::string out;
    std::string error;
    if (PQsendQuery(conn, sql.c_str()) == 0)
        error = PQerrorMessage(conn);
    while (PGresult* result = PQgetResult(conn)) {
        const auto status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK)
            out += Format(result);
        else if (status != PGRES_COMMAND_OK && error.empty())
            error = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(conn);
    return {out, error};
}

} // namespace

PgCluster* PgCluster::Shared()
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::unique_ptr<PgCluster> cluster(new PgCluster());
        std::string why;
        if (cluster->Start(why)) {
            Holder() = std::move(cluster);
            ::testing::AddGlobalTestEnvironment(new Environment());
            std::atexit([] { Holder().reset(); });
        } else {
            Reason() = why;
        }
    });
    return Holder().get();
}

const std::string& PgCluster::Unavailable()
{
    return Reason();
}

bool PgCluster::Start(std::string& why)
{
    mBin = FindBinaries();
    if (mBin.empty()) {
        why = "no PostgreSQL server binaries (initdb, pg_ctl) under /usr/lib/postgresql or in ZEL_PG_BIN; install "
              "the package postgresql to run these cases";
        return false;
    }
    std::string pattern = (fs::temp_directory_path() / "zelpg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        why = "cannot make a folder for the cluster";
        return false;
    }
    mFolder = pattern;
    if (::geteuid() == 0 && !Run("chown postgres: '" + mFolder + "'")) {
        why = "cannot give the cluster's folder to the user postgres";
        return false;
    }
    // Sockets only in the cluster's own folder: the port number only names the socket file.
    mPort = 20000 + static_cast<int>(::getpid() % 20000);
    const std::string data = mFolder + "/data";
    const std::string log = mFolder + "/server.log";
    if (!Run(AsServerUser() + mBin + "/initdb -D '" + data + "' -A trust -U postgres -E UTF8 --locale=C --no-sync > '" +
             mFolder + "/initdb.log' 2>&1")) {
        why = "initdb failed: " + Tail(mFolder + "/initdb.log");
        return false;
    }
    if (!Run(AsServerUser() + mBin + "/pg_ctl -D '" + data + "' -l '" + log + "' -w -t 60 -o \"-k '" + mFolder +
             "' -p " + std::to_string(mPort) +
             " -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off "
             "-c max_connections=50\" start > /dev/null 2>&1")) {
        why = "the PostgreSQL server did not start: " + Tail(log);
        return false;
    }
    mRunning = true;
    return true;
}

PgCluster::~PgCluster()
{
    Stop();
}

void PgCluster::Stop() noexcept
{
    if (mRunning) {
        Run(AsServerUser() + mBin + "/pg_ctl -D '" + mFolder + "/data' -m immediate -w stop > /dev/null 2>&1");
        mRunning = false;
    }
    if (!mFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(mFolder, ignored);
        mFolder.clear();
    }
}

std::string PgCluster::Uri(const std::string& name) const
{
    return "postgresql://postgres@/" + name + "?host=" + mFolder + "&port=" + std::to_string(mPort);
}

std::string PgCluster::NewDatabase()
{
    static std::mutex lock;
    std::string name;
    {
        std::lock_guard<std::mutex> guard(lock);
        name = "zeltest" + std::to_string(++mDatabases);
    }
    auto [out, error] = Execute(Uri("postgres"), "CREATE DATABASE " + name);
    if (!error.empty())
        ADD_FAILURE() << "cannot make a test database: " << error;
    return Uri(name);
}

std::string PgCluster::Query(const std::string& uri, const std::string& sql)
{
    auto [out, error] = Execute(uri, sql);
    EXPECT_EQ(error, "") << "the server refused: " << sql;
    return out;
}

std::string PgCluster::ErrorOf(const std::string& uri, const std::string& sql)
{
    return Execute(uri, sql).second;
}

} // namespace zel::test
