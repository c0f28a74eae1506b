#pragma once
// Work on several channels at the same time, told on the calling thread.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <utility>

namespace zel::workflows {

// Runs one job per channel group on worker threads, at most MaxChannels at once, while the
// calling thread delivers what the jobs hand back to it. The clock library's calls block until the
// clock answers, so each channel at work needs a thread of its own; the workers run on small stacks
// (WorkerThread, 256 KiB), so 500 channels side by side cost about 125 MiB of address space and a
// few megabytes of memory, not 4 GiB of default stacks (docs/architecture.md, "Channels side by
// side"). A job runs the clocks of its group one
// after another (a line carries one exchange at a time); different groups run side by side.
//
// Holds, during Run only, the queue of calls the jobs have posted for the calling thread. Each
// job's calls run on the calling thread in the order the job posted them (so the events of one
// channel group keep their order); calls of different jobs interleave. Between deliveries the
// calling thread runs the idle function (its message pump) at least every few milliseconds, also in
// the middle of a long burst of deliveries, so a window stays responsive while the clocks work.
//
// A job must not touch what belongs to the calling thread (the site database, the windows):
// it hands such work to Post or Call.
//
// How it fails: an exception that escapes a job ends that job only; the other jobs run on, and
// once all have ended the first such exception (in group order) is raised by Run. An exception
// raised by a posted call is kept the same way and raised after the jobs have ended (a Call that
// raised returns normally to its job).
class ParallelGroups {
public:
    // Far above the channels of any site; a bound only so that a damaged list cannot ask for
    // threads without end.
    static constexpr std::size_t DefaultMaxChannels = 1024;

    // Handed to each job: the way back to the calling thread. Usable from the job's thread only.
    class Lane {
    public:
        // Runs `call` on the calling thread later, after the calls this job posted before.
        void Post(std::function<void()> call);
        // Runs `call` on the calling thread and waits until it has run (after the calls this job
        // posted before, and after one turn of the idle function).
        void Call(std::function<void()> call);

    private:
        friend class ParallelGroups;
        explicit Lane(ParallelGroups& owner) : mOwner(owner) {}
        ParallelGroups& mOwner;
    };

    using Job = std::function<void(std::size_t group, Lane& lane)>;

    explicit ParallelGroups(std::size_t maxChannels = DefaultMaxChannels);
    ParallelGroups(const ParallelGroups&) = delete;
    ParallelGroups& operator=(const ParallelGroups&) = delete;

    // Runs job(0) .. job(groups - 1) and returns when every job has ended and every posted call
    // has run. `idle` (may be empty) runs on the calling thread between deliveries.
    void Run(std::size_t groups, const Job& job, const std::function<void()>& idle = {});

    std::size_t MaxChannels() const noexcept { return mMaxChannels; }

    // For code below a job that does not see its Lane: runs `call` on the calling thread of the
    // Run whose job the current thread runs (later, as Lane::Post), or at once on any other thread.
    static void PostHome(std::function<void()> call);

private:
    // What a job waiting in Call waits on: its own, so that ending one Call wakes one job, not
    // every job waiting in a Call of its own.
    struct Waiter {
        std::condition_variable Ran;
        bool Done = false; // set under the lock once the call has run
    };
    struct Item {
        std::function<void()> Call;
        Waiter* Done = nullptr; // the job waiting for this call, for a Call item
    };
    void Push(Item item);
    void Deliver(std::deque<Item>& items, const std::function<void()>& idle);

    std::size_t mMaxChannels;
    std::mutex mLock;
    std::condition_variable mChanged; // an item queued, a job ended
    std::deque<Item> mQueue;
    std::size_t mRunning = 0;
    std::exception_ptr mCallError;
};

} // namespace zel::workflows
