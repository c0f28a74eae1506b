#include "WorkerThread.h"

#include <cerrno>
#include <memory>
#include <system_error>

namespace zel::workflows {

WorkerThread::WorkerThread(std::function<void()> body)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, StackSize);
    const int rc = pthread_create(&mThread, &attributes, &WorkerThread::Start, owned.get());
    pthread_attr_destroy(&attributes);
    if (rc != 0)
        throw std::system_error(rc, std::generic_category(), "Starting a channel worker thread");
    owned.release(); // the thread owns it now
    mJoinable = true;
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept : mThread(other.mThread), mJoinable(other.mJoinable)
{
    other.mJoinable = false;
}

WorkerThread::~WorkerThread()
{
    Join();
}

void WorkerThread::Join()
{
    if (mJoinable) {
        pthread_join(mThread, nullptr);
        mJoinable = false;
    }
}

void* WorkerThread::Start(void* body)
{
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    (*owned)(); // the worker's body catches what its jobs raise
    return nullptr;
}

} // namespace zel::workflows
