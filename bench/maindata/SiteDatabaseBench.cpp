// Site database timings: loading the three lists of a large site, adding users, and a save with
// one change among many users. Every case runs on a thread of its own, because the library keeps
// its connection and lists per thread.
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

using zel::data::DataSource;
namespace fs = std::filesystem;

namespace {

constexpr int UserCount = 10000;
constexpr int ClockCount = 200;
constexpr int ChannelCount = 50;

// The benchmark's own folder, removed at exit.
struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("zelmaindata-bench-" + std::to_string(::getpid()));
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

// A site of 10,000 users, 200 clocks and 50 channels, written once by the sqlite3 client.
const std::string& SiteFile()
{
    static const std::string path = [] {
        const fs::path& folder = Folder();
        std::string file = (folder / "site.mdb").string();
        DataSource::CreateDatabase(file);
        std::string script = (folder / "fill.sql").string();
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

// A fresh copy of the site for a case that writes.
std::string CopyOfSite(int run)
{
    fs::path copy = fs::path(SiteFile()).parent_path() / ("copy-" + std::to_string(run) + ".mdb");
    fs::remove(copy);
    fs::copy_file(SiteFile(), copy);
    return copy.string();
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
            if (users->Count() != UserCount || clocks->Count() != ClockCount || channels->Count() != ChannelCount)
                throw std::runtime_error("the site did not load whole");
        });
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_LoadThreeLists)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Add1000Users(benchmark::State& state)
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
            for (int i = 0; i < 1000; ++i)
                users->Add(std::to_string(100000 + i), "New user");
            seconds = SecondsSince(start);
        });
        state.SetIterationTime(seconds);
        fs::remove(file);
    }
}
BENCHMARK(BM_Add1000Users)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

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
            state.SetIterationTime(SecondsSince(start));
        }
    });
    fs::remove(file);
}
BENCHMARK(BM_SaveOneDirtyAmong10000)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
