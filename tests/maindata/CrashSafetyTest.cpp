// Crash safety: a process that adds and saves users in a loop is killed with SIGKILL at 20 random
// moments; each time the file opens (undoing a transaction cut off by the kill), passes PRAGMA
// integrity_check and holds every user whose Save had returned (the process reports each one on a
// pipe once Save has returned).
#include "MainDataTestSupport.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <thread>

using namespace zel::data;
using namespace zel::data::test;

namespace {

std::string IntegrityCheck(const std::string& path)
{
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK)
            while (sqlite3_step(statement) == SQLITE_ROW)
                result += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)) + std::string("\n");
        sqlite3_finalize(statement);
    } else {
        result = "cannot open";
    }
    sqlite3_close_v2(db);
    return result;
}

} // namespace

TEST(CrashSafety, AWriterKilledAtRandomMomentsLosesNoSavedUser)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    const auto seed = std::random_device()();
    std::mt19937 random(seed);
    // Each save waits for the disk (its commit is in the file when it returns): long enough for
    // several saves per round also where the disk is slow.
    std::uniform_int_distribution<int> delay(0, 600);
    SCOPED_TRACE("seed " + std::to_string(seed));

    std::map<long, bool> saved; // every user whose Save returned, over all rounds
    long savedThisRun = 0;
    for (int round = 1; round <= 20; ++round) {
        const long first = round * 100000L;
        const int killAfterMs = delay(random);
        {
            ChildProcess writer({"writer", path, std::to_string(first)});
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            writer.Kill();
            std::istringstream lines(writer.ReadRest());
            std::string word;
            long number = 0;
            while (lines >> word >> number) {
                ASSERT_EQ(word, "saved");
                saved[number] = true;
                ++savedThisRun;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(killAfterMs) + " ms");
        ASSERT_EQ(IntegrityCheck(path), "ok\n");
        WithOpenDatabase(path, [&](DataSource& ds) {
            auto users = ds.GetUserDescriptionList();
            for (const auto& [number, ignored] : saved) {
                const std::string id = std::to_string(number);
                ASSERT_TRUE(users->Contains(id)) << "user " << id << " was saved and is gone";
                auto user = users->Item(id);
                EXPECT_EQ(user->Name(), "User " + id);
                EXPECT_EQ(user->AuthorityLevel(), number % 6);
                EXPECT_TRUE(user->Enrolled());
                EXPECT_EQ(user->Template().size(), 9u);
            }
        });
    }
    // The rounds did write: the test would prove nothing otherwise.
    EXPECT_GT(savedThisRun, 20);
}
