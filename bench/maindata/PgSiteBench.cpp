// Site database timings on a PostgreSQL server reached through its local socket: loading the
// three lists of a site of 10,000 users, one Save of one changed user among them, and copying the
// whole site from a file to the server. Runs on a throwaway cluster of its own (see PgCluster);
// without PostgreSQL server binaries it says so and measures nothing. Every case runs on a thread
// of its own, because the library keeps its connection and lists per thread.
#include "PgCluster.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/CopySite.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

using zel::data::DataSource;
using zel::test::PgCluster;
namespace fs = std::filesystem;

namespace {

constexpr int UserCount = 10000;
constexpr int ClockCount = 200;
constexpr int ChannelCount = 50;

struct Goal {
    const char* What;
    double Seconds;
};

// The goal of each case, and what it measured (sum of the iterations' times, their number).
const std::map<std::string, Goal>& Goals()
{
    static const std::map<std::string, Goal> goals{
        {"BM_PgLoadThreeLists", {"build the three lists from 10,000 users over the local socket", 0.100}},
        {"BM_PgSaveOneDirtyAmong10000", {"one Save of one changed user among 10,000", 0.010}},
        {"BM_CopySiteFileToServer", {"copy a 10,000-user site from a file to the server", 5.0}},
    };
    return goals;
}

std::map<std::string, std::pair<double, int>>& Measured()
{
    static std::map<std::string, std::pair<double, int>> measured;
    return measured;
}

void Record(const std::string& name, double seconds)
{
    auto& entry = Measured()[name];
    entry.first += seconds;
    ++entry.second;
}

struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("zelpg-bench-" + std::to_string(::getpid()));
    BenchFolder() { fs::create_directories(path); }
    ~BenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const fs::path& Folder()
{
    static BenchFolder folder;
    return folder.path;
}

// A site file of 10,000 users, 200 clocks and 50 channels, written once by the sqlite3 client.
const std::string& SiteFile()
{
    static const std::string path = [] {
        std::string file = (Folder() / "site.mdb").string();
        DataSource::CreateDatabase(file);
        std::string script = (Folder() / "fill.sql").string();
        std::ofstream(script) << "BEGIN;\n"
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                              << ChannelCount
                              << ")\n"
                                 "INSERT INTO Channels (Name, Type, Port, BitRate, Location) "
                                 "SELECT 'Channel ' || i, 'Ethernet', 3001, NULL, '10.0.0.' || i FROM n;\n"
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                              << ClockCount
                              << ")\n"
                                 "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) "
                                 "SELECT i % 256, 'Clock ' || i, 1 + i % "
                              << ChannelCount
                              << ", 'Hall ' || i FROM n;\n"
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                              << UserCount
                              << ")\n"
                                 "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled, Template) "
                                 "SELECT i, 'User ' || i, 0, 1, 'ABCDEFGHI' FROM n;\n"
                                 "COMMIT;\n";
        std::string command = "sqlite3 -bail '" + file + "' < '" + script + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("cannot fill the benchmark database");
        return file;
    }();
    return path;
}

template <typename Body> void OnFreshThread(Body body)
{
    std::thread worker(body);
    worker.join();
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A new database on the server holding the site file's rows; returns the time of the copy.
std::string NewServerSite(double* copySeconds = nullptr)
{
    std::string uri = PgCluster::Shared()->NewDatabase();
    DataSource::CreateDatabase(uri);
    OnFreshThread([&] {
        DataSource file;
        file.OpenDatabase(SiteFile(), zel::data::OpenMode::ReadOnly);
        auto from = file.GetConnection();
        OnFreshThread([&] {
            DataSource server;
            server.OpenDatabase(uri);
            auto start = std::chrono::steady_clock::now();
            zel::data::CopySite(*from, *server.GetConnection());
            if (copySeconds != nullptr)
                *copySeconds = SecondsSince(start);
        });
    });
    return uri;
}

const std::string& ServerSite()
{
    static const std::string uri = NewServerSite();
    return uri;
}

bool SkipWithoutServer(benchmark::State& state)
{
    if (PgCluster::Shared() != nullptr)
        return false;
    state.SkipWithError(("no PostgreSQL server: " + PgCluster::Unavailable()).c_str());
    return true;
}

void BM_PgLoadThreeLists(benchmark::State& state)
{
    if (SkipWithoutServer(state))
        return;
    const auto& uri = ServerSite();
    for (auto _ : state) {
        double seconds = 0;
        OnFreshThread([&] {
            auto start = std::chrono::steady_clock::now();
            DataSource ds;
            ds.OpenDatabase(uri);
            auto users = ds.GetUserDescriptionList();
            auto clocks = ds.GetReaderDescriptionList();
            auto channels = ds.GetChannelDescriptionList();
            seconds = SecondsSince(start);
            if (users->Count() != UserCount || clocks->Count() != ClockCount || channels->Count() != ChannelCount)
                throw std::runtime_error("the site did not load whole");
        });
        state.SetIterationTime(seconds);
        Record("BM_PgLoadThreeLists", seconds);
    }
}
BENCHMARK(BM_PgLoadThreeLists)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PgSaveOneDirtyAmong10000(benchmark::State& state)
{
    if (SkipWithoutServer(state))
        return;
    const auto& uri = ServerSite();
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(uri);
        auto users = ds.GetUserDescriptionList();
        int n = 0;
        for (auto _ : state) {
            users->Item(5000)->SetName("Renamed " + std::to_string(n++));
            auto start = std::chrono::steady_clock::now();
            users->Save();
            const double seconds = SecondsSince(start);
            state.SetIterationTime(seconds);
            Record("BM_PgSaveOneDirtyAmong10000", seconds);
        }
    });
}
BENCHMARK(BM_PgSaveOneDirtyAmong10000)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CopySiteFileToServer(benchmark::State& state)
{
    if (SkipWithoutServer(state))
        return;
    SiteFile();
    for (auto _ : state) {
        double seconds = 0;
        NewServerSite(&seconds);
        state.SetIterationTime(seconds);
        Record("BM_CopySiteFileToServer", seconds);
    }
}
BENCHMARK(BM_CopySiteFileToServer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

std::string Readable(double seconds)
{
    char text[64];
    if (seconds >= 1)
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    else if (seconds >= 0.001)
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000);
    else
        std::snprintf(text, sizeof text, "%.0f us", seconds * 1e6);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nSite database on PostgreSQL (local socket), mean of each case against its goal:\n");
    for (const auto& [name, goal] : Goals()) {
        auto found = Measured().find(name);
        if (found == Measured().end() || found->second.second == 0) {
            std::printf("  %-62s not measured\n", goal.What);
            continue;
        }
        const double mean = found->second.first / found->second.second;
        std::printf("  %-62s %10s  goal < %-8s ratio %.2f %s\n", goal.What, Readable(mean).c_str(),
                    Readable(goal.Seconds).c_str(), mean / goal.Seconds, mean <= goal.Seconds ? "ok" : "OVER");
    }
    if (PgCluster::Shared() == nullptr)
        std::printf("  (no PostgreSQL server: %s)\n", PgCluster::Unavailable().c_str());
    return 0;
}
