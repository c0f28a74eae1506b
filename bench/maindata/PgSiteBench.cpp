// Site database timings on a PostgreSQL server reached through its local socket: loading the
// three lists of a site of 10,000 users, one Save of one changed user among them, and copying the
// whole site from a file to the server. Runs on a throwaway cluster of its own (see PgCluster);
// without PostgreSQL server binaries it says so and measures nothing. Every case runs on a thread
// of its own, because the library keeps its connection and lists per thread.
#include "PgCluster.h"
#include "SiteBench.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/CopySite.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <benchmark/benchmark.h>

using zel::data::DataSource;
using zel::test::PgCluster;
using namespace zel::bench;

namespace {

Goals& PgGoals()
{
    static Goals goals({
        {"BM_PgLoadThreeLists", {"build the three lists from 10,000 users over the local socket", 0.100}},
        {"BM_PgSaveOneDirtyAmong10000", {"one Save of one changed user among 10,000", 0.010}},
        {"BM_CopySiteFileToServer", {"copy a 10,000-user site from a file to the server", 5.0}},
    });
    return goals;
}

void Record(const std::string& name, double seconds)
{
    PgGoals().Record(name, seconds);
}

const std::string& SiteFile()
{
    static const std::string path = MakeSiteFile(SiteBenchFolder("zelpg-bench"));
    return path;
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
            if (users->Count() != SiteUsers || clocks->Count() != SiteClocks || channels->Count() != SiteChannels)
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

} // namespace

int main(int argc, char** argv)
{
    if (!RunBenchmarks(argc, argv))
        return 1;

    PgGoals().Print("Site database on PostgreSQL (local socket)");
    if (PgCluster::Shared() == nullptr)
        std::printf("  (no PostgreSQL server: %s)\n", PgCluster::Unavailable().c_str());
    return 0;
}
