#pragma once
// What the site database benchmarks share: a site file of 10,000 users, 200 clocks and 50
// channels, running a case on a thread of its own (the library keeps its connection and lists per
// thread), and each case's goal beside what it measured, as a ratio.
#include "BenchSupport.h"
#include "zel/data/DataSource.h"

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

namespace zel::bench {

inline constexpr int SiteUsers = 10000;
inline constexpr int SiteClocks = 200;
inline constexpr int SiteChannels = 50;

// The benchmark's own folder ("<name>-<pid>" in the temporary folder), removed at exit.
inline const std::filesystem::path& SiteBenchFolder(const std::string& name)
{
    static BenchFolder folder(name);
    return folder.Path();
}

// A site file of SiteUsers users, SiteClocks clocks and SiteChannels channels in `folder`, written
// once by the sqlite3 client.
inline std::string MakeSiteFile(const std::filesystem::path& folder)
{
    std::string file = (folder / "site.mdb").string();
    zel::data::DataSource::CreateDatabase(file);
    std::string script = (folder / "fill.sql").string();
    std::ofstream(script) << "BEGIN;\n"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                          << SiteChannels
                          << ")\n"
                             "INSERT INTO Channels (Name, Type, Port, BitRate, Location) "
                             "SELECT 'Channel ' || i, 'Ethernet', 3001, NULL, '10.0.0.' || i FROM n;\n"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                          << SiteClocks
                          << ")\n"
                             "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) "
                             "SELECT i % 256, 'Clock ' || i, 1 + i % "
                          << SiteChannels
                          << ", 'Hall ' || i FROM n;\n"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                          << SiteUsers
                          << ")\n"
                             "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled, Template) "
                             "SELECT i, 'User ' || i, 0, 1, 'ABCDEFGHI' FROM n;\n"
                             "COMMIT;\n";
    std::string command = "sqlite3 -bail '" + file + "' < '" + script + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot fill the benchmark database");
    return file;
}

template <typename Body> void OnFreshThread(Body body)
{
    std::thread worker(body);
    worker.join();
}

inline double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::string Readable(double seconds)
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

// Runs the benchmarks the command line chose; false when it named an unknown option.
inline bool RunBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return true;
}

// Each case's goal, and what it measured (the mean of what was recorded for it).
class Goals {
public:
    struct Goal {
        const char* What;
        double Seconds;
    };

    explicit Goals(std::map<std::string, Goal> goals) : mGoals(std::move(goals)) {}

    void Record(const std::string& name, double seconds)
    {
        auto& entry = mMeasured[name];
        entry.first += seconds;
        ++entry.second;
    }

    // The mean recorded for `name`; negative when nothing was.
    double Mean(const std::string& name) const
    {
        auto found = mMeasured.find(name);
        return found == mMeasured.end() || found->second.second == 0 ? -1 : found->second.first / found->second.second;
    }

    // One line per case: what, the mean, the goal, their ratio, "ok" or "OVER".
    void Print(const char* title) const
    {
        std::printf("\n%s, mean of each case against its goal:\n", title);
        for (const auto& [name, goal] : mGoals) {
            const double mean = Mean(name);
            if (mean < 0) {
                std::printf("  %-66s not measured\n", goal.What);
                continue;
            }
            std::printf("  %-66s %10s  goal < %-8s ratio %.2f %s\n", goal.What, Readable(mean).c_str(),
                        Readable(goal.Seconds).c_str(), mean / goal.Seconds, mean <= goal.Seconds ? "ok" : "OVER");
        }
    }

private:
    std::map<std::string, Goal> mGoals;
    std::map<std::string, std::pair<double, int>> mMeasured;
};

} // namespace zel::bench
