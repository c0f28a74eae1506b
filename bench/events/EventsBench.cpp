// Timings of the Events table at the size of a busy site's years: 1,000,000 stored events of
// 1,000 users on 20 clocks. Each figure is printed beside its goal with the ratio (figure / goal;
// under 1 meets the goal). The site lives in a temporary folder removed at exit.
//
//   bench_events [EVENTS]     (default 1000000)
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/EventExport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int UserCount = 1000;
constexpr int ClockCount = 20;
constexpr int PageRows = 200; // what the page reads at a time

struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("zel-events-bench-" + std::to_string(::getpid()));
    BenchFolder() { fs::create_directories(path); }
    ~BenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double ms, double goalMs)
{
    std::printf("%-44s %10.1f ms   goal %7.0f ms   ratio %5.2f %s\n", what, ms, goalMs, ms / goalMs,
                ms <= goalMs ? "" : "(over the goal)");
}

// "2024-01-01 06:00:00" plus `seconds`.
std::string TimeStamp(long seconds)
{
    const long day = seconds / 86400;
    const long rest = seconds % 86400;
    // Days counted from 2024-01-01 within 28-day months: a valid, ordered stamp is all that counts.
    char text[32];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld", 2024 + day / 336, 1 + (day / 28) % 12,
                  1 + day % 28, rest / 3600, (rest / 60) % 60, rest % 60);
    return text;
}

void Fill(long total)
{
    auto users = zel::data::DataSource().GetUserDescriptionList();
    for (int u = 0; u < UserCount; ++u)
        users->Add(std::to_string(1000 + u), "User, number " + std::to_string(u));
    users->Save();

    zel::data::EventStore store;
    std::vector<zel::data::StoredEvent> batch;
    batch.reserve(50000);
    for (long i = 0; i < total; ++i) {
        zel::data::StoredEvent e;
        e.ClockID = static_cast<std::int32_t>(1 + i % ClockCount);
        e.ClockName = "Clock " + std::to_string(e.ClockID);
        e.ReaderID = e.ClockID;
        e.TimeStamp = TimeStamp(i * 7 / ClockCount);
        e.FormatType = 7;
        const long user = 1000 + (i * 7919) % UserCount;
        e.UserID = std::to_string(user);
        for (int b = 0; b < 4; ++b)
            e.Data1[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(i >> (8 * b));
        e.CollectedAt = "2026-01-01 00:00:00";
        batch.push_back(std::move(e));
        if (batch.size() == batch.capacity() || i + 1 == total) {
            store.Add(batch);
            batch.clear();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const long total = argc > 1 ? std::atol(argv[1]) : 1000000L;
    if (total <= 0) {
        std::fprintf(stderr, "usage: bench_events [EVENTS]\n");
        return 2;
    }
    try {
        BenchFolder folder;
        const std::string site = (folder.path / "zel.mdb").string();
        zel::data::DataSource::CreateDatabase(site);
        zel::data::DataSource data;
        data.OpenDatabase(site);

        auto start = Clock::now();
        Fill(total);
        std::printf("%ld events of %d users on %d clocks stored in %.1f s\n\n", total, UserCount, ClockCount,
                    MillisecondsSince(start) / 1000);

        zel::data::EventStore store;
        const zel::data::EventFilter all;
        start = Clock::now();
        auto page = store.PageAfter(all, std::nullopt, PageRows);
        Report("first page (200 rows), newest first", MillisecondsSince(start), 50);

        start = Clock::now();
        for (int i = 0; i < 100 && !page.empty(); ++i)
            page = store.PageAfter(all, zel::data::EventCursor{page.back().TimeStamp, page.back().ID}, PageRows);
        Report("each next page, 100 pages on", MillisecondsSince(start) / 100, 50);

        start = Clock::now();
        const auto count = store.Count(all);
        Report("count of all events", MillisecondsSince(start), 100);

        zel::data::EventFilter oneUser;
        oneUser.UserID = "1042";
        start = Clock::now();
        const auto userPage = store.PageAfter(oneUser, std::nullopt, PageRows);
        const auto userCount = store.Count(oneUser);
        Report("filter by one user (first page and count)", MillisecondsSince(start), 100);

        const std::string file = (folder.path / "events.csv").string();
        start = Clock::now();
        std::int64_t written = 0;
        {
            std::ofstream out(file, std::ios::binary);
            written = zel::workflows::WriteEvents(out, store, all, zel::workflows::SiteClockZones(),
                                                  zel::workflows::EventFileFormat::Csv);
        }
        Report("export of all events to CSV", MillisecondsSince(start), 5000);

        std::printf("\n%lld events counted, %lld exported (%.0f MB); user 1042: %lld events, first page %zu rows\n",
                    static_cast<long long>(count), static_cast<long long>(written),
                    static_cast<double>(fs::file_size(file)) / 1e6, static_cast<long long>(userCount), userPage.size());
        data.CloseDatabase();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_events: %s\n", error.what());
        return 1;
    }
    return 0;
}
