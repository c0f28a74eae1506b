#pragma once
// A joinable thread with a small stack, for the channel workers of ParallelGroups.

#include <cstddef>
#include <functional>
#include <pthread.h>

namespace zel::workflows {

// One POSIX thread running `body`, with a stack of StackSize bytes instead of the system's
// default (8 MiB of address space on Linux): hundreds of channel workers then reserve a few
// hundred kilobytes each. A channel worker's deepest path (an exchange with a data bank and the
// frame decoder's buffers) uses well under 64 KiB. Joined by Join or at destruction.
//
// How it fails: when the thread cannot be made (no memory, a limit on threads) the constructor
// raises std::system_error, as std::thread does.
class WorkerThread {
public:
    static constexpr std::size_t StackSize = 256 * 1024;

    explicit WorkerThread(std::function<void()> body);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&&) = delete;

    void Join();

private:
    static void* Start(void* body);

    pthread_t mThread{};
    bool mJoinable = false;
};

} // namespace zel::workflows
