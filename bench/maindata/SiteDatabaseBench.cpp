// Site database timings on the SQLite file: loading the three lists of a large site, adding users,
// a save with one change among many users, and appending collected events beside the site's
// writer. Every write is in the file itself when it returns (a rollback journal, whose commit waits
// for the disk); BM_EngineCommit shows what that costs against a write-ahead log, whose commit
// leaves the change in the log beside the file. Every case runs on a thread of its own, because
// the library keeps its connection and lists per thread.
#include "SiteBench.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <future>

using zel::data::DataSource;
using namespace zel::bench;
namespace fs = std::filesystem;

namespace {

Goals& SiteGoals()
{
    static Goals goals({
        {"BM_LoadThreeLists", {"build the three lists from 10,000 users", 0.500}},
        {"BM_Add100Users", {"add one user (its row in the file when Add returns)", 0.050}},
        {"BM_SaveOneDirtyAmong10000", {"one Save of one changed user among 10,000 (in the file)", 0.050}},
        {"BM_AppendEventsBesideTheWriter", {"append 50 collected events while a program holds the site", 0.100}},
    });
    return goals;
}

const std::string& SiteFile()
{
    static const std::string path = MakeSiteFile(SiteBenchFolder("zelmaindata-bench"));
    return path;
}

// A fresh copy of the site for a case that writes.
std::string CopyOfSite(int run)
{
    fs::path copy = fs::path(SiteFile()).parent_path() / ("copy-" + std::to_string(run) + ".mdb");
    fs::remove(copy);
    fs::copy_file(SiteFile(), copy);
    return copy.string();
}

void BM_LoadThreeLists(benchmark::State& state)
{
    const auto& file = SiteFile();
    for (auto _ : state) {
        double seconds = 0;
        OnFreshThread([&] {
            auto start = std::chrono::steady_clock::now();
            DataSource ds;
            ds.OpenDatabase(file);
            auto users = ds.GetUserDescriptionList();
            auto clocks = ds.GetReaderDescriptionList();
            auto channels = ds.GetChannelDescriptionList();
            seconds = SecondsSince(start);
            if (users->Count() != SiteUsers || clocks->Count() != SiteClocks || channels->Count() != SiteChannels)
                throw std::runtime_error("the site did not load whole");
        });
        state.SetIterationTime(seconds);
        SiteGoals().Record("BM_LoadThreeLists", seconds);
    }
}
BENCHMARK(BM_LoadThreeLists)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Add100Users(benchmark::State& state)
{
    int run = 0;
    for (auto _ : state) {
        auto file = CopyOfSite(run++);
        double seconds = 0;
        OnFreshThread([&] {
            DataSource ds;
            ds.OpenDatabase(file);
            auto users = ds.GetUserDescriptionList();
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < 100; ++i)
                users->Add(std::to_string(100000 + i), "New user");
            seconds = SecondsSince(start);
        });
        state.SetIterationTime(seconds);
        SiteGoals().Record("BM_Add100Users", seconds / 100);
        fs::remove(file);
    }
}
BENCHMARK(BM_Add100Users)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveOneDirtyAmong10000(benchmark::State& state)
{
    auto file = CopyOfSite(-1);
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        auto users = ds.GetUserDescriptionList();
        int n = 0;
        for (auto _ : state) {
            users->Item(5000)->SetName("Renamed " + std::to_string(n++));
            auto start = std::chrono::steady_clock::now();
            users->Save();
            const double seconds = SecondsSince(start);
            state.SetIterationTime(seconds);
            SiteGoals().Record("BM_SaveOneDirtyAmong10000", seconds);
        }
    });
    fs::remove(file);
}
BENCHMARK(BM_SaveOneDirtyAmong10000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The nightly collection's batch while the program, the site's writer, has it open.
void BM_AppendEventsBesideTheWriter(benchmark::State& state)
{
    auto file = CopyOfSite(-2);
    std::promise<void> opened;
    std::promise<void> done;
    std::thread program([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        ds.GetUserDescriptionList();
        opened.set_value();
        done.get_future().wait();
    });
    opened.get_future().wait();
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file, zel::data::OpenMode::Append);
        zel::data::EventStore events(ds.GetConnection());
        int batch = 0;
        for (auto _ : state) {
            std::vector<zel::data::StoredEvent> punches(50);
            for (std::size_t i = 0; i < punches.size(); ++i) {
                auto& e = punches[i];
                e.ClockID = 1;
                e.ClockName = "Clock 1";
                e.TimeStamp = "2026-01-01 08:00:00";
                e.FormatType = 7;
                e.Data1[0] = static_cast<std::uint8_t>(i);
                e.Data2[0] = static_cast<std::uint8_t>(batch);
                e.Data2[1] = static_cast<std::uint8_t>(batch >> 8);
                e.UserID = std::to_string(1 + i);
                e.UserName = "User " + e.UserID;
                e.CollectedAt = "2026-01-02 02:00:00";
            }
            ++batch;
            auto start = std::chrono::steady_clock::now();
            if (events.Add(punches) != 50)
                throw std::runtime_error("the events were not stored");
            const double seconds = SecondsSince(start);
            state.SetIterationTime(seconds);
            SiteGoals().Record("BM_AppendEventsBesideTheWriter", seconds);
        }
    });
    done.set_value();
    program.join();
    fs::remove(file);
}
BENCHMARK(BM_AppendEventsBesideTheWriter)->UseManualTime()->Unit(benchmark::kMillisecond);

// One commit of one changed row by the engine alone: Arg 0 through a write-ahead log (synchronous
// NORMAL: the change stays in the log beside the file until a checkpoint), Arg 1 through the
// rollback journal the site database uses (synchronous FULL: the change is in the file).
void BM_EngineCommit(benchmark::State& state)
{
    auto file = CopyOfSite(-3);
    const bool inTheFile = state.range(0) == 1;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db,
                 inTheFile ? "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL"
                           : "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL",
                 nullptr, nullptr, nullptr);
    int n = 0;
    for (auto _ : state) {
        const std::string sql =
            "BEGIN IMMEDIATE; UPDATE Users SET Name = 'Renamed " + std::to_string(n++) + "' WHERE ID = 5000; COMMIT;";
        auto start = std::chrono::steady_clock::now();
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        const double seconds = SecondsSince(start);
        state.SetIterationTime(seconds);
        SiteGoals().Record(inTheFile ? "commit in the file" : "commit in the log", seconds);
    }
    sqlite3_close_v2(db);
    fs::remove(file);
    fs::remove(file + "-wal");
    fs::remove(file + "-shm");
}
BENCHMARK(BM_EngineCommit)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (!RunBenchmarks(argc, argv))
        return 1;

    SiteGoals().Print("Site database on an SQLite file");
    const double log = SiteGoals().Mean("commit in the log");
    const double file = SiteGoals().Mean("commit in the file");
    if (log > 0 && file > 0)
        std::printf("  a commit in the file itself (rollback journal) %s, in a write-ahead log %s: %.0f times as "
                    "long;\n  the difference is the waits for the disk that make the change the file's\n",
                    Readable(file).c_str(), Readable(log).c_str(), file / log);
    return 0;
}
