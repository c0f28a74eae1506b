// Timing driver: a roster of 100,000 users planned and imported against a site of 100,000 users.
//
//   bench_roster
//
// The site holds users 1 to 100,000 (every fourth one enrolled). The roster names users 50,001 to
// 150,000: 25,000 of the site's with another name or level, 25,000 as the site has them, and 50,000
// new ones; the site's users 1 to 50,000 are not in it and are removed (--remove-missing). Goals:
// reading and planning the file within 1 s, the import (one transaction) within 3 s.
#include "BenchSupport.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/CsvDocument.h"
#include "zel/workflows/RosterPlan.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSiteUsers = 100000;
constexpr int kFirstInRoster = 50001;
constexpr int kLastInRoster = 150000;

// Wall time and this thread's processor time of a step: on a busy machine the two differ.
class Stopwatch {
public:
    Stopwatch() : mStart(std::chrono::steady_clock::now()), mCpuStart(CpuSeconds()) {}
    double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count(); }
    double Cpu() const { return CpuSeconds() - mCpuStart; }

private:
    static double CpuSeconds()
    {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }

    std::chrono::steady_clock::time_point mStart;
    double mCpuStart;
};

struct Measured {
    double Wall = 0;
    double Cpu = 0;
};

void MakeSite(const std::string& site)
{
    zel::data::DataSource::CreateDatabase(site);
    zel::data::DataSource data;
    data.OpenDatabase(site);
    std::vector<zel::data::UserDescriptionList::BatchUser> users;
    for (int id = 1; id <= kSiteUsers; ++id)
        users.push_back({std::to_string(id), "Person " + std::to_string(id), id % 6});
    auto list = data.GetUserDescriptionList();
    list->ApplyBatch(users, {}, {});
    for (int id = 4; id <= kSiteUsers; id += 4) {
        auto user = list->Item(std::to_string(id));
        user->SetEnrolled(true);
        user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
    }
    list->Save();
    data.CloseDatabase();
}

void MakeRoster(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "\xEF\xBB\xBFuser_id;Name;authority_level;department\r\n";
    for (int id = kFirstInRoster; id <= kLastInRoster; ++id) {
        const bool changed = id <= kFirstInRoster + 24999;
        out << id << ";\"" << (changed ? "Renamed " : "Person ") << id << "\";" << (id % 6) << ";Sales\r\n";
    }
}

void Report(const char* what, const Measured& measured, double goal)
{
    std::printf("  %-32s %7.3f s (processor %6.3f s)   goal %.0f s   measured / goal = %.2f\n", what, measured.Wall,
                measured.Cpu, goal, measured.Wall / goal);
}

} // namespace

int main()
{
    const zel::bench::BenchFolder folder("bench-roster");
    const std::string site = folder.SitePath();
    const std::string roster = site + ".roster.csv";
    Measured plan;
    Measured apply;
    std::string failure;
    // The site database library keeps one site a thread: each step on a thread of its own.
    std::thread([&] { MakeSite(site); }).join();
    MakeRoster(roster);
    std::thread([&] {
        try {
            zel::data::DataSource data;
            data.OpenDatabase(site);
            auto users = data.GetUserDescriptionList();
            Stopwatch planning;
            const auto file = zel::workflows::CsvDocument::Read(roster);
            const auto planned = zel::workflows::PlanRoster(file, *users);
            plan = {planning.Wall(), planning.Cpu()};
            using zel::workflows::RosterAction;
            if (planned.Count(RosterAction::Add) != 50000 || planned.Count(RosterAction::Change) != 25000 ||
                planned.Count(RosterAction::Unchanged) != 25000 || planned.Count(RosterAction::Missing) != 50000)
                throw std::runtime_error(
                    "the plan is not what the roster asks for: " + std::to_string(planned.Count(RosterAction::Add)) +
                    " to add, " + std::to_string(planned.Count(RosterAction::Change)) + " to change, " +
                    std::to_string(planned.Count(RosterAction::Unchanged)) + " unchanged, " +
                    std::to_string(planned.Count(RosterAction::Refused)) + " refused, " +
                    std::to_string(planned.Count(RosterAction::Missing)) + " missing");
            Stopwatch importing;
            zel::workflows::ApplyRoster(planned, *users, true);
            apply = {importing.Wall(), importing.Cpu()};
            if (users->Count() != 100000)
                throw std::runtime_error("the site does not hold the roster's users");
            data.CloseDatabase();
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }).join();
    if (!failure.empty()) {
        std::fprintf(stderr, "bench_roster: %s\n", failure.c_str());
        return 1;
    }
    std::printf("Roster of 100,000 users against a site of 100,000 (50,000 added, 25,000 changed, 50,000 removed):\n");
    Report("reading and planning the file", plan, 1.0);
    Report("importing (one transaction)", apply, 3.0);
    return 0;
}
