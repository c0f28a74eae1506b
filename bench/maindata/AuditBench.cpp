// The audit trail on the SQLite file: appending 100,000 rows (in batches of 1,000, as a command on
// a large fleet appends its clocks' rows), verifying the whole chain, and what the log adds to one
// user Save, whose write and audit row share one transaction. Every case runs on a thread of its
// own, because the library keeps its connection and lists per thread.
#include "SiteBench.h"

#include "zel/data/AuditLog.h"
#include "zel/data/IStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <benchmark/benchmark.h>

#include <ctime>

using zel::data::AuditEntry;
using zel::data::AuditLog;
using zel::data::DataSource;
using namespace zel::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 100000;
constexpr int kBatch = 1000;

Goals& AuditGoals()
{
    static Goals goals({
        {"append", {"append 100,000 audit rows in batches of 1,000", 10.0}},
        // 200,000 rows a second.
        {"verify", {"verify a chain of 100,000 rows", 0.500}},
    });
    return goals;
}

const std::string& SiteFile()
{
    static const std::string path = MakeSiteFile(SiteBenchFolder("zelaudit-bench"));
    return path;
}

std::string CopyOfSite(const std::string& name)
{
    fs::path copy = fs::path(SiteFile()).parent_path() / (name + ".mdb");
    fs::remove(copy);
    fs::copy_file(SiteFile(), copy);
    return copy.string();
}

// The processor time the calling thread has used: on a shared machine under load, the wall time of
// a case counts the other programs' turns too.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The site with 100,000 audit rows, made by the append case (or here, when it did not run).
std::string& LongLog()
{
    static std::string path;
    return path;
}

void Append(const std::string& file)
{
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        AuditLog log(ds.GetConnection());
        std::vector<AuditEntry> batch(kBatch);
        for (int done = 0; done < kRows; done += kBatch) {
            for (int i = 0; i < kBatch; ++i) {
                auto& e = batch[static_cast<std::size_t>(i)];
                e = AuditEntry{};
                e.Action = "send";
                e.ClockID = 1 + (done + i) % SiteClocks;
                e.ClockName = "Clock " + std::to_string(e.ClockID);
                e.UserIDs = {std::to_string(1 + i), std::to_string(2 + i)};
                e.Outcome = "done";
                e.Detail = "2 users sent";
            }
            log.Append(batch);
        }
    });
}

void BM_AppendAudit(benchmark::State& state)
{
    int run = 0;
    for (auto _ : state) {
        const std::string file = CopyOfSite("append-" + std::to_string(run++));
        const auto start = std::chrono::steady_clock::now();
        Append(file);
        const double seconds = SecondsSince(start);
        state.SetIterationTime(seconds);
        AuditGoals().Record("append", seconds);
        if (LongLog().empty())
            LongLog() = file;
        else
            fs::remove(file);
    }
}
BENCHMARK(BM_AppendAudit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_VerifyAudit(benchmark::State& state)
{
    if (LongLog().empty()) {
        LongLog() = CopyOfSite("verify");
        Append(LongLog());
    }
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(LongLog(), zel::data::OpenMode::ReadOnly);
        AuditLog log(ds.GetConnection());
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = ThreadCpuSeconds();
            const auto verdict = log.Verify();
            const double seconds = SecondsSince(start);
            AuditGoals().Record("verify cpu", ThreadCpuSeconds() - cpuStart);
            if (!verdict.Intact() || verdict.RowsChecked != kRows)
                throw std::runtime_error("the chain is not whole: " + verdict.Text());
            state.SetIterationTime(seconds);
            AuditGoals().Record("verify", seconds);
        }
    });
}
BENCHMARK(BM_VerifyAudit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// One Save of one changed user among 10,000 (Arg 1: with its audit row, as the lists write it),
// against the same row written in a transaction of its own without one (Arg 0): what a Save cost
// before the log.
void BM_SaveOneUser(benchmark::State& state)
{
    const bool logged = state.range(0) == 1;
    const std::string file = CopyOfSite(logged ? "save-logged" : "save-bare");
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        auto users = ds.GetUserDescriptionList();
        auto store = ds.GetConnection();
        const auto user = users->Item(5000);
        int n = 0;
        for (auto _ : state) {
            const std::string name = "Renamed " + std::to_string(n++);
            double seconds = 0;
            if (logged) {
                user->SetName(name);
                const auto start = std::chrono::steady_clock::now();
                users->Save();
                seconds = SecondsSince(start);
            } else {
                const auto start = std::chrono::steady_clock::now();
                store->Transact([&] { store->Update("Users", user->DatabaseID(), {{"Name", name}}); });
                seconds = SecondsSince(start);
            }
            state.SetIterationTime(seconds);
            AuditGoals().Record(logged ? "save logged" : "save bare", seconds);
        }
    });
    fs::remove(file);
}
BENCHMARK(BM_SaveOneUser)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char** argv)
{
    if (!RunBenchmarks(argc, argv))
        return 1;
    AuditGoals().Print("Audit trail on an SQLite file");
    for (const auto& [key, what] : {std::pair{"verify", "wall time"}, std::pair{"verify cpu", "processor time"}}) {
        const double verify = AuditGoals().Mean(key);
        if (verify > 0)
            std::printf("  verify (%s): %.0f rows a second, goal >= 200000: ratio %.2f %s\n", what, kRows / verify,
                        (kRows / verify) / 200000.0, kRows / verify >= 200000.0 ? "ok" : "UNDER");
    }
    const double logged = AuditGoals().Mean("save logged");
    const double bare = AuditGoals().Mean("save bare");
    if (logged > 0 && bare > 0) {
        const double added = (logged - bare) / bare;
        std::printf("  one user Save %s with its audit row, %s without: the log adds %.1f %%, goal <= 10 %%: "
                    "ratio %.2f %s\n",
                    Readable(logged).c_str(), Readable(bare).c_str(), 100 * added, added / 0.10,
                    added <= 0.10 ? "ok" : "OVER");
    }
    if (!LongLog().empty())
        fs::remove(LongLog());
    return 0;
}
