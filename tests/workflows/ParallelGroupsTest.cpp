// Channel groups side by side: what the jobs hand back reaches the calling thread, in order.
#include "zel/workflows/ParallelGroups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zel::workflows {
namespace {

TEST(ParallelGroupsTest, PostedCallsRunOnTheCallingThreadInOrderPerGroup)
{
    const auto caller = std::this_thread::get_id();
    constexpr std::size_t Groups = 6;
    constexpr int Steps = 200;
    std::vector<std::vector<int>> seen(Groups); // touched on the calling thread only
    bool elsewhere = false;
    std::atomic<bool> jobOnCaller{false};
    ParallelGroups parallel(3);
    parallel.Run(Groups, [&](std::size_t group, ParallelGroups::Lane& lane) {
        if (std::this_thread::get_id() == caller)
            jobOnCaller = true;
        for (int step = 0; step < Steps; ++step)
            lane.Post([&, group, step] {
                elsewhere = elsewhere || std::this_thread::get_id() != caller;
                seen[group].push_back(step);
            });
    });
    EXPECT_FALSE(jobOnCaller);
    EXPECT_FALSE(elsewhere);
    for (const auto& group : seen) {
        ASSERT_EQ(group.size(), std::size_t(Steps)); // every call delivered before Run returns
        for (int step = 0; step < Steps; ++step)
            EXPECT_EQ(group[static_cast<std::size_t>(step)], step);
    }
}

// The groups really overlap (each waits until all have started), and never more than the cap.
TEST(ParallelGroupsTest, GroupsRunAtTheSameTimeUpToTheCap)
{
    std::mutex lock;
    std::condition_variable changed;
    int running = 0, most = 0, started = 0;
    constexpr int Cap = 3;
    ParallelGroups parallel(Cap);
    parallel.Run(7, [&](std::size_t, ParallelGroups::Lane&) {
        std::unique_lock guard(lock);
        ++running;
        ++started;
        most = std::max(most, running);
        changed.notify_all();
        // The first Cap groups meet here: they can only all arrive when they run side by side.
        changed.wait(guard, [&] { return started >= Cap; });
        --running;
    });
    EXPECT_EQ(most, Cap);
    EXPECT_EQ(started, 7);
}

TEST(ParallelGroupsTest, CallWaitsForTheCallingThreadAndSeesTheIdleTurn)
{
    int idleTurns = 0; // calling thread only
    std::atomic<int> seenByJob{-1};
    ParallelGroups parallel;
    parallel.Run(
        1,
        [&](std::size_t, ParallelGroups::Lane& lane) {
            int value = 0;
            lane.Call([&] { value = idleTurns; });
            seenByJob = value;
        },
        [&] { ++idleTurns; });
    EXPECT_GE(seenByJob.load(), 1); // the idle function ran before the call (a Cancel click gets in)
}

// Many jobs waiting in Calls at once: each is woken by its own call's end, never by another's.
TEST(ParallelGroupsTest, ManyJobsCallingAtOnceEachGetTheirOwnAnswer)
{
    constexpr std::size_t Groups = 64;
    constexpr int Calls = 20;
    const auto home = std::this_thread::get_id();
    std::atomic<int> wrong{0};
    ParallelGroups parallel;
    parallel.Run(Groups, [&](std::size_t group, ParallelGroups::Lane& lane) {
        for (int i = 0; i < Calls; ++i) {
            std::size_t answer = 0;
            lane.Post([] {}); // posts between the calls, as a job's progress reports are
            lane.Call([&] { answer = std::this_thread::get_id() == home ? group * 1000 + i : 0; });
            if (answer != group * 1000 + static_cast<std::size_t>(i))
                ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ParallelGroupsTest, AFailingJobEndsOnlyItselfAndItsErrorReachesTheCaller)
{
    std::vector<int> finished; // calling thread only
    ParallelGroups parallel(4);
    try {
        parallel.Run(4, [&](std::size_t group, ParallelGroups::Lane& lane) {
            if (group == 1 || group == 3)
                throw std::runtime_error("group " + std::to_string(group) + " failed");
            lane.Post([&, group] { finished.push_back(static_cast<int>(group)); });
        });
        FAIL() << "the error of a job must reach the caller";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "group 1 failed"); // the first in group order
    }
    std::sort(finished.begin(), finished.end());
    EXPECT_EQ(finished, (std::vector<int>{0, 2}));

    // An error of a posted call is kept until the jobs have ended; the job's Call returns.
    std::atomic<bool> jobWentOn{false};
    EXPECT_THROW(parallel.Run(1,
                              [&](std::size_t, ParallelGroups::Lane& lane) {
                                  lane.Call([] { throw std::logic_error("handler failed"); });
                                  jobWentOn = true;
                              }),
                 std::logic_error);
    EXPECT_TRUE(jobWentOn);
}

TEST(ParallelGroupsTest, NoGroupsAndACapOfZeroAreHarmless)
{
    ParallelGroups none(0);
    EXPECT_EQ(none.MaxChannels(), std::size_t(1));
    int runs = 0;
    none.Run(0, [&](std::size_t, ParallelGroups::Lane&) { ++runs; });
    none.Run(3, [&](std::size_t, ParallelGroups::Lane& lane) { lane.Post([&] { ++runs; }); });
    EXPECT_EQ(runs, 3);
}

} // namespace
} // namespace zel::workflows

// A fleet's channels all at once: 300 groups each wait until every other one has started, which only
// happens when no cap holds some back. (The wait gives up after a minute, so a cap fails the test
// instead of hanging it.)
TEST(ParallelGroupsTest, HundredsOfChannelsWorkAtTheSameTime)
{
    constexpr std::size_t groups = 300;
    std::mutex lock;
    std::condition_variable allThere;
    std::size_t started = 0;
    std::size_t sawAll = 0;
    zel::workflows::ParallelGroups parallel;
    parallel.Run(groups, [&](std::size_t, zel::workflows::ParallelGroups::Lane&) {
        volatile std::uint8_t deep[64 * 1024] = {}; // a worker's stack holds a data bank or two
        deep[sizeof deep - 1] = 1;
        std::unique_lock held(lock);
        ++started;
        allThere.notify_all();
        if (allThere.wait_for(held, std::chrono::minutes(1), [&] { return started == groups; }))
            ++sawAll;
    });
    EXPECT_EQ(sawAll, groups);
}
