#include "zel/workflows/ParallelGroups.h"

#include "WorkerThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

namespace zel::workflows {
namespace {

// How long the calling thread waits for news before it runs its idle function again.
constexpr auto IdleEvery = std::chrono::milliseconds(15);
// The longest run of deliveries before the idle function runs again.
constexpr auto DeliverAtMost = std::chrono::milliseconds(10);
// How long posted calls gather before the calling thread is woken for them: with hundreds of
// channels at work a wake-up per call would keep both the calling thread and the scheduler busy.
// A waiting Call wakes it at once.
constexpr auto GatherFor = std::chrono::milliseconds(5);

// The lane of the job the current worker thread runs (none on other threads).
thread_local ParallelGroups::Lane* tHome = nullptr;

} // namespace

void ParallelGroups::Lane::Post(std::function<void()> call)
{
    mOwner.Push({std::move(call), nullptr});
}

void ParallelGroups::Lane::Call(std::function<void()> call)
{
    Waiter waiter;
    mOwner.Push({std::move(call), &waiter});
    std::unique_lock lock(mOwner.mLock);
    waiter.Ran.wait(lock, [&] { return waiter.Done; });
}

ParallelGroups::ParallelGroups(std::size_t maxChannels) : mMaxChannels(std::max<std::size_t>(1, maxChannels)) {}

void ParallelGroups::Push(Item item)
{
    bool wake = false;
    {
        std::lock_guard lock(mLock);
        // Only the call that finds the calling thread asleep on an empty queue, or one a job
        // waits for, needs to wake it; it takes everything queued when it wakes.
        wake = mQueue.empty() || item.Done != nullptr;
        mQueue.push_back(std::move(item));
    }
    if (wake)
        mChanged.notify_one();
}

void ParallelGroups::Deliver(std::deque<Item>& items, const std::function<void()>& idle)
{
    auto since = std::chrono::steady_clock::now();
    for (Item& item : items) {
        if (idle && (item.Done || std::chrono::steady_clock::now() - since > DeliverAtMost)) {
            idle(); // a job waits here, or the burst is long: let the caller's messages (a Cancel click) in
            since = std::chrono::steady_clock::now();
        }
        try {
            item.Call();
        } catch (...) {
            if (!mCallError)
                mCallError = std::current_exception();
        }
        if (item.Done) {
            // Notified under the lock: once Done is seen the waiter (and its condition) may be gone.
            std::lock_guard lock(mLock);
            item.Done->Done = true;
            item.Done->Ran.notify_one();
        }
    }
    items.clear();
}

void ParallelGroups::Run(std::size_t groups, const Job& job, const std::function<void()>& idle)
{
    mCallError = nullptr;
    if (groups == 0)
        return;
    std::vector<std::exception_ptr> jobErrors(groups);
    std::atomic<std::size_t> next{0};
    const std::size_t threads = std::min(groups, mMaxChannels);
    {
        std::lock_guard lock(mLock);
        mRunning = threads;
    }
    auto worker = [&] {
        Lane lane(*this);
        tHome = &lane;
        for (std::size_t group = next++; group < groups; group = next++) {
            try {
                job(group, lane);
            } catch (...) {
                jobErrors[group] = std::current_exception();
            }
        }
        tHome = nullptr;
        {
            std::lock_guard lock(mLock);
            --mRunning;
        }
        mChanged.notify_one();
    };
    std::vector<WorkerThread> pool;
    pool.reserve(threads);
    try {
        // Starting hundreds of threads takes a while: the caller's messages are let in meanwhile.
        auto idled = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < threads; ++i) {
            pool.emplace_back(worker);
            if (idle && std::chrono::steady_clock::now() - idled >= DeliverAtMost) {
                idle();
                idled = std::chrono::steady_clock::now();
            }
        }
    } catch (...) {
        // The workers started share the groups; the ones that could not start are not waited for.
        std::lock_guard lock(mLock);
        mRunning -= threads - pool.size();
        if (pool.empty())
            throw;
    }

    std::deque<Item> batch;
    for (;;) {
        bool finished = false;
        {
            std::unique_lock lock(mLock);
            mChanged.wait_for(lock, IdleEvery, [&] { return !mQueue.empty() || mRunning == 0; });
            if (!mQueue.empty() && mRunning > 0) {
                // Let more calls gather, unless a job waits for one of them.
                auto waits = [&] {
                    return mRunning == 0 ||
                           std::any_of(mQueue.begin(), mQueue.end(), [](const Item& i) { return i.Done != nullptr; });
                };
                mChanged.wait_for(lock, GatherFor, waits);
            }
            batch.swap(mQueue);
            finished = mRunning == 0 && batch.empty();
        }
        if (finished)
            break;
        Deliver(batch, idle);
        if (idle)
            idle();
    }
    for (WorkerThread& thread : pool)
        thread.Join();

    for (const auto& error : jobErrors)
        if (error)
            std::rethrow_exception(error);
    if (mCallError)
        std::rethrow_exception(std::exchange(mCallError, nullptr));
}

void ParallelGroups::PostHome(std::function<void()> call)
{
    if (tHome)
        tHome->Post(std::move(call));
    else
        call();
}

} // namespace zel::workflows
